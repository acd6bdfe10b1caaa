#include "modules/courier/AppLibrary.h"

#include "modules/courier/formats/ApkReader.h"
#include "modules/courier/formats/FormatText.h"

const wchar_t* const kSystemAppsAlbum = L"System apps";

namespace {

const wchar_t* const kUserAppsAlbum = L"User apps";

// An app is a whole .apk: a zip with a manifest naming its package. Anything else (a renamed
// picture, a cut-off download) is refused with the reader's reason.
MediaCheck CheckApp(const std::filesystem::path& file) {
  MediaCheck check;
  ApkInfo info;
  std::string problem;
  if (!ReadApkFile(file, info, problem)) {
    check.problem = problem.empty() ? "it is no app package" : problem;
    return check;
  }
  check.extension = L".apk";
  std::error_code error;
  const auto size = std::filesystem::file_size(file, error);
  check.sizeBytes = error ? 0 : static_cast<int64_t>(size);
  check.title = formats::Utf8ToWideLenient(info.label);
  // An app is known by its package: installing one already there updates it.
  check.identifier = formats::Utf8ToWideLenient(info.packageName);
  return check;
}

bool IsApkExtension(const std::wstring& extension) {
  std::wstring lowered = extension;
  for (wchar_t& c : lowered) c = (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
  return lowered == L".apk";
}

std::vector<DemoMediaFile> DemoApps(const DemoPhone& phone) {
  std::vector<DemoMediaFile> files;
  for (const DemoApp& app : phone.apps) {
    if (app.file.empty()) continue;
    DemoMediaFile file;
    file.identifier = app.package;
    file.name = app.package;
    file.format = L".apk";
    file.phonePath = (app.system ? L"/system/app/" : L"/data/app/") + app.package + L".apk";
    file.album = app.system ? kSystemAppsAlbum : kUserAppsAlbum;
    file.title = app.name;
    file.file = app.file;
    files.push_back(std::move(file));
  }
  return files;
}

}  // namespace

const MediaKindRules kAppRules = {L"apps.json", "apps",  L"apps",  L"/data/app/",  kUserAppsAlbum,
                                  L"App",       L"APP_", CheckApp, IsApkExtension, DemoApps};
