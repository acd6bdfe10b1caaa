#include "modules/courier/MediaLibrary.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#endif
#include <cwctype>
#include <fstream>
#include <nlohmann/json.hpp>
#include <system_error>

#include "modules/courier/SafeFile.h"

using nlohmann::json;

namespace {

constexpr int kIndexFormat = 1;
constexpr size_t kCopyPiece = 1 << 20;

std::wstring Lower(const std::wstring& text) {
  std::wstring lower;
  for (wchar_t c : text) lower.push_back(static_cast<wchar_t>(std::towlower(c)));
  return lower;
}

std::wstring WideOf(const std::string& utf8) {
  std::wstring wide;
  Utf8ToWide(utf8, wide);
  return wide;
}

std::wstring NameOfPath(const std::filesystem::path& path) {
#ifdef _WIN32
  return path.filename().wstring();
#else
  return WideOf(path.filename().string());
#endif
}

json ToJson(const StoredMedia& item) {
  json value{{"key", item.key},
             {"id", WideToUtf8(item.identifier)},
             {"name", WideToUtf8(item.name)},
             {"format", WideToUtf8(item.format)},
             {"phonePath", WideToUtf8(item.phonePath)},
             {"album", WideToUtf8(item.album)},
             {"dateCreated", WideToUtf8(item.dateCreated)},
             {"file", WideToUtf8(item.fileName)},
             {"sizeBytes", item.sizeBytes},
             {"width", item.width},
             {"height", item.height}};
  // Written only when there is something, so a photo index stays as it was.
  if (!item.title.empty()) value["title"] = WideToUtf8(item.title);
  if (!item.artist.empty()) value["artist"] = WideToUtf8(item.artist);
  if (item.durationMs != 0) value["durationMs"] = item.durationMs;
  return value;
}

StoredMedia FromJson(const json& value) {
  StoredMedia item;
  item.key = value.at("key").get<int64_t>();
  item.identifier = WideOf(value.at("id").get<std::string>());
  item.name = WideOf(value.at("name").get<std::string>());
  item.format = WideOf(value.at("format").get<std::string>());
  item.phonePath = WideOf(value.at("phonePath").get<std::string>());
  item.album = WideOf(value.at("album").get<std::string>());
  item.dateCreated = WideOf(value.at("dateCreated").get<std::string>());
  item.fileName = WideOf(value.at("file").get<std::string>());
  item.sizeBytes = value.at("sizeBytes").get<int64_t>();
  item.width = value.at("width").get<uint32_t>();
  item.height = value.at("height").get<uint32_t>();
  item.title = WideOf(value.value("title", std::string()));
  item.artist = WideOf(value.value("artist", std::string()));
  item.durationMs = value.value("durationMs", int64_t{0});
  return item;
}

// The extension a file keeps: its own when it is one of the kind's, else the one of what it holds.
std::wstring FormatOf(const MediaKindRules& rules, const std::filesystem::path& source, const MediaCheck& check) {
  const std::wstring extension = Lower(NameOfPath(source.extension()));
  return rules.isKindExtension(extension) || check.extension.empty() ? extension : check.extension;
}

}  // namespace

std::filesystem::path PathOfWide(const std::wstring& name) {
#ifdef _WIN32
  return std::filesystem::path(name);
#else
  return std::filesystem::path(WideToUtf8(name));
#endif
}

#ifdef _WIN32
namespace {

DWORD CALLBACK CopyProgress(LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, DWORD, DWORD, HANDLE, HANDLE,
                            LPVOID context) {
  const auto* mayContinue = static_cast<const std::function<bool()>*>(context);
  try {
    return !*mayContinue || (*mayContinue)() ? PROGRESS_CONTINUE : PROGRESS_CANCEL;
  } catch (...) {
    return PROGRESS_CANCEL;
  }
}

}  // namespace

