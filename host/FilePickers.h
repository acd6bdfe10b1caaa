// The system's folder picker and multiple-selection open-file dialog as the content
// controllers use them. Both sit behind replaceable functions so tests can answer them
// without a real dialog; the defaults open the real ones.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "contracts/CommandPayloads.h"

struct FileFilter {
  std::wstring label;    // "VCard File(*.vcf)"
  std::wstring pattern;  // "*.vcf"
};

struct OpenFilesQuery {
  HWND owner = nullptr;
  std::wstring title;
  std::vector<FileFilter> filters;
};

// A chosen folder, or "" when the user cancelled; `initial` may be "".
typedef std::function<std::wstring(HWND owner, const std::wstring& initial)> FolderPicker;
// The chosen files as full paths; empty when the user cancelled.
typedef std::function<PathList(const OpenFilesQuery& query)> FilesPicker;

std::wstring PickFolder(HWND owner, const std::wstring& initial);
PathList PickFiles(const OpenFilesQuery& query);

// Replace the dialogs (an empty function puts the system's back). UI thread only.
void SetFolderPicker(FolderPicker picker);
void SetFilesPicker(FilesPicker picker);

// The system dialogs themselves.
std::wstring SystemPickFolder(HWND owner, const std::wstring& initial);
PathList SystemPickFiles(const OpenFilesQuery& query);

// "label\0pattern\0...\0\0" as the open-file dialog wants its filter.
std::wstring FilterString(const std::vector<FileFilter>& filters);
// What a multiple-selection open-file dialog wrote into its buffer of `size` characters:
// one full path, or the folder followed by the file names, each null-terminated, the list
// ending in an empty string. A list cut short by the buffer's end keeps what is whole.
PathList ParseFileSelection(const wchar_t* buffer, size_t size);
