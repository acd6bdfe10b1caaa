#include "host/FilePickers.h"

#include <commdlg.h>

#include <cstdlib>

#include "contracts/cornerstone/Cornerstone.h"

namespace {

// Room for a few thousand file names of one selection.
constexpr size_t kSelectionChars = 256 * 1024;

FolderPicker& FolderOverride() {
  static FolderPicker picker;
  return picker;
}

FilesPicker& FilesOverride() {
  static FilesPicker picker;
  return picker;
}

}  // namespace

std::wstring PickFolder(HWND owner, const std::wstring& initial) {
  if (FolderOverride()) return FolderOverride()(owner, initial);
  return SystemPickFolder(owner, initial);
}

PathList PickFiles(const OpenFilesQuery& query) {
  if (FilesOverride()) return FilesOverride()(query);
  return SystemPickFiles(query);
}

void SetFolderPicker(FolderPicker picker) { FolderOverride() = std::move(picker); }
void SetFilesPicker(FilesPicker picker) { FilesOverride() = std::move(picker); }

std::wstring SystemPickFolder(HWND owner, const std::wstring& initial) {
  wchar_t* chosen = BASUtilityFile::SelectFolder(owner, initial.empty() ? nullptr : initial.c_str());
  if (chosen == nullptr) return std::wstring();
  std::wstring folder(chosen);
  std::free(chosen);
  return folder;
}

PathList SystemPickFiles(const OpenFilesQuery& query) {
  const std::wstring filter = FilterString(query.filters);
  std::vector<wchar_t> buffer(kSelectionChars, L'\0');
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = query.owner;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = static_cast<DWORD>(buffer.size());
  dialog.lpstrTitle = query.title.c_str();
  dialog.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST;
  if (!GetOpenFileNameW(&dialog)) {
    if (DWORD error = CommDlgExtendedError()) BASTrace("GetOpenFileNameW GetLastError: %lu", error);
    return PathList();
  }
  return ParseFileSelection(buffer.data(), buffer.size());
}

std::wstring FilterString(const std::vector<FileFilter>& filters) {
  std::wstring text;
  for (const FileFilter& filter : filters) {
    text += filter.label;
    text.push_back(L'\0');
    text += filter.pattern;
    text.push_back(L'\0');
  }
  text.push_back(L'\0');
  return text;
}

PathList ParseFileSelection(const wchar_t* buffer, size_t size) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  for (size_t i = 0; buffer != nullptr && i < size; ++i) {
    if (buffer[i] != L'\0') continue;
    if (i == start) break;  // the empty string that ends the list
    parts.emplace_back(buffer + start, i - start);
    start = i + 1;
  }
  PathList paths;
  if (parts.size() == 1) {
    paths.push_back(parts[0]);
  } else if (parts.size() > 1) {
    // The folder of a drive's root already ends in a backslash.
    std::wstring folder = parts[0];
    if (folder.back() != L'\\') folder.push_back(L'\\');
    for (size_t i = 1; i < parts.size(); ++i) paths.push_back(folder + parts[i]);
  }
  return paths;
}