// The system's own copy (which removes what it wrote when cancelled); whole, into a temporary
// name beside the target and then a rename that never replaces.
CopyResult CopyFileSafely(const std::filesystem::path& from, const std::filesystem::path& to,
                          const std::function<bool()>& mayContinue, std::string& error, CopyMode mode) {
  const std::filesystem::path temporary = mode == CopyMode::kPlain
                                              ? to
                                              : to.parent_path() / (L"." + to.filename().wstring() + L"." +
                                                                    std::to_wstring(GetCurrentThreadId()) + L".part");
  // Asked before and after as well: the system asks during a copy only as its pieces go, and
  // not at all for a small file on every system.
  if (mayContinue && !mayContinue()) return CopyResult::kStopped;
  BOOL cancel = FALSE;
  if (!CopyFileExW(from.c_str(), temporary.c_str(), CopyProgress, const_cast<std::function<bool()>*>(&mayContinue),
                   &cancel, COPY_FILE_FAIL_IF_EXISTS)) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) return CopyResult::kTargetExists;
    if (mode != CopyMode::kPlain) DeleteFileW(temporary.c_str());
    if (code == ERROR_REQUEST_ABORTED) return CopyResult::kStopped;
    error = std::system_category().message(static_cast<int>(code));
    return CopyResult::kFailed;
  }
  if (mode == CopyMode::kPlain) return CopyResult::kCopied;
  if (mayContinue && !mayContinue()) {
    DeleteFileW(temporary.c_str());
    return CopyResult::kStopped;
  }
  if (MoveFileExW(temporary.c_str(), to.c_str(), 0)) return CopyResult::kCopied;
  const DWORD code = GetLastError();
  DeleteFileW(temporary.c_str());
  if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS) return CopyResult::kTargetExists;
  error = std::system_category().message(static_cast<int>(code));
  return CopyResult::kFailed;
}
#else
CopyResult CopyFileSafely(const std::filesystem::path& from, const std::filesystem::path& to,
                          const std::function<bool()>& mayContinue, std::string& error, CopyMode) {
  std::ifstream in;
  if (!OpenForReading(from, in, error)) return CopyResult::kFailed;
  SafeFileWriter writer(to, SafeFileWriter::Replace::kNever);
  if (!writer.Open()) {
    error = writer.Error();
    return CopyResult::kFailed;
  }
  std::string piece(kCopyPiece, '\0');
  while (in) {
    if (mayContinue && !mayContinue()) {
      writer.Abandon();
      return CopyResult::kStopped;
    }
    in.read(&piece[0], static_cast<std::streamsize>(piece.size()));
    const std::streamsize got = in.gcount();
    if (got > 0 && !writer.Write(std::string_view(piece.data(), static_cast<size_t>(got)))) break;
  }
  if (in.bad()) {
    writer.Abandon();
    error = "the file could not be read to its end";
    return CopyResult::kFailed;
  }
  if (writer.Commit()) return CopyResult::kCopied;
  error = writer.Error();
  return writer.TargetExisted() ? CopyResult::kTargetExists : CopyResult::kFailed;
}
#endif

void MediaLibrary::OpenOnPhone(std::unique_ptr<PhoneMediaStore> phone) {
  m_phone = std::move(phone);
  m_folder.clear();
  m_items.clear();
  m_usable = m_phone != nullptr;
}

// An item keeps its key across refreshes as long as the phone keeps its identifier, so an
// export of a list shown before the refresh still finds its files.
bool MediaLibrary::Refresh(std::wstring& problem) {
  if (!m_phone) return true;
  std::vector<StoredMedia> items;
  if (!m_phone->List(items, problem)) return false;
  std::vector<StoredMedia> before;
  before.swap(m_items);
  for (StoredMedia& item : items) {
    auto known = std::find_if(before.begin(), before.end(),
                              [&](const StoredMedia& old) { return old.identifier == item.identifier; });
    item.key = known != before.end() ? known->key : m_nextKey++;
    m_items.push_back(std::move(item));
  }
  return true;
}

CopyResult MediaLibrary::Export(const StoredMedia& item, const std::filesystem::path& target,
                                const std::function<bool()>& mayContinue, std::string& error) {
  if (m_phone) return m_phone->Pull(item, target, mayContinue, error);
  return CopyFileSafely(FileOf(item), target, mayContinue, error, CopyMode::kPlain);
}

