// What a phone prints about its media, apps and files, read into the media store's items:
// the media provider's rows (`content query` of images, audio, video), the package manager's
// list and its install answers. Also the quoting that puts a name safely into the phone's
// shell. The output is a phone's: rows that do not parse are skipped. Plain code, tested natively.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "modules/courier/MediaLibrary.h"
#include "modules/courier/adb/AdbWire.h"
#include "modules/courier/adb/PhoneShellOutput.h"

// The media kinds a phone lists through its media provider.
enum class PhoneMediaKind { kImages, kAudio, kVideo };

// The provider's uri of a kind ("content://media/external/images/media") and the columns its
// rows are read with, in projection order.
const char* MediaProviderUri(PhoneMediaKind kind);
const std::vector<std::string>& MediaColumns(PhoneMediaKind kind);
// The whole `content query` command for a kind.
std::string MediaQueryCommand(PhoneMediaKind kind);

// The provider's rows as items: the phone path is the identifier (stable, and what a delete
// names); rows without a path are skipped.
std::vector<StoredMedia> MediaFromRows(const std::vector<ContentRow>& rows, PhoneMediaKind kind);

// A book file of a folder listing, or false when its extension is no book's.
bool IsPhoneBookName(std::string_view name);

// The book files under the folders `roots` and their subfolders, at most kBookFolderDepth
// below a root and kBookFolderLimit folders in all: a phone's folders may nest deep, loop
// through links or hold an app's thousands of files. Hidden folders and apps' private folders
// (Android/data, Android/obb) are skipped, links never followed. `list` lists one folder (a
// folder the phone does not have lists as empty); false from it ends the walk with false.
constexpr int kBookFolderDepth = 4;
constexpr size_t kBookFolderLimit = 400;
struct PhoneBookFile {
  std::string path;    // the phone's path of the file
  std::string folder;  // the name of the folder it is in
  adbsync::Stat stat;
};
typedef std::function<bool(const std::string& folder, std::vector<adbsync::ListEntry>& entries)> FolderLister;
bool FindPhoneBooks(const std::vector<std::string>& roots, const FolderLister& list, std::vector<PhoneBookFile>& books);

// One line of `pm list packages -f --show-versioncode`:
// "package:/data/app/~~Xy==/org.example-Zq==/base.apk=org.example versionCode:42".
struct PhonePackage {
  std::string package;
  std::string apkPath;
  int64_t versionCode = -1;  // -1: not told
};
std::vector<PhonePackage> ParsePackageList(std::string_view text);

// What `dumpsys package packages` tells of each package: its "Package [name] (hash):" block's
// "versionCode=" and "versionName=". A package the phone lists twice (an updated system app
// under "Hidden system packages:") keeps what its first, installed, block says.
struct PackageVersion {
  std::string name;   // empty: not told
  int64_t code = -1;  // -1: not told
};
std::map<std::string, PackageVersion> ParsePackageVersions(std::string_view text);

// `pm install` / `pm uninstall` print "Success", or "Failure [REASON: details]". Empty when it
// succeeded, else one line for the user.
std::wstring PackageManagerProblem(std::string_view output);

// `text` as one word of the phone's shell, whatever it holds ('it'\''s'). Empty for text that
// no shell word can carry (a NUL).
std::string QuoteForPhoneShell(std::string_view text);
// `text` as an SQL string literal ('it''s'), for a provider's --where.
std::string SqlStringLiteral(std::string_view text);
// "file:///sdcard/My%20Song.mp3": the path percent-encoded, as the media scanner reads it.
std::string FileUriOf(std::string_view path);
// "YYYY-MM-DD HH:MM" (UTC) for seconds since 1970.
std::wstring DateTextOfSeconds(int64_t seconds);
