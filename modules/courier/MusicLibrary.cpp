#include "modules/courier/MusicLibrary.h"

#include <algorithm>
#include <cwctype>
#include <nlohmann/json.hpp>

#include "modules/courier/SafeFile.h"
#include "modules/courier/formats/MediaTags.h"

using nlohmann::json;

namespace {

const wchar_t kPlaylistsName[] = L"playlists.json";
constexpr int kPlaylistsFormat = 1;
constexpr size_t kMaxPlaylistName = 100;

std::wstring WideOf(const std::string& utf8) {
  std::wstring wide;
  Utf8ToWide(utf8, wide);
  return wide;
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

// A song is a file with sound in it; one without (a silent video, a text named .mp3) is refused.
MediaCheck CheckSong(const std::filesystem::path& file) {
  const MediaTags tags = ReadMediaFile(file);
  MediaCheck check;
  check.extension = tags.extension;
  check.sizeBytes = tags.sizeBytes;
  check.durationMs = tags.durationMs;
  check.title = tags.title;
  check.artist = tags.artist;
  check.album = tags.album;
  check.problem = tags.problem;
  if (check.ok() && !tags.hasAudio) check.problem = "there is no sound in it";
  return check;
}

bool IsSongExtension(const std::wstring& extension) {
  static const wchar_t* const kKnown[] = {L".mp3",  L".m4a", L".mp4", L".aac", L".3gp", L".ts",
                                          L".flac", L".mid", L".ogg", L".mkv", L".wav", L".webm"};
  const std::wstring lower = Lower(extension);
  return std::any_of(std::begin(kKnown), std::end(kKnown), [&](const wchar_t* known) { return lower == known; });
}

std::wstring NameOfPhonePath(const std::wstring& phonePath, const std::wstring& format) {
  const size_t slash = phonePath.rfind(L'/');
  std::wstring name = phonePath.substr(slash == std::wstring::npos ? 0 : slash + 1);
  if (name.size() > format.size()) name.resize(name.size() - format.size());
  return name;
}

std::wstring ExtensionOfPath(const std::wstring& path) {
  const size_t dot = path.rfind(L'.');
  const size_t slash = path.rfind(L'/');
  return dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash) ? std::wstring() : path.substr(dot);
}

std::vector<DemoMediaFile> DemoSongs(const DemoPhone& phone) {
  std::vector<DemoMediaFile> files;
  for (const DemoSong& song : phone.songs) {
    if (song.file.empty()) continue;  // a song the data names without a file: not on the phone
    DemoMediaFile file;
    file.identifier = song.identifier;
    file.format = ExtensionOfPath(song.phonePath);
    file.name = NameOfPhonePath(song.phonePath, file.format);
    file.phonePath = song.phonePath;
    file.album = song.album;
    file.title = song.title;
    file.artist = song.artist;
    file.file = song.file;
    files.push_back(std::move(file));
  }
  return files;
}

}  // namespace

const MediaKindRules kMusicRules = {
    L"music.json", "songs",         L"songs", L"/storage/emulated/0/Music/", L"", L"Song", L"Track ",
    CheckSong,     IsSongExtension, DemoSongs};

const StoredPlaylist* MusicLibrary::FindPlaylist(const std::wstring& identifier) const {
  for (const StoredPlaylist& playlist : m_playlists)
    if (playlist.identifier == identifier) return &playlist;
  return nullptr;
}

StoredPlaylist* MusicLibrary::Find(const std::wstring& identifier) {
  return const_cast<StoredPlaylist*>(FindPlaylist(identifier));
}

void MusicLibrary::OnOpened(const DemoPhone& phone, bool firstOpen) {
  m_playlists.clear();
  const std::filesystem::path path = Folder() / kPlaylistsName;
  std::error_code failure;
  if (firstOpen || !std::filesystem::exists(path, failure)) {
    for (const DemoPlaylist& demo : phone.playlists) m_playlists.push_back({demo.identifier, demo.name, demo.songs});
  } else {
    const SavedCopy copy = OpenSavedCopy(path, "playlists", [this](std::istream& in, std::string& problem) {
      try {
        const json saved = json::parse(in);
        if (saved.at("format").get<int>() != kPlaylistsFormat) {
          problem = "playlists of another version";
          return false;
        }
        m_nextPlaylist = std::max<int64_t>(1, saved.at("next").get<int64_t>());
        for (const json& value : saved.at("playlists")) {
          StoredPlaylist playlist;
          playlist.identifier = WideOf(value.at("id").get<std::string>());
          playlist.name = WideOf(value.at("name").get<std::string>());
          for (const json& song : value.at("songs")) playlist.songs.push_back(WideOf(song.get<std::string>()));
          m_playlists.push_back(std::move(playlist));
        }
        return true;
      } catch (const std::exception& bad) {
        problem = bad.what();
        m_playlists.clear();
        return false;
      }
    });
    m_playlistsWritable = copy.blocked.empty();
  }
  DropUnknownSongs();
  std::wstring ignored;
  SavePlaylists(ignored);
}

// A playlist keeps only songs the phone holds, each once.
void MusicLibrary::DropUnknownSongs() {
  for (StoredPlaylist& playlist : m_playlists) {
    std::vector<std::wstring> kept;
    for (const std::wstring& song : playlist.songs)
      if (FindByIdentifier(song) != nullptr && std::find(kept.begin(), kept.end(), song) == kept.end())
        kept.push_back(song);
    playlist.songs = std::move(kept);
  }
}