StoredMedia& MediaLibrary::Append(StoredMedia item) {
  item.key = m_nextKey++;
  m_items.push_back(std::move(item));
  return m_items.back();
}

// What the file says of itself goes beside what the phone knows; the file's own title wins over
// an empty one only.
void MediaLibrary::Describe(StoredMedia& item, const MediaCheck& check) const {
  item.sizeBytes = check.sizeBytes;
  item.width = check.width;
  item.height = check.height;
  item.durationMs = check.durationMs;
  if (item.title.empty()) item.title = check.title;
  if (item.artist.empty()) item.artist = check.artist;
  if (item.album.empty()) item.album = check.album;
}

const StoredMedia* MediaLibrary::FindByKey(int64_t key) const {
  for (const StoredMedia& item : m_items)
    if (item.key == key) return &item;
  return nullptr;
}

const StoredMedia* MediaLibrary::FindByIdentifier(const std::wstring& identifier) const {
  for (const StoredMedia& item : m_items)
    if (item.identifier == identifier) return &item;
  return nullptr;
}

bool MediaLibrary::Open(const DemoPhone& phone, const std::filesystem::path& folder, std::string& error) {
  m_folder = folder;
  m_items.clear();
  m_usable = false;
  std::error_code failure;
  std::filesystem::create_directories(folder, failure);
  if (!std::filesystem::is_directory(folder, failure)) {
    error = "cannot make the folder " + folder.u8string();
    return false;
  }
  m_usable = true;
  const bool hadIndex = std::filesystem::exists(folder / m_rules.indexName, failure);
  if (hadIndex) {
    if (!ReadIndex(error)) m_items.clear();
  } else {
    for (const DemoMediaFile& demo : m_rules.demoFiles(phone)) {
      StoredMedia item;
      item.identifier = demo.identifier;
      item.name = demo.name;
      item.format = Lower(demo.format);
      item.phonePath = demo.phonePath;
      item.album = demo.album;
      item.dateCreated = demo.dateCreated;
      item.title = demo.title;
      item.artist = demo.artist;
      Describe(item, m_rules.check(demo.file));
      item.key = m_nextKey;
      item.fileName = std::to_wstring(item.key) + item.format;
      std::string copyError;
      if (CopyFileSafely(demo.file, FileOf(item), nullptr, copyError) != CopyResult::kCopied) {
        error = "a demo file could not be copied: " + copyError;
        continue;
      }
      Append(std::move(item));
    }
  }
  AdoptUnlisted();
  std::string persistError;
  if (!hadIndex && !Persist(persistError)) error = persistError;
  OnOpened(phone, !hadIndex);
  return true;
}

bool MediaLibrary::OpenGenerated(const std::filesystem::path& folder, const std::vector<std::filesystem::path>& files,
                                 size_t count, std::string& error) {
  m_folder = folder;
  m_items.clear();
  std::error_code failure;
  std::filesystem::create_directories(folder, failure);
  m_usable = std::filesystem::is_directory(folder, failure);
  if (!m_usable || files.empty()) {
    error = "no folder or no files";
    return false;
  }
  std::vector<MediaCheck> checks;
  for (const auto& file : files) checks.push_back(m_rules.check(file));
  m_items.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const size_t which = i % files.size();
    StoredMedia item;
    item.identifier = L"g" + std::to_wstring(i + 1);
    item.name = m_rules.generatedPrefix + std::to_wstring(20240000 + i);
    item.format = FormatOf(m_rules, files[which], checks[which]);
    item.phonePath = m_rules.phoneFolder + item.name + item.format;
    item.album = m_rules.album;
    item.dateCreated = L"2024-05-" + std::to_wstring(10 + i % 20) + L" 12:" + std::to_wstring(10 + i % 50);
    Describe(item, checks[which]);
    if (!item.title.empty()) item.title += L" " + std::to_wstring(i + 1);
    item.key = m_nextKey;
    item.fileName = std::to_wstring(item.key) + item.format;
    const std::filesystem::path target = FileOf(item);
    if (!std::filesystem::exists(target, failure)) std::filesystem::copy_file(files[which], target, failure);
    Append(std::move(item));
  }
  return Persist(error);
}

