// One phone's files of one media kind (photos, songs, videos, books, app packages), kept in the
// phone's folder of the per-user storage with an index of what the phone knows about each. The
// first time a demo phone is opened its shipped files are copied in; from then on the folder is
// the phone's and the shipped files are never written. A kind plugs in only its rules: how its
// files are checked and read, and where its demo files come from. Plain code: no window, no
// thread of its own; the caller serialises the calls.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "modules/courier/DemoData.h"

struct StoredMedia {
  int64_t key = 0;          // stable for the phone's lifetime; the export record's number
  std::wstring identifier;  // the phone's id of the file
  std::wstring name;        // file name on the phone, without its extension
  std::wstring format;      // extension with its dot, lower case: ".jpg"
  std::wstring phonePath;
  std::wstring album;
  std::wstring dateCreated;  // "YYYY-MM-DD HH:MM"
  std::wstring fileName;     // the file in the library folder
  int64_t sizeBytes = 0;
  uint32_t width = 0;  // pictures and videos
  uint32_t height = 0;
  std::wstring title;  // songs, videos, books: the file's own title ("" when it has none)
  std::wstring artist;
  int64_t durationMs = 0;
  std::wstring version;      // apps listed by a phone that tells it; else read from the package
  int64_t versionCode = -1;  // apps listed by a phone: with the package, what its label is kept by
};

// What a kind's reader found in a file: whether it is a whole file of the kind, and what it says
// of itself.
struct MediaCheck {
  std::wstring extension;  // the extension of what it holds (".mp3"); "" when not known
  int64_t sizeBytes = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  int64_t durationMs = 0;
  std::wstring title;
  std::wstring artist;
  std::wstring album;
  // The phone's id the file names for itself (an app's package); empty: the library makes one.
  std::wstring identifier;
  std::string problem;  // empty: a whole file of the kind; else one line for the user, in UTF-8
  bool ok() const { return problem.empty(); }
};

// A file shipped with a demo phone, with what the phone knows of it.
struct DemoMediaFile {
  std::wstring identifier;
  std::wstring name;    // on the phone, without its extension
  std::wstring format;  // ".mp3"
  std::wstring phonePath;
  std::wstring album;
  std::wstring dateCreated;
  std::wstring title;
  std::wstring artist;
  std::filesystem::path file;
};

struct MediaKindRules {
  const wchar_t* indexName;        // L"photos.json"
  const char* listName;            // the index's array: "photos"
  const wchar_t* noun;             // for texts: L"photos"
  const wchar_t* phoneFolder;      // where an added file goes on the phone, with its final slash
  const wchar_t* album;            // of added files
  const wchar_t* fallbackName;     // for a file whose name is only an extension
  const wchar_t* generatedPrefix;  // names of generated libraries: L"IMG_"
  MediaCheck (*check)(const std::filesystem::path& file);
  bool (*isKindExtension)(const std::wstring& extension);  // any case
  std::vector<DemoMediaFile> (*demoFiles)(const DemoPhone& phone);
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

// A phone's own files of one kind, reached through the phone (adb): what a library does with
// its folder, done on the phone instead. Called on the library's thread only.
class PhoneMediaStore {
 public:
  virtual ~PhoneMediaStore() = default;
  virtual bool List(std::vector<StoredMedia>& items, std::wstring& problem) = 0;
  // Puts the file at `source` on the phone; `added` is what the phone now lists for it.
  virtual bool Add(const std::filesystem::path& source, const std::function<bool()>& mayContinue, StoredMedia& added,
                   std::wstring& problem, bool& stopped) = 0;
  virtual bool Remove(const StoredMedia& item, std::wstring& problem) = 0;
  virtual CopyResult Pull(const StoredMedia& item, const std::filesystem::path& target,
                          const std::function<bool()>& mayContinue, std::string& error) = 0;
};

class MediaLibrary {
 public:
  explicit MediaLibrary(const MediaKindRules& rules) : m_rules(rules) {}
  virtual ~MediaLibrary() = default;
  MediaLibrary(const MediaLibrary&) = delete;
  MediaLibrary& operator=(const MediaLibrary&) = delete;

  // Opens the library in `folder` (made when missing). The first time, `phone`'s files are
  // copied in. Files the index misses (an add cut short by the process's end, an index that
  // could not be read) are taken in again. False with `error` when the folder cannot be used;
  // the library is then empty and refuses changes.
  bool Open(const DemoPhone& phone, const std::filesystem::path& folder, std::string& error);
  // Test and benchmark support: an index of `count` copies of the files in `files`.
  bool OpenGenerated(const std::filesystem::path& folder, const std::vector<std::filesystem::path>& files, size_t count,
                     std::string& error);

  const MediaKindRules& Rules() const { return m_rules; }
  const std::vector<StoredMedia>& Items() const { return m_items; }
  const StoredMedia* FindByKey(int64_t key) const;
  const StoredMedia* FindByIdentifier(const std::wstring& identifier) const;
  std::filesystem::path FileOf(const StoredMedia& item) const { return m_folder / PathOfWide(item.fileName); }
  const std::filesystem::path& Folder() const { return m_folder; }
  bool Usable() const { return m_usable; }

  // Checks and copies the file at `source` in. False with `problem` (for the user) when it is
  // no whole file of the kind, cannot be copied, or the copy was stopped (`stopped` set). A file
  // that names the identifier of an item already here (an app installed again) takes that
  // item's place, which keeps its key and album; `replaced` is then set.
  bool Add(const std::filesystem::path& source, const std::wstring& dateCreated,
           const std::function<bool()>& mayContinue, StoredMedia& added, std::wstring& problem, bool& stopped,
           bool* replaced = nullptr);
  // Removes the item and its file. False with `problem` when it is not there or cannot go.
  bool Remove(const std::wstring& identifier, std::wstring& problem);
  // Reads the list again from a phone that keeps its files itself; false with `problem` for
  // the user when that failed. A library kept on this PC is always up to date.
  bool Refresh(std::wstring& problem);
  // Copies the item's file to `target`, which is never overwritten (kTargetExists).
  CopyResult Export(const StoredMedia& item, const std::filesystem::path& target,
                    const std::function<bool()>& mayContinue, std::string& error);

  // The library of a phone that keeps its files itself: every list, add, delete and copy goes
  // to `phone`; nothing is kept on this PC.
  void OpenOnPhone(std::unique_ptr<PhoneMediaStore> phone);
  bool OnPhone() const { return m_phone != nullptr; }

 protected:
  // A kind's own state kept beside its files (music's playlists), read after the index; the
  // first open of a demo phone's library gets the phone to seed it from.
  virtual void OnOpened(const DemoPhone& phone, bool firstOpen) {
    (void)phone;
    (void)firstOpen;
  }

 private:
  bool ReadIndex(std::string& error);
  bool Persist(std::string& error);
  void AdoptUnlisted();
  StoredMedia& Append(StoredMedia item);
  void Describe(StoredMedia& item, const MediaCheck& check) const;

  const MediaKindRules& m_rules;
  std::unique_ptr<PhoneMediaStore> m_phone;
  std::filesystem::path m_folder;
  std::vector<StoredMedia> m_items;
  int64_t m_nextKey = 1;
  bool m_usable = false;
};
