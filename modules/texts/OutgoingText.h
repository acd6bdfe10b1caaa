// What the New Message window reads from its fields, without a window: the recipients' numbers
// and the number of SMS a text takes.
#pragma once

#include <string>
#include <vector>

#include "contracts/ContactRecords.h"

// The numbers of a recipients line: entries separated by ";" or ",", each a number or a name
// with its number in angle brackets ("Anna Berg <+47 400 10001>"). False, with the entry in
// `bad`, when an entry is no number.
bool ParseRecipients(const std::wstring& text, std::vector<std::wstring>& numbers, std::wstring& bad);
// The recipients line for picked contacts.
std::wstring RecipientsText(const PickedContactList& picked);
// How many SMS a text takes: 160 characters in one (153 per part when split), 70 (67) once a
// character lies outside the basic alphabet.
int SmsParts(const std::wstring& text);
