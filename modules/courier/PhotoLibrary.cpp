#include "modules/courier/PhotoLibrary.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#endif
#include <cwctype>
#include <fstream>
#include <nlohmann/json.hpp>
#include <system_error>

#include "modules/courier/SafeFile.h"
#include "modules/courier/formats/ImageCheck.h"

using nlohmann::json;

namespace {

const wchar_t kIndexName[] = L"photos.json";
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

json ToJson(const StoredPhoto& photo) {
  return json{{"key", photo.key},
              {"id", WideToUtf8(photo.identifier)},
              {"name", WideToUtf8(photo.name)},
              {"format", WideToUtf8(photo.format)},
              {"phonePath", WideToUtf8(photo.phonePath)},
              {"album", WideToUtf8(photo.album)},
              {"dateCreated", WideToUtf8(photo.dateCreated)},
              {"file", WideToUtf8(photo.fileName)},
              {"sizeBytes", photo.sizeBytes},
              {"width", photo.width},
              {"height", photo.height}};
}

StoredPhoto FromJson(const json& value) {
  StoredPhoto photo;
  photo.key = value.at("key").get<int64_t>();
  photo.identifier = WideOf(value.at("id").get<std::string>());
  photo.name = WideOf(value.at("name").get<std::string>());
  photo.format = WideOf(value.at("format").get<std::string>());
  photo.phonePath = WideOf(value.at("phonePath").get<std::string>());
  photo.album = WideOf(value.at("album").get<std::string>());
  photo.dateCreated = WideOf(value.at("dateCreated").get<std::string>());
  photo.fileName = WideOf(value.at("file").get<std::string>());
  photo.sizeBytes = value.at("sizeBytes").get<int64_t>();
  photo.width = value.at("width").get<uint32_t>();
  photo.height = value.at("height").get<uint32_t>();
  return photo;
}

// The extension a picture keeps: its own when it is a picture's, else the one of what it holds.
std::wstring FormatOf(const std::filesystem::path& source, ImageFormat format) {
  const std::wstring extension = Lower(NameOfPath(source.extension()));
  return IsImageFileExtension(extension) ? extension : std::wstring(ExtensionOfFormat(format));
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

StoredPhoto& PhotoLibrary::Append(StoredPhoto photo) {
  photo.key = m_nextKey++;
  m_photos.push_back(std::move(photo));
  return m_photos.back();
}

const StoredPhoto* PhotoLibrary::FindByKey(int64_t key) const {
  for (const StoredPhoto& photo : m_photos)
    if (photo.key == key) return &photo;
  return nullptr;
}

const StoredPhoto* PhotoLibrary::FindByIdentifier(const std::wstring& identifier) const {
  for (const StoredPhoto& photo : m_photos)
    if (photo.identifier == identifier) return &photo;
  return nullptr;
}

bool PhotoLibrary::Open(const DemoPhone& phone, const std::filesystem::path& folder, std::string& error) {
  m_folder = folder;
  m_photos.clear();
  m_usable = false;
  std::error_code failure;
  std::filesystem::create_directories(folder, failure);
  if (!std::filesystem::is_directory(folder, failure)) {
    error = "cannot make the folder " + folder.u8string();
    return false;
  }
  m_usable = true;
  const bool hadIndex = std::filesystem::exists(folder / kIndexName, failure);
  if (hadIndex) {
    if (!ReadIndex(error)) m_photos.clear();
  } else {
    for (const DemoPhoto& demo : phone.photos) {
      StoredPhoto photo;
      photo.identifier = demo.identifier;
      photo.name = demo.name;
      photo.format = Lower(demo.format);
      photo.phonePath = demo.phonePath;
      photo.album = demo.album;
      photo.dateCreated = demo.dateCreated;
      const ImageCheck check = CheckImageFile(demo.file);
      photo.sizeBytes = check.sizeBytes;
      photo.width = check.width;
      photo.height = check.height;
      photo.key = m_nextKey;
      photo.fileName = std::to_wstring(photo.key) + photo.format;
      std::string copyError;
      if (CopyFileSafely(demo.file, FileOf(photo), nullptr, copyError) != CopyResult::kCopied) {
        error = "a demo picture could not be copied: " + copyError;
        continue;
      }
      Append(std::move(photo));
    }
  }
  AdoptUnlisted();
  std::string persistError;
  if (!hadIndex && !Persist(persistError)) error = persistError;
  return true;
}

bool PhotoLibrary::OpenGenerated(const std::filesystem::path& folder,
                                 const std::vector<std::filesystem::path>& pictures, size_t count, std::string& error) {
  m_folder = folder;
  m_photos.clear();
  std::error_code failure;
  std::filesystem::create_directories(folder, failure);
  m_usable = std::filesystem::is_directory(folder, failure);
  if (!m_usable || pictures.empty()) {
    error = "no folder or no pictures";
    return false;
  }
  std::vector<ImageCheck> checks;
  for (const auto& picture : pictures) checks.push_back(CheckImageFile(picture));
  m_photos.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const size_t which = i % pictures.size();
    StoredPhoto photo;
    photo.identifier = L"g" + std::to_wstring(i + 1);
    photo.name = L"IMG_" + std::to_wstring(20240000 + i);
    photo.format = ExtensionOfFormat(checks[which].format);
    photo.phonePath = L"/storage/emulated/0/DCIM/Camera/" + photo.name + photo.format;
    photo.album = L"Camera";
    photo.dateCreated = L"2024-05-" + std::to_wstring(10 + i % 20) + L" 12:" + std::to_wstring(10 + i % 50);
    photo.sizeBytes = checks[which].sizeBytes;
    photo.width = checks[which].width;
    photo.height = checks[which].height;
    photo.key = m_nextKey;
    photo.fileName = std::to_wstring(photo.key) + photo.format;
    const std::filesystem::path target = FileOf(photo);
    if (!std::filesystem::exists(target, failure)) std::filesystem::copy_file(pictures[which], target, failure);
    Append(std::move(photo));
  }
  return Persist(error);
}

bool PhotoLibrary::ReadIndex(std::string& error) {
  const SavedCopy copy = OpenSavedCopy(m_folder / kIndexName, "photos", [this](std::istream& in, std::string& problem) {
    try {
      const json index = json::parse(in);
      if (index.at("format").get<int>() != kIndexFormat) {
        problem = "an index of another version";
        return false;
      }
      m_nextKey = std::max<int64_t>(1, index.at("nextKey").get<int64_t>());
      for (const json& value : index.at("photos")) {
        StoredPhoto photo = FromJson(value);
        m_nextKey = std::max(m_nextKey, photo.key + 1);
        m_photos.push_back(std::move(photo));
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

// A picture in the folder that the index does not name is one the phone holds all the same: an
// add whose index write never happened, or an index that was lost.
void PhotoLibrary::AdoptUnlisted() {
  std::error_code failure;
  std::vector<std::wstring> listed;
  for (const StoredPhoto& photo : m_photos) listed.push_back(Lower(photo.fileName));
  bool adopted = false;
  for (const auto& entry : std::filesystem::directory_iterator(m_folder, failure)) {
    if (!entry.is_regular_file(failure)) continue;
    const std::wstring name = NameOfPath(entry.path());
    if (name.empty() || name[0] == L'.' || !IsImageFileExtension(NameOfPath(entry.path().extension()))) continue;
    if (std::find(listed.begin(), listed.end(), Lower(name)) != listed.end()) continue;
    const ImageCheck check = CheckImageFile(entry.path());
    if (!check.ok()) continue;
    StoredPhoto photo;
    photo.format = FormatOf(entry.path(), check.format);
    photo.name = name.substr(0, name.size() - NameOfPath(entry.path().extension()).size());
    photo.fileName = name;
    photo.phonePath = L"/storage/emulated/0/Pictures/" + name;
    photo.album = L"Pictures";
    photo.sizeBytes = check.sizeBytes;
    photo.width = check.width;
    photo.height = check.height;
    StoredPhoto& kept = Append(std::move(photo));
    kept.identifier = L"a" + std::to_wstring(kept.key);
    adopted = true;
  }
  std::string error;
  if (adopted) Persist(error);
}

bool PhotoLibrary::Persist(std::string& error) {
  if (!m_usable) {
    error = "the photos cannot be kept on this PC";
    return false;
  }
  json photos = json::array();
  for (const StoredPhoto& photo : m_photos) photos.push_back(ToJson(photo));
  const json index{{"format", kIndexFormat}, {"nextKey", m_nextKey}, {"photos", std::move(photos)}};
  SafeFileWriter writer(m_folder / kIndexName, SafeFileWriter::Replace::kAllow);
  if (writer.Open() && writer.Write(index.dump(1)) && writer.Commit()) return true;
  error = writer.Error();
  return false;
}

bool PhotoLibrary::Add(const std::filesystem::path& source, const std::wstring& dateCreated,
                       const std::function<bool()>& mayContinue, StoredPhoto& added, std::wstring& problem,
                       bool& stopped) {
  stopped = false;
  const std::wstring fileName = NameOfPath(source);
  if (!m_usable) {
    problem = fileName + L": the photos cannot be kept on this PC.";
    return false;
  }
  const ImageCheck check = CheckImageFile(source);
  if (!check.ok()) {
    problem = fileName + L": " + WideOf(check.problem) + L".";
    return false;
  }
  StoredPhoto photo;
  photo.format = FormatOf(source, check.format);
  photo.name = fileName.substr(0, fileName.size() - NameOfPath(source.extension()).size());
  if (photo.name.empty()) photo.name = L"Picture";
  photo.phonePath = L"/storage/emulated/0/Pictures/" + photo.name + photo.format;
  photo.album = L"Pictures";
  photo.dateCreated = dateCreated;
  photo.sizeBytes = check.sizeBytes;
  photo.width = check.width;
  photo.height = check.height;
  photo.key = m_nextKey;
  photo.fileName = std::to_wstring(photo.key) + photo.format;
  photo.identifier = L"a" + std::to_wstring(photo.key);
  std::string error;
  switch (CopyFileSafely(source, FileOf(photo), mayContinue, error)) {
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
  added = Append(std::move(photo));
  if (!Persist(error)) {
    // The picture is on the phone all the same; the next start takes it in again.
    problem = fileName + L": added, but the list could not be kept on this PC (" + WideOf(error) + L").";
  }
  return true;
}

bool PhotoLibrary::Remove(const std::wstring& identifier, std::wstring& problem) {
  auto it = std::find_if(m_photos.begin(), m_photos.end(),
                         [&](const StoredPhoto& photo) { return photo.identifier == identifier; });
  if (it == m_photos.end()) {
    problem = L"A photo was no longer on the phone.";
    return false;
  }
  if (!m_usable) {
    problem = it->name + it->format + L": the photos cannot be changed on this PC.";
    return false;
  }
  std::error_code failure;
  const std::filesystem::path file = FileOf(*it);
  if (!std::filesystem::remove(file, failure) && std::filesystem::exists(file)) {
    problem = it->name + it->format + L": cannot be deleted (" + WideOf(failure.message()) + L").";
    return false;
  }
  const StoredPhoto gone = *it;
  m_photos.erase(it);
  std::string error;
  if (!Persist(error))
    problem = gone.name + gone.format + L": deleted, but the list could not be kept (" + WideOf(error) + L").";
  return true;
}