bool MusicLibrary::SavePlaylists(std::wstring& problem) {
  if (OnPhone()) {
    // A phone's playlists live in its own music app, which adb cannot reach.
    problem = L"The playlists of this phone cannot be changed from the PC.";
    return false;
  }
  if (!Usable() || !m_playlistsWritable) {
    problem = L"The playlists cannot be kept on this PC.";
    return false;
  }
  json playlists = json::array();
  for (const StoredPlaylist& playlist : m_playlists) {
    json songs = json::array();
    for (const std::wstring& song : playlist.songs) songs.push_back(WideToUtf8(song));
    playlists.push_back(
        {{"id", WideToUtf8(playlist.identifier)}, {"name", WideToUtf8(playlist.name)}, {"songs", std::move(songs)}});
  }
  const json saved{{"format", kPlaylistsFormat}, {"next", m_nextPlaylist}, {"playlists", std::move(playlists)}};
  SafeFileWriter writer(Folder() / kPlaylistsName, SafeFileWriter::Replace::kAllow);
  if (writer.Open() && writer.Write(saved.dump(1)) && writer.Commit()) return true;
  problem = L"The playlists could not be kept on this PC (" + WideOf(writer.Error()) + L").";
  return false;
}

namespace {

// A name the phone takes: not empty, not too long, no line breaks.
bool CheckName(const std::wstring& name, std::wstring& problem) {
  if (name.empty() || name.find_first_not_of(L" \t") == std::wstring::npos) {
    problem = L"A playlist needs a name.";
    return false;
  }
  if (name.size() > kMaxPlaylistName || name.find_first_of(L"\r\n") != std::wstring::npos) {
    problem = L"A playlist name is one line of at most 100 characters.";
    return false;
  }
  return true;
}

}  // namespace

bool MusicLibrary::CreatePlaylist(const std::wstring& name, StoredPlaylist& created, std::wstring& problem) {
  if (!CheckName(name, problem)) return false;
  for (const StoredPlaylist& playlist : m_playlists)
    if (Lower(playlist.name) == Lower(name)) {
      problem = L"There is a playlist \"" + playlist.name + L"\" already.";
      return false;
    }
  StoredPlaylist playlist{L"u" + std::to_wstring(m_nextPlaylist++), name, {}};
  m_playlists.push_back(playlist);
  if (!SavePlaylists(problem)) {
    m_playlists.pop_back();
    return false;
  }
  created = playlist;
  return true;
}

bool MusicLibrary::RenamePlaylist(const std::wstring& identifier, const std::wstring& name, std::wstring& problem) {
  StoredPlaylist* playlist = Find(identifier);
  if (playlist == nullptr) {
    problem = L"The playlist is no longer on the phone.";
    return false;
  }
  if (!CheckName(name, problem)) return false;
  const std::wstring old = playlist->name;
  playlist->name = name;
  if (SavePlaylists(problem)) return true;
  playlist->name = old;
  return false;
}

bool MusicLibrary::DeletePlaylist(const std::wstring& identifier, std::wstring& problem) {
  auto it = std::find_if(m_playlists.begin(), m_playlists.end(),
                         [&](const StoredPlaylist& p) { return p.identifier == identifier; });
  if (it == m_playlists.end()) {
    problem = L"The playlist is no longer on the phone.";
    return false;
  }
  const StoredPlaylist gone = *it;
  const size_t at = static_cast<size_t>(it - m_playlists.begin());
  m_playlists.erase(it);
  if (SavePlaylists(problem)) return true;
  m_playlists.insert(m_playlists.begin() + static_cast<std::ptrdiff_t>(at), gone);
  return false;
}

std::vector<std::wstring> MusicLibrary::AddToPlaylist(const std::wstring& identifier,
                                                      const std::vector<std::wstring>& songs, std::wstring& problem) {
  std::vector<std::wstring> added;
  StoredPlaylist* playlist = Find(identifier);
  if (playlist == nullptr) {
    problem = L"The playlist is no longer on the phone.";
    return added;
  }
  for (const std::wstring& song : songs) {
    if (FindByIdentifier(song) == nullptr) continue;
    if (std::find(playlist->songs.begin(), playlist->songs.end(), song) != playlist->songs.end()) continue;
    playlist->songs.push_back(song);
    added.push_back(song);
  }
  if (!added.empty() && !SavePlaylists(problem)) {
    playlist->songs.resize(playlist->songs.size() - added.size());
    added.clear();
  }
  return added;
}

bool MusicLibrary::RemoveFromPlaylist(const std::wstring& identifier, const std::wstring& song, std::wstring& problem) {
  StoredPlaylist* playlist = Find(identifier);
  if (playlist == nullptr) {
    problem = L"The playlist is no longer on the phone.";
    return false;
  }
  auto it = std::find(playlist->songs.begin(), playlist->songs.end(), song);
  if (it == playlist->songs.end()) return false;
  const size_t at = static_cast<size_t>(it - playlist->songs.begin());
  playlist->songs.erase(it);
  if (SavePlaylists(problem)) return true;
  playlist->songs.insert(playlist->songs.begin() + static_cast<std::ptrdiff_t>(at), song);
  return false;
}

std::vector<std::wstring> MusicLibrary::DropSong(const std::wstring& song) {
  std::vector<std::wstring> left;
  for (StoredPlaylist& playlist : m_playlists) {
    auto it = std::find(playlist.songs.begin(), playlist.songs.end(), song);
    if (it == playlist.songs.end()) continue;
    playlist.songs.erase(it);
    left.push_back(playlist.identifier);
  }
  std::wstring problem;
  if (!left.empty()) SavePlaylists(problem);  // at the next start the song is dropped again anyway
  return left;
}
