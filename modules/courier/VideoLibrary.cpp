#include "modules/courier/VideoLibrary.h"

#include <algorithm>
#include <cwctype>

#include "modules/courier/formats/MediaTags.h"

namespace {

// A video is a file with pictures in it; a song or a text named .mp4 is refused.
MediaCheck CheckVideo(const std::filesystem::path& file) {
  const MediaTags tags = ReadMediaFile(file);
  MediaCheck check;
  check.extension = tags.extension;
  check.sizeBytes = tags.sizeBytes;
  check.durationMs = tags.durationMs;
  check.width = tags.width;
  check.height = tags.height;
  check.title = tags.title;
  check.problem = tags.problem;
  if (check.ok() && !tags.hasVideo) check.problem = "there is no video in it";
  return check;
}

bool IsVideoExtension(const std::wstring& extension) {
  std::wstring lower = extension;
  for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(c));
  static const wchar_t* const kKnown[] = {L".webm", L".3gp", L".mp4", L".ts", L".mkv", L".m4v"};
  return std::any_of(std::begin(kKnown), std::end(kKnown), [&](const wchar_t* known) { return lower == known; });
}

std::vector<DemoMediaFile> DemoVideos(const DemoPhone& phone) {
  std::vector<DemoMediaFile> files;
  for (const DemoVideo& video : phone.videos) {
    if (video.file.empty()) continue;
    DemoMediaFile file;
    file.identifier = video.identifier;
    const size_t slash = video.phonePath.rfind(L'/');
    const std::wstring fileName = video.phonePath.substr(slash == std::wstring::npos ? 0 : slash + 1);
    const size_t dot = fileName.rfind(L'.');
    file.format = dot == std::wstring::npos ? std::wstring() : fileName.substr(dot);
    file.name = fileName.substr(0, dot);
    file.phonePath = video.phonePath;
    file.album = L"Camera";
    file.title = video.title;
    file.file = video.file;
    files.push_back(std::move(file));
  }
  return files;
}

}  // namespace

const MediaKindRules kVideoRules = {L"videos.json",   "videos",  L"videos", L"/storage/emulated/0/Movies/",
                                    L"Movies",        L"Video",  L"VID_",   CheckVideo,
                                    IsVideoExtension, DemoVideos};
