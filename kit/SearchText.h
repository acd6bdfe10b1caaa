#pragma once

#include <string>

// Lowered unit by unit in every script, as the panes' search boxes match.
std::wstring LowerCased(const std::wstring& text);