bool MediaLibrary::ReadIndex(std::string& error) {
  const SavedCopy copy =
      OpenSavedCopy(m_folder / m_rules.indexName, m_rules.listName, [this](std::istream& in, std::string& problem) {
        try {
          const json index = json::parse(in);
          if (index.at("format").get<int>() != kIndexFormat) {
            problem = "an index of another version";
            return false;
          }
          m_nextKey = std::max<int64_t>(1, index.at("nextKey").get<int64_t>());
          for (const json& value : index.at(m_rules.listName)) {
            StoredMedia item = FromJson(value);
            m_nextKey = std::max(m_nextKey, item.key + 1);
            m_items.push_back(std::move(item));
          }
          return true;
        } catch (const std::exception& failure) {
          problem = failure.what();
          return false;
        }
      });
  if (!copy.error.empty()) error = copy.error;
  if (!copy.blocked.empty()) {
    // An index that can be neither read nor moved aside is never written over.
    m_usable = false;
    error = copy.blocked;
  }
  return copy.whole;
}

// A file in the folder that the index does not name is one the phone holds all the same: an
// add whose index write never happened, or an index that was lost.
void MediaLibrary::AdoptUnlisted() {
  std::error_code failure;
  std::vector<std::wstring> listed;
  for (const StoredMedia& item : m_items) listed.push_back(Lower(item.fileName));
  bool adopted = false;
  for (const auto& entry : std::filesystem::directory_iterator(m_folder, failure)) {
    if (!entry.is_regular_file(failure)) continue;
    const std::wstring name = NameOfPath(entry.path());
    if (name.empty() || name[0] == L'.' || !m_rules.isKindExtension(NameOfPath(entry.path().extension()))) continue;
    if (std::find(listed.begin(), listed.end(), Lower(name)) != listed.end()) continue;
    const MediaCheck check = m_rules.check(entry.path());
    if (!check.ok()) continue;
    StoredMedia item;
    item.format = FormatOf(m_rules, entry.path(), check);
    item.name = name.substr(0, name.size() - NameOfPath(entry.path().extension()).size());
    item.fileName = name;
    item.phonePath = m_rules.phoneFolder + name;
    item.album = m_rules.album;
    Describe(item, check);
    StoredMedia& kept = Append(std::move(item));
    // A file naming an identifier already listed (a replacement whose index write never
    // happened) is kept under a made one rather than beside its namesake.
    const bool taken = !check.identifier.empty() && FindByIdentifier(check.identifier) != nullptr;
    kept.identifier = check.identifier.empty() || taken ? L"a" + std::to_wstring(kept.key) : check.identifier;
    adopted = true;
  }
  std::string error;
  if (adopted) Persist(error);
}

bool MediaLibrary::Persist(std::string& error) {
  if (!m_usable) {
    error = "the " + WideToUtf8(m_rules.noun) + " cannot be kept on this PC";
    return false;
  }
  json items = json::array();
  for (const StoredMedia& item : m_items) items.push_back(ToJson(item));
  const json index{{"format", kIndexFormat}, {"nextKey", m_nextKey}, {m_rules.listName, std::move(items)}};
  SafeFileWriter writer(m_folder / m_rules.indexName, SafeFileWriter::Replace::kAllow);
  if (writer.Open() && writer.Write(index.dump(1)) && writer.Commit()) return true;
  error = writer.Error();
  return false;
}

