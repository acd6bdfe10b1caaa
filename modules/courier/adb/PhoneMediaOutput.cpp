#include "modules/courier/adb/PhoneMediaOutput.h"

#include <cwchar>
#include <deque>

#include "modules/courier/adb/PhoneShellOutput.h"
#include "modules/courier/formats/FormatText.h"

namespace {

const std::vector<std::string> kImageColumns = {"_id",           "_data", "_display_name", "_size",
                                                "date_modified", "width", "height"};
const std::vector<std::string> kAudioColumns = {"_id",   "_data",  "_display_name", "_size",   "date_modified",
                                                "title", "artist", "album",         "duration"};
const std::vector<std::string> kVideoColumns = {"_id",           "_data",    "_display_name", "_size",
                                                "date_modified", "duration", "width",         "height"};

std::wstring Wide(std::string_view utf8) { return formats::Utf8ToWideLenient(std::string(utf8)); }

// The line of `text` at `start` without its line end and trailing blanks; `start` moves past it.
bool NextLine(std::string_view text, size_t& start, std::string_view& line) {
  if (start >= text.size()) return false;
  size_t end = text.find('\n', start);
  if (end == std::string_view::npos) end = text.size();
  line = text.substr(start, end - start);
  start = end + 1;
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
  return true;
}

int64_t NumberOf(const ContentRow& row, const char* column) {
  auto found = row.find(column);
  int64_t value = 0;
  return found != row.end() && ParseShellNumber(found->second, value) ? value : 0;
}

std::string TextOf(const ContentRow& row, const char* column) {
  auto found = row.find(column);
  return found == row.end() ? std::string() : found->second;
}

std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

// The provider says "<unknown>" for tags a file does not have.
std::wstring TagOf(const ContentRow& row, const char* column) {
  const std::string value = TextOf(row, column);
  return value == "<unknown>" ? std::wstring() : Wide(value);
}

}  // namespace

const char* MediaProviderUri(PhoneMediaKind kind) {
  switch (kind) {
    case PhoneMediaKind::kImages:
      return "content://media/external/images/media";
    case PhoneMediaKind::kAudio:
      return "content://media/external/audio/media";
    case PhoneMediaKind::kVideo:
      break;
  }
  return "content://media/external/video/media";
}

const std::vector<std::string>& MediaColumns(PhoneMediaKind kind) {
  switch (kind) {
    case PhoneMediaKind::kImages:
      return kImageColumns;
    case PhoneMediaKind::kAudio:
      return kAudioColumns;
    case PhoneMediaKind::kVideo:
      break;
  }
  return kVideoColumns;
}

std::string MediaQueryCommand(PhoneMediaKind kind) {
  std::string projection;
  for (const std::string& column : MediaColumns(kind)) projection += (projection.empty() ? "" : ":") + column;
  return std::string("content query --uri ") + MediaProviderUri(kind) + " --projection " + projection;
}

std::vector<StoredMedia> MediaFromRows(const std::vector<ContentRow>& rows, PhoneMediaKind kind) {
  std::vector<StoredMedia> items;
  items.reserve(rows.size());
  for (const ContentRow& row : rows) {
    const std::string path = TextOf(row, "_data");
    if (path.empty() || path[0] != '/') continue;
    const size_t slash = path.rfind('/');
    std::string fileName = TextOf(row, "_display_name");
    if (fileName.empty()) fileName = path.substr(slash + 1);
    const size_t dot = fileName.rfind('.');
    StoredMedia item;
    item.identifier = Wide(path);
    item.phonePath = item.identifier;
    item.name = Wide(dot == std::string::npos || dot == 0 ? fileName : fileName.substr(0, dot));
    item.format = dot == std::string::npos || dot == 0 ? std::wstring() : Wide(LowerAscii(fileName.substr(dot)));
    // The folder the file is in is what the phone's gallery calls its album.
    const size_t parent = slash == 0 ? std::string::npos : path.rfind('/', slash - 1);
    item.album = parent == std::string::npos ? std::wstring() : Wide(path.substr(parent + 1, slash - parent - 1));
    item.sizeBytes = NumberOf(row, "_size");
    item.dateCreated = DateTextOfSeconds(NumberOf(row, "date_modified"));
    if (kind != PhoneMediaKind::kAudio) {
      item.width = static_cast<uint32_t>(NumberOf(row, "width") & 0xFFFFFFFF);
      item.height = static_cast<uint32_t>(NumberOf(row, "height") & 0xFFFFFFFF);
    }
    if (kind != PhoneMediaKind::kImages) item.durationMs = NumberOf(row, "duration");
    if (kind == PhoneMediaKind::kAudio) {
      item.title = TagOf(row, "title");
      item.artist = TagOf(row, "artist");
      const std::wstring album = TagOf(row, "album");
      if (!album.empty()) item.album = album;
    }
    items.push_back(std::move(item));
  }
  return items;
}

bool IsPhoneBookName(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return false;
  const std::string extension = LowerAscii(name.substr(dot));
  return extension == ".epub" || extension == ".pdf" || extension == ".txt" || extension == ".mobi" ||
         extension == ".azw3" || extension == ".fb2";
}

