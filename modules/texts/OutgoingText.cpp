#include "modules/texts/OutgoingText.h"

#include <algorithm>

namespace {

std::wstring Trimmed(const std::wstring& text) {
  const size_t first = text.find_first_not_of(L" \t\r\n");
  if (first == std::wstring::npos) return std::wstring();
  return text.substr(first, text.find_last_not_of(L" \t\r\n") - first + 1);
}

bool IsNumber(const std::wstring& text) {
  int digits = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c >= L'0' && c <= L'9')
      ++digits;
    else if (!(c == L'+' && i == 0) && c != L' ' && c != L'-' && c != L'(' && c != L')' && c != L'.')
      return false;
  }
  return digits >= 3;
}

}  // namespace

bool ParseRecipients(const std::wstring& text, std::vector<std::wstring>& numbers, std::wstring& bad) {
  numbers.clear();
  bad.clear();
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of(L";,", start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring entry = Trimmed(text.substr(start, end - start));
    start = end + 1;
    if (entry.empty()) continue;
    std::wstring number = entry;
    const size_t open = entry.rfind(L'<');
    const size_t close = entry.rfind(L'>');
    if (open != std::wstring::npos && close != std::wstring::npos && close > open)
      number = Trimmed(entry.substr(open + 1, close - open - 1));
    if (!IsNumber(number)) {
      bad = entry;
      return false;
    }
    if (std::find(numbers.begin(), numbers.end(), number) == numbers.end()) numbers.push_back(number);
  }
  return true;
}

std::wstring RecipientsText(const PickedContactList& picked) {
  std::wstring text;
  for (const PickedContact& contact : picked) {
    if (contact.phone.empty()) continue;
    text += contact.name.empty() || contact.name == contact.phone ? contact.phone
                                                                  : contact.name + L" <" + contact.phone + L">";
    text += L"; ";
  }
  return text;
}

int SmsParts(const std::wstring& text) {
  if (text.empty()) return 0;
  const bool basic = std::all_of(text.begin(), text.end(), [](wchar_t c) { return c < 0x80; });
  const size_t single = basic ? 160 : 70;
  const size_t part = basic ? 153 : 67;
  if (text.size() <= single) return 1;
  return static_cast<int>((text.size() + part - 1) / part);
}