bool MediaLibrary::Add(const std::filesystem::path& source, const std::wstring& dateCreated,
                       const std::function<bool()>& mayContinue, StoredMedia& added, std::wstring& problem,
                       bool& stopped, bool* replaced) {
  stopped = false;
  if (replaced != nullptr) *replaced = false;
  if (m_phone) {
    if (!m_phone->Add(source, mayContinue, added, problem, stopped)) return false;
    const auto kept = std::remove_if(m_items.begin(), m_items.end(),
                                     [&](const StoredMedia& item) { return item.identifier == added.identifier; });
    if (replaced != nullptr) *replaced = kept != m_items.end();
    m_items.erase(kept, m_items.end());
    added = Append(std::move(added));
    return true;
  }
  const std::wstring fileName = NameOfPath(source);
  if (!m_usable) {
    problem = fileName + L": the " + m_rules.noun + L" cannot be kept on this PC.";
    return false;
  }
  const MediaCheck check = m_rules.check(source);
  if (!check.ok()) {
    problem = fileName + L": " + WideOf(check.problem) + L".";
    return false;
  }
  StoredMedia item;
  item.format = FormatOf(m_rules, source, check);
  item.name = fileName.substr(0, fileName.size() - NameOfPath(source.extension()).size());
  if (item.name.empty()) item.name = m_rules.fallbackName;
  item.phonePath = m_rules.phoneFolder + item.name + item.format;
  item.album = m_rules.album;
  item.dateCreated = dateCreated;
  Describe(item, check);
  if (!check.album.empty()) item.album = check.album;
  item.key = m_nextKey;
  // A new file name even for an item replaced: the old file stays until the new one is whole.
  item.fileName = std::to_wstring(item.key) + item.format;
  item.identifier = check.identifier.empty() ? L"a" + std::to_wstring(item.key) : check.identifier;
  auto old = std::find_if(m_items.begin(), m_items.end(),
                          [&](const StoredMedia& held) { return held.identifier == item.identifier; });
  std::string error;
  switch (CopyFileSafely(source, FileOf(item), mayContinue, error)) {
    case CopyResult::kCopied:
      break;
    case CopyResult::kStopped:
      stopped = true;
      problem = fileName + L": not copied.";
      return false;
    default:
      problem = fileName + L": cannot be copied (" + WideOf(error) + L").";
      return false;
  }
  if (old == m_items.end()) {
    added = Append(std::move(item));
    if (!Persist(error)) {
      // The file is on the phone all the same; the next start takes it in again.
      problem = fileName + L": added, but the list could not be kept on this PC (" + WideOf(error) + L").";
    }
    return true;
  }
  ++m_nextKey;
  const StoredMedia before = *old;
  item.key = before.key;      // exports and the panes' rows name it by its key
  item.album = before.album;  // a system app updated stays the system's, where it was
  item.phonePath = before.phonePath;
  *old = item;
  added = item;
  if (replaced != nullptr) *replaced = true;
  if (!Persist(error)) {
    // The index on this PC still names the old file, which is therefore kept.
    problem = fileName + L": updated, but the list could not be kept on this PC (" + WideOf(error) + L").";
    return true;
  }
  std::error_code failure;
  std::filesystem::remove(FileOf(before), failure);
  return true;
}

bool MediaLibrary::Remove(const std::wstring& identifier, std::wstring& problem) {
  auto it = std::find_if(m_items.begin(), m_items.end(),
                         [&](const StoredMedia& item) { return item.identifier == identifier; });
  if (it == m_items.end()) {
    problem = L"A item was no longer on the phone.";
    return false;
  }
  if (m_phone) {
    if (!m_phone->Remove(*it, problem)) return false;
    m_items.erase(it);
    return true;
  }
  if (!m_usable) {
    problem = it->name + it->format + L": the " + m_rules.noun + L" cannot be changed on this PC.";
    return false;
  }
  std::error_code failure;
  const std::filesystem::path file = FileOf(*it);
  if (!std::filesystem::remove(file, failure) && std::filesystem::exists(file)) {
    problem = it->name + it->format + L": cannot be deleted (" + WideOf(failure.message()) + L").";
    return false;
  }
  const StoredMedia gone = *it;
  m_items.erase(it);
  std::string error;
  if (!Persist(error))
    problem = gone.name + gone.format + L": deleted, but the list could not be kept (" + WideOf(error) + L").";
  return true;
}