bool FindPhoneBooks(const std::vector<std::string>& roots, const FolderLister& list,
                    std::vector<PhoneBookFile>& books) {
  struct Folder {
    std::string path;
    int depth;
  };
  // Breadth first: when the limit cuts the walk, the shallow folders, where people keep their
  // books, have been looked at.
  std::deque<Folder> pending;
  for (const std::string& root : roots) pending.push_back(Folder{root, 0});
  size_t listed = 0;
  while (!pending.empty() && listed < kBookFolderLimit) {
    const Folder folder = std::move(pending.front());
    pending.pop_front();
    std::vector<adbsync::ListEntry> entries;
    if (!list(folder.path, entries)) return false;
    ++listed;
    const std::string name = folder.path.substr(folder.path.rfind('/') + 1);
    for (const adbsync::ListEntry& entry : entries) {
      if (entry.name.empty() || entry.name[0] == '.' || entry.name.find('/') != std::string::npos) continue;
      const std::string path = folder.path + "/" + entry.name;
      if (entry.stat.IsDirectory()) {
        const bool appPrivate = name == "Android" && (entry.name == "data" || entry.name == "obb");
        if (!appPrivate && folder.depth < kBookFolderDepth) pending.push_back(Folder{path, folder.depth + 1});
      } else if ((entry.stat.mode & 0170000) == 0100000 && IsPhoneBookName(entry.name)) {
        books.push_back(PhoneBookFile{path, name, entry.stat});
      }
    }
  }
  return true;
}

std::vector<PhonePackage> ParsePackageList(std::string_view text) {
  std::vector<PhonePackage> packages;
  size_t start = 0;
  std::string_view line;
  while (NextLine(text, start, line)) {
    constexpr std::string_view kPackage = "package:";
    if (line.substr(0, kPackage.size()) != kPackage) continue;
    line.remove_prefix(kPackage.size());
    PhonePackage package;
    constexpr std::string_view kVersion = " versionCode:";
    const size_t version = line.rfind(kVersion);
    if (version != std::string_view::npos) {
      int64_t code = 0;
      if (ParseShellNumber(line.substr(version + kVersion.size()), code)) package.versionCode = code;
      line = line.substr(0, version);
    }
    // The path may hold '=' itself (base64 in the folder names); the package never does.
    const size_t equals = line.rfind('=');
    if (equals == std::string_view::npos || equals == 0 || equals + 1 == line.size()) continue;
    package.apkPath = std::string(line.substr(0, equals));
    package.package = std::string(line.substr(equals + 1));
    if (package.package.find(' ') != std::string::npos || package.apkPath[0] != '/') continue;
    packages.push_back(std::move(package));
  }
  return packages;
}

std::map<std::string, PackageVersion> ParsePackageVersions(std::string_view text) {
  std::map<std::string, PackageVersion> versions;
  PackageVersion* current = nullptr;
  bool hidden = false;
  size_t start = 0;
  std::string_view line;
  while (NextLine(text, start, line)) {
    const size_t indent = line.find_first_not_of(' ');
    if (indent == std::string_view::npos) continue;
    // A section header ends the block before it.
    if (indent == 0) {
      current = nullptr;
      hidden = line == "Hidden system packages:";
      continue;
    }
    line.remove_prefix(indent);
    constexpr std::string_view kPackage = "Package [";
    if (line.substr(0, kPackage.size()) == kPackage) {
      const size_t close = line.find(']', kPackage.size());
      current = nullptr;
      if (hidden || close == std::string_view::npos || close == kPackage.size()) continue;
      const std::string name(line.substr(kPackage.size(), close - kPackage.size()));
      if (versions.count(name) == 0) current = &versions[name];
      continue;
    }
    if (current == nullptr) continue;
    constexpr std::string_view kName = "versionName=";
    constexpr std::string_view kCode = "versionCode=";
    if (line.substr(0, kName.size()) == kName) {
      if (current->name.empty()) current->name = std::string(line.substr(kName.size()));
    } else if (line.substr(0, kCode.size()) == kCode && current->code < 0) {
      std::string_view number = line.substr(kCode.size());
      number = number.substr(0, number.find(' '));
      int64_t code = 0;
      if (ParseShellNumber(number, code)) current->code = code;
    }
  }
  return versions;
}

std::wstring PackageManagerProblem(std::string_view output) {
  size_t start = 0;
  std::string_view line;
  while (NextLine(output, start, line)) {
    if (line == "Success") return std::wstring();
    constexpr std::string_view kFailure = "Failure [";
    if (line.substr(0, kFailure.size()) == kFailure && line.back() == ']')
      return L"The phone refused it: " + Wide(line.substr(kFailure.size(), line.size() - kFailure.size() - 1)) + L".";
  }
  return L"The phone's package manager did not say it succeeded.";
}

std::string QuoteForPhoneShell(std::string_view text) {
  if (text.find('\0') != std::string_view::npos) return std::string();
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted.push_back(c);
  }
  return quoted + "'";
}

std::string SqlStringLiteral(std::string_view text) {
  std::string literal = "'";
  for (char c : text) {
    literal.push_back(c);
    if (c == '\'') literal.push_back('\'');
  }
  return literal + "'";
}

std::string FileUriOf(std::string_view path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
                       byte == '/' || byte == '-' || byte == '_' || byte == '.' || byte == '~';
    if (plain) {
      uri.push_back(c);
    } else {
      uri.push_back('%');
      uri.push_back(kHex[byte >> 4]);
      uri.push_back(kHex[byte & 0xF]);
    }
  }
  return uri;
}

std::wstring DateTextOfSeconds(int64_t seconds) {
  if (seconds <= 0) return std::wstring();
  // Days to a civil date (proleptic Gregorian), without the C library's 32-bit time_t.
  const int64_t days = seconds / 86400;
  const int64_t inDay = seconds % 86400;
  const int64_t z = days + 719468;
  const int64_t era = z / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  wchar_t text[32];
  swprintf(text, 32, L"%04d-%02d-%02d %02d:%02d", static_cast<int>(year), static_cast<int>(month),
           static_cast<int>(day), static_cast<int>(inDay / 3600), static_cast<int>(inDay % 3600 / 60));
  return text;
}
