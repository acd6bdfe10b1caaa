// One phone's photos as real picture files, kept in the phone's folder of the per-user storage
// with an index of what the phone knows about each (name, album, date, size in pixels). The
// first time a demo phone is opened its shipped pictures are copied in; from then on the folder
// is the phone's gallery and the shipped files are never written. Plain code: no window, no
// thread of its own; the caller serialises the calls.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "modules/courier/DemoData.h"

struct StoredPhoto {
  int64_t key = 0;          // stable for the phone's lifetime; the export record's number
  std::wstring identifier;  // the phone's id of the picture
  std::wstring name;        // file name on the phone, without its extension
  std::wstring format;      // extension with its dot, lower case: ".jpg"
  std::wstring phonePath;
  std::wstring album;
  std::wstring dateCreated;  // "YYYY-MM-DD HH:MM"
  std::wstring fileName;     // the picture's file in the library folder
  int64_t sizeBytes = 0;
  uint32_t width = 0;
  uint32_t height = 0;
};

// A path from a wide name, also where paths are narrow (the native test build).
std::filesystem::path PathOfWide(const std::wstring& name);

// Copies `from` to `to`, which is never overwritten (kTargetExists). `mayContinue` is asked as
// the copy goes; when it answers false the copy is abandoned and nothing of it is left. With
// `whole` the copy goes to a temporary name renamed into place only when complete, so not even
// a killed process leaves part of it under `to` (the phone's own files); without it the copy
// is the system's plain one, as fast as any (exports, where a file at a time is the user's to see).
enum class CopyResult { kCopied, kFailed, kStopped, kTargetExists };
enum class CopyMode { kWhole, kPlain };
CopyResult CopyFileSafely(const std::filesystem::path& from, const std::filesystem::path& to,
                          const std::function<bool()>& mayContinue, std::string& error,
                          CopyMode mode = CopyMode::kWhole);

class PhotoLibrary {
 public:
  // Opens the library in `folder` (made when missing). The first time, `phone`'s pictures are
  // copied in. Pictures the index misses (an add cut short by the process's end, an index that
  // could not be read) are taken in again. False with `error` when the folder cannot be used;
  // the library is then empty and refuses changes.
  bool Open(const DemoPhone& phone, const std::filesystem::path& folder, std::string& error);
  // Test and benchmark support: an index of `count` copies of the pictures in `pictures`.
  bool OpenGenerated(const std::filesystem::path& folder, const std::vector<std::filesystem::path>& pictures,
                     size_t count, std::string& error);

  const std::vector<StoredPhoto>& Photos() const { return m_photos; }
  const StoredPhoto* FindByKey(int64_t key) const;
  const StoredPhoto* FindByIdentifier(const std::wstring& identifier) const;
  std::filesystem::path FileOf(const StoredPhoto& photo) const { return m_folder / PathOfWide(photo.fileName); }
  bool Usable() const { return m_usable; }

  // Checks and copies the picture at `source` in. False with `problem` (for the user) when it is
  // no whole picture, cannot be copied, or the copy was stopped (`stopped` set).
  bool Add(const std::filesystem::path& source, const std::wstring& dateCreated,
           const std::function<bool()>& mayContinue, StoredPhoto& added, std::wstring& problem, bool& stopped);
  // Removes the photo and its file. False with `problem` when it is not there or cannot go.
  bool Remove(const std::wstring& identifier, std::wstring& problem);

 private:
  bool ReadIndex(std::string& error);
  bool Persist(std::string& error);
  void AdoptUnlisted();
  StoredPhoto& Append(StoredPhoto photo);

  std::filesystem::path m_folder;
  std::vector<StoredPhoto> m_photos;
  int64_t m_nextKey = 1;
  bool m_usable = false;
};
