// What the photo pane decides without a window: which photos a search lists and which dropped
// files it offers the phone.
#pragma once

#include "contracts/PhotoRecords.h"

#include <string>
#include <vector>

// `lowered` is the lower-cased search text. Beginning with ".", it is looked for in the format;
// otherwise in the name and the date created. An empty text lists every photo.
bool PhotoMatches(const PhotoRecord& photo, const std::wstring& lowered);

// The picture files among `paths` (by their extension, as the phone's gallery takes them).
std::vector<std::wstring> AcceptedDropPaths(const std::vector<std::wstring>& paths);
