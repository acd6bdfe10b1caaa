// A real phone's photos, music, videos, books and apps through Debian's adb server and the
// stand-in phone, which holds real files and keeps its media provider and package manager in
// step with them: the device service lists each kind with its count, exports byte for byte,
// adds, deletes, installs and uninstalls with effects the phone then lists, and ends with a
// clear text (and no half file) when the phone lies or is unplugged mid-pull.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/CommandRecord.h"
#include "contracts/DeviceRecord.h"
#include "contracts/MediaRecords.h"
#include "contracts/PhotoRecords.h"
#include "modules/courier/adb/AdbClient.h"
#include "tests/adb/AdbTestSupport.h"
#include "tests/courier/CourierTestSupport.h"
#include "tests/harness/ModuleHarness.h"

namespace {

constexpr DWORD kWaitMs = 15000;

// The files the product ships beside libCourier, which the stand-in phone was filled from.
std::filesystem::path ShippedFile(const wchar_t* folder, const wchar_t* name) {
  wchar_t exe[MAX_PATH * 2] = {};
  GetModuleFileNameW(nullptr, exe, sizeof(exe) / sizeof(exe[0]));
  return std::filesystem::path(exe).parent_path().parent_path() / L"product" / L"plugins" / L"Courier" / folder / name;
}

std::string Bytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

// One listed item as the panes get it.
struct Listed {
  std::wstring identifier;
  std::wstring name;
  std::wstring title;
  std::wstring source;
  std::wstring format;
  std::wstring version;
  int64_t number = 0;
  bool system = false;
};

class AdbMedia : public ::testing::Test {
 protected:
  void SetUp() override {
    m_ports = StandinPorts();
    const std::string port = Environment("ANDROID_ADB_SERVER_PORT");
    if (m_ports.empty() || port.empty()) GTEST_SKIP() << "run through the adb test command";
    m_client = std::make_unique<AdbClient>(static_cast<uint16_t>(std::atoi(port.c_str())));
    m_dataFile = WriteFile(L"adb-media-no-phones.json", "{\"format\": 1, \"phones\": []}");
    SetEnvironmentVariableW(L"ZORVANE_DEMO_DATA", m_dataFile.c_str());
    // A state folder of its own: the labels read from the phone's packages start unknown.
    m_state = std::filesystem::path(TempFolder()) / L"adb-media-state";
    std::error_code cleared;
    std::filesystem::remove_all(m_state, cleared);
    SetEnvironmentVariableW(L"ZORVANE_DEMO_STATE", m_state.c_str());
    m_folder = std::filesystem::path(TempFolder()) / L"adb-media-export";
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
    std::filesystem::create_directories(m_folder);
    m_harness = std::make_unique<ModuleHarness>();
    ASSERT_TRUE(m_harness->Load(ModuleHarness::PluginPath(L"libCourier")));
    m_harness->SetHook(kCourierAddDevice, [](CommandRecord& record) {
      std::free(reinterpret_cast<wchar_t*>(static_cast<intptr_t>(record.value)));
      return 0;
    });
    m_harness->SetHook(kCourierScanUsbDevice, [this](CommandRecord& record) {
      std::lock_guard<std::mutex> lock(m_lock);
      if (record.entries == 22) m_ready.push_back(static_cast<const wchar_t*>(record.payload));
      return 0;
    });
    for (const char* name : {kCourierDoContact, kCourierDoSms})
      m_harness->SetHook(name, [](CommandRecord& record) {
        std::free(record.payload);  // counts only: no item
        return 0;
      });
    for (const char* name : {kCourierDoPhoto, kCourierDoMusic, kCourierDoVideo, kCourierDoEbook, kCourierDoApp})
      m_harness->SetHook(name, [this](CommandRecord& record) { return Take(record); });
    m_harness->SetHook(kCourierDoFile, [](CommandRecord& record) {
      std::free(record.payload);
      return 0;
    });
    m_ends.Attach(*m_harness);
    Start(*m_harness);
    ASSERT_TRUE(m_harness->WaitForPost(kCourierReadyStartServer, kWaitMs));
    CommandRecord echo;
    echo.value = 1;
    m_harness->Send(kCourierReadyStartServer, echo);
  }

  void TearDown() override {
    if (m_harness) {
      Destroy(*m_harness);
      m_harness.reset();
    }
    for (const std::string& serial : m_connected) Host("host:disconnect:" + serial);
    SetEnvironmentVariableW(L"ZORVANE_DEMO_DATA", nullptr);
    SetEnvironmentVariableW(L"ZORVANE_DEMO_STATE", nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
    std::filesystem::remove_all(m_state, ignored);
  }

  // Load batches are kept by notice kind; every record is freed here, as the host would.
  int32_t Take(CommandRecord& record) {
    auto* payload = static_cast<NotificationPayload*>(record.payload);
    if (payload == nullptr) return 0;
    std::lock_guard<std::mutex> lock(m_lock);
    const int64_t kind = payload->kind;
    if ((kind == kAppOpLoad || kind == kAppOpAdd) && record.code != 0) {
      // One app whose package has been read: its label and icon.
      std::unique_ptr<MediaFileRecord> app(static_cast<MediaFileRecord*>(payload->item));
      m_updates.push_back(Listed{app->identifier, app->name, app->title, app->source, app->format, app->version,
                                 app->icon ? 1 : 0, app->system});
      std::free(payload);
      return 0;
    }
    auto keep = [&](const MediaFileRecord& item) {
      m_lists[kind].push_back(Listed{item.identifier, item.name, item.title, item.source, item.format, item.version,
                                     item.number, item.system});
    };
    if (kind == kPhotoOpLoad) {
      std::unique_ptr<PhotoList> batch(static_cast<PhotoList*>(payload->item));
      for (PhotoRecord* photo : *batch) {
        m_lists[kind].push_back(
            Listed{photo->identifier, photo->name, L"", photo->source, photo->format, L"", photo->number, false});
        delete photo;
      }
    } else if (kind == kPhotoOpAdd || kind == kPhotoOpDelete) {
      delete static_cast<PhotoRecord*>(payload->item);
    } else if (kind == kPhotoOpThumbnails) {
      std::unique_ptr<ThumbnailList> batch(static_cast<ThumbnailList*>(payload->item));
      for (ThumbnailRecord* thumbnail : *batch) {
        m_thumbnails.push_back(thumbnail->identifier);
        delete thumbnail;
      }
    } else if (kind == kMusicOpLoad || kind == kVideoOpLoad || kind == kBookOpLoad || kind == kAppOpLoad ||
               kind == kAppOpAdd) {
      std::unique_ptr<MediaFileList> batch(static_cast<MediaFileList*>(payload->item));
      for (MediaFileRecord* item : *batch) {
        keep(*item);
        delete item;
      }
    } else if (kind == kMusicNoticePlaylists) {
      std::unique_ptr<PlaylistList> playlists(static_cast<PlaylistList*>(payload->item));
      for (PlaylistRecord* playlist : *playlists) delete playlist;
    } else if (payload->item != nullptr) {
      delete static_cast<MediaFileRecord*>(payload->item);  // an added or deleted file
    }
    std::free(payload);
    return 0;
  }

  std::string Host(const std::string& service) {
    std::string failure;
    std::unique_ptr<AdbSocket> socket = m_client->Open(service, failure);
    std::string answer;
    if (socket) ReadAdbMessage(*socket, answer);
    return socket ? answer : failure;
  }
  // The names in the phone's Music folder that begin with `prefix`, one a line.
  std::string MusicOnPhone(const std::string& serial, const std::string& prefix) {
    std::string failure;
    std::unique_ptr<AdbSocket> socket = m_client->OpenOnPhone(serial, "sync:", failure);
    std::vector<adbsync::ListEntry> entries;
    if (!socket || !adbsync::List(*socket, "/storage/emulated/0/Music", entries, failure)) return "<no listing>";
    std::string names;
    for (const adbsync::ListEntry& entry : entries)
      if (entry.name.compare(0, prefix.size(), prefix) == 0) names += entry.name + "\n";
    return names;
  }
  // Plugs the stand-in phone `name` in and waits until it is ready; its identifier.
  std::wstring PlugReady(const std::string& name) {
    const std::string serial = "127.0.0.1:" + m_ports.at(name);
    Host("host:connect:" + serial);
    m_connected.push_back(serial);
    const std::wstring identifier = Wide(serial);
    EXPECT_TRUE(WaitFor([&] {
      for (const std::wstring& ready : m_ready)
        if (ready == identifier) return true;
      return false;
    })) << name
        << " never became ready";
    return identifier;
  }

  template <typename Condition>
  bool WaitFor(Condition condition, DWORD timeoutMs = kWaitMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (true) {
      {
        std::lock_guard<std::mutex> lock(m_lock);
        if (condition()) return true;
      }
      if (GetTickCount64() > end) return false;
      Sleep(20);
    }
  }

  // Runs one operation to its end: the failures the dialog would add up (-1: it never ended).
  int64_t Run(const char* name, const std::wstring& phone, int64_t code, void* data, const wchar_t* folder = nullptr,
              int64_t value = 0) {
    m_ends.Clear();
    if (SendOperation(*m_harness, name, phone.c_str(), code, data, folder, value) == 0) return -2;
    return m_ends.Wait();
  }
  std::vector<Listed> Load(const char* name, const std::wstring& phone, int64_t code) {
    {
      std::lock_guard<std::mutex> lock(m_lock);
      m_lists[code].clear();
    }
    EXPECT_EQ(Run(name, phone, code, nullptr), 0) << std::string(m_ends.LastText().begin(), m_ends.LastText().end());
    std::lock_guard<std::mutex> lock(m_lock);
    return m_lists[code];
  }
  static const Listed* Find(const std::vector<Listed>& items, const std::wstring& name) {
    for (const Listed& item : items)
      if (item.name == name || item.identifier == name) return &item;
    return nullptr;
  }
  int64_t Export(const std::wstring& phone, int32_t kind, const Listed& item) {
    auto* list = new ExportList{new ExportRecord{item.source, item.name + item.format, item.number}};
    return Run(kCourierDoFile, phone, kFileOpExport, list, m_folder.c_str(), kind);
  }
  std::vector<std::wstring> ExportedNames() {
    std::vector<std::wstring> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder)) names.push_back(entry.path().filename());
    return names;
  }

  std::map<std::string, std::string> m_ports;
  std::unique_ptr<AdbClient> m_client;
  std::wstring m_dataFile;
  std::filesystem::path m_folder;
  std::unique_ptr<ModuleHarness> m_harness;
  std::vector<std::string> m_connected;
  std::mutex m_lock;
  std::vector<std::wstring> m_ready;
  std::map<int64_t, std::vector<Listed>> m_lists;
  std::vector<std::wstring> m_thumbnails;
  std::vector<Listed> m_updates;  // `number`: 1 with an icon
  std::filesystem::path m_state;
  OperationEnds m_ends;
};

TEST_F(AdbMedia, EachKindIsListedWithItsCountAndExportsAreByteIdenticalNeverOverwriting) {
  const std::wstring phone = PlugReady("normal");
  DeviceRecord* device = GetDevice(*m_harness, phone.c_str());
  ASSERT_NE(device, nullptr);
  // The counts reach the navigator once the phone is ready, before any section is opened.
  ASSERT_TRUE(WaitFor([&] { return device->counts[kKindApps].load() == 3; }));
  EXPECT_EQ(device->counts[kKindPhotos].load(), 3u);
  EXPECT_EQ(device->counts[kKindMusic].load(), 2u);
  EXPECT_EQ(device->counts[kKindVideos].load(), 1u);
  EXPECT_EQ(device->counts[kKindBooks].load(), 3u) << "a zip is no book, a hidden folder's file none to show";

  const std::vector<Listed> photos = Load(kCourierDoPhoto, phone, kPhotoOpLoad);
  ASSERT_EQ(photos.size(), 3u);
  EXPECT_NE(Find(photos, L"IMG_20240501_101010"), nullptr);
  const std::vector<Listed> songs = Load(kCourierDoMusic, phone, kMusicOpLoad);
  ASSERT_EQ(songs.size(), 2u);
  const Listed* mix = Find(songs, L"Morning Run Mix");
  ASSERT_NE(mix, nullptr);
  EXPECT_EQ(mix->title, L"Morning Run, Mix");
  EXPECT_EQ(Load(kCourierDoVideo, phone, kVideoOpLoad).size(), 1u);
  const std::vector<Listed> books = Load(kCourierDoEbook, phone, kBookOpLoad);
  ASSERT_EQ(books.size(), 3u);
  EXPECT_NE(Find(books, L"Harbour Tales"), nullptr);
  const Listed* keepers = Find(books, L"Keepers");
  ASSERT_NE(keepers, nullptr) << "a book in a subfolder was not found";
  EXPECT_EQ(keepers->source, L"/storage/emulated/0/Books/Lighthouse Series/Keepers.epub");
  const std::vector<Listed> apps = Load(kCourierDoApp, phone, kAppOpLoad);
  ASSERT_EQ(apps.size(), 3u);
  const Listed* tracker = Find(apps, L"com.kestrel.runtracker");
  ASSERT_NE(tracker, nullptr);
  EXPECT_EQ(tracker->version, L"7.2.0") << "the version name the package manager dumps";
  EXPECT_FALSE(tracker->system);
  const Listed* settings = Find(apps, L"com.android.settings");
  ASSERT_NE(settings, nullptr);
  EXPECT_TRUE(settings->system);
  EXPECT_EQ(settings->version, L"13");

  // Each user app's package is pulled and read after the list: its row gets label and icon; a
  // system app keeps its package name.
  ASSERT_TRUE(WaitFor([&] { return m_updates.size() >= 2; }));
  {
    std::lock_guard<std::mutex> lock(m_lock);
    const Listed* read = Find(m_updates, L"com.kestrel.runtracker");
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->name, L"Kestrel Run");
    EXPECT_GT(read->number, 0) << "no icon";
    ASSERT_NE(Find(m_updates, L"com.tidewater.weather"), nullptr);
    EXPECT_EQ(Find(m_updates, L"Tidewater Weather")->identifier, L"com.tidewater.weather");
    EXPECT_EQ(Find(m_updates, L"com.android.settings"), nullptr);
    m_updates.clear();
  }
  // Read once: the next load has the labels at once, and pulls nothing again.
  const std::vector<Listed> again = Load(kCourierDoApp, phone, kAppOpLoad);
  ASSERT_NE(Find(again, L"com.kestrel.runtracker"), nullptr);
  EXPECT_EQ(Find(again, L"com.kestrel.runtracker")->name, L"Kestrel Run");
  Sleep(300);
  {
    std::lock_guard<std::mutex> lock(m_lock);
    EXPECT_TRUE(m_updates.empty()) << "a package was read again";
  }

  // A song with a space in its name, pulled twice: the second copy takes a name of its own.
  ASSERT_EQ(Export(phone, kKindMusic, *mix), 0) << std::string(m_ends.LastText().begin(), m_ends.LastText().end());
  ASSERT_EQ(Export(phone, kKindMusic, *mix), 0);
  const std::string shipped = Bytes(ShippedFile(L"media", L"morning-run-mix.mp3"));
  ASSERT_FALSE(shipped.empty());
  const std::vector<std::wstring> names = ExportedNames();
  ASSERT_EQ(names.size(), 2u);
  for (const std::wstring& name : names) EXPECT_EQ(Bytes(m_folder / name), shipped) << "not byte-identical";
  ASSERT_EQ(Export(phone, kKindApps, *tracker), 0);
  EXPECT_EQ(Bytes(m_folder / L"com.kestrel.runtracker.apk"),
            Bytes(ShippedFile(L"packages", L"com.kestrel.runtracker-7.2.0.apk")));

  // Thumbnails of a phone's photos are pulled when the rows ask for them.
  m_ends.Clear();
  SendOperation(*m_harness, kCourierDoPhoto, phone.c_str(), kPhotoOpThumbnails,
                new PathList{photos[0].identifier, photos[1].identifier}, nullptr, 0);
  EXPECT_TRUE(WaitFor([&] { return m_thumbnails.size() == 2; }));
}

TEST_F(AdbMedia, AddsDeletesInstallsAndUninstallsChangeWhatThePhoneLists) {
  const std::wstring phone = PlugReady("normal");
  DeviceRecord* device = GetDevice(*m_harness, phone.c_str());
  ASSERT_NE(device, nullptr);
  ASSERT_TRUE(WaitFor([&] { return device->counts[kKindMusic].load() == 2; }));

  // A name with spaces, a quote, shell syntax and letters beyond ASCII reaches the phone intact.
  const std::wstring odd = L"it's $(Nord) `x` \u00e9t\u00e9 \u6771";
  const std::filesystem::path song = m_folder / (odd + L".mp3");
  std::filesystem::copy_file(ShippedFile(L"media", L"northbound.mp3"), song);
  ASSERT_EQ(Run(kCourierDoMusic, phone, kMusicOpAdd, new PathList{song.wstring()}), 0)
      << std::string(m_ends.LastText().begin(), m_ends.LastText().end());
  std::vector<Listed> songs = Load(kCourierDoMusic, phone, kMusicOpLoad);
  const Listed* added = Find(songs, odd);
  ASSERT_NE(added, nullptr) << "the phone does not list the added song";
  EXPECT_EQ(added->source, L"/storage/emulated/0/Music/" + odd + L".mp3");
  std::filesystem::remove(song);
  ASSERT_EQ(Export(phone, kKindMusic, *added), 0);
  EXPECT_EQ(Bytes(m_folder / (odd + L".mp3")), Bytes(ShippedFile(L"media", L"northbound.mp3")));

  // Deleted: the file and its provider row go.
  MediaFileRecord checked;
  checked.identifier = added->identifier;
  ASSERT_EQ(Run(kCourierDoMusic, phone, kMusicOpDelete, new MediaFileList{&checked}), 0)
      << std::string(m_ends.LastText().begin(), m_ends.LastText().end());
  songs = Load(kCourierDoMusic, phone, kMusicOpLoad);
  EXPECT_EQ(songs.size(), 2u);
  EXPECT_EQ(Find(songs, odd), nullptr);

  // An app installed, then a second one the phone refuses with its package manager's reason.
  ASSERT_EQ(Run(kCourierDoApp, phone, kAppOpAdd,
                new PathList{ShippedFile(L"packages", L"gr.kouzina.syntages-1.9.2.apk").wstring()}),
            0)
      << std::string(m_ends.LastText().begin(), m_ends.LastText().end());
  EXPECT_EQ(device->counts[kKindApps].load(), 4u);
  // The installed app's row gets the label its package names.
  EXPECT_TRUE(WaitFor([&] {
    const Listed* read = Find(m_updates, L"gr.kouzina.syntages");
    return read != nullptr && read->name == L"\u03a3\u03c5\u03bd\u03c4\u03b1\u03b3\u03ad\u03c2";
  })) << "the installed app kept its package name";
  EXPECT_EQ(Run(kCourierDoApp, phone, kAppOpAdd,
                new PathList{ShippedFile(L"packages", L"com.android.contacts-13.apk").wstring()}),
            1);
  EXPECT_NE(m_ends.LastText().find(L"INSTALL_FAILED_UPDATE_INCOMPATIBLE"), std::wstring::npos);
  std::vector<Listed> apps = Load(kCourierDoApp, phone, kAppOpLoad);
  ASSERT_EQ(apps.size(), 4u);
  ASSERT_NE(Find(apps, L"gr.kouzina.syntages"), nullptr);

  MediaFileRecord installed;
  installed.identifier = L"gr.kouzina.syntages";
  ASSERT_EQ(Run(kCourierDoApp, phone, kAppOpDelete, new MediaFileList{&installed}), 0);
  MediaFileRecord system;
  system.identifier = L"com.android.settings";
  EXPECT_EQ(Run(kCourierDoApp, phone, kAppOpDelete, new MediaFileList{&system}), 1);
  EXPECT_NE(m_ends.LastText().find(L"system app"), std::wstring::npos);
  apps = Load(kCourierDoApp, phone, kAppOpLoad);
  EXPECT_EQ(apps.size(), 3u);
  EXPECT_EQ(Find(apps, L"gr.kouzina.syntages"), nullptr);
  EXPECT_NE(Find(apps, L"com.android.settings"), nullptr);
}

TEST_F(AdbMedia, MalformedListsAndAPhoneUnpluggedMidPullEndWithAReasonAndNoHalfFile) {
  const std::wstring broken = PlugReady("malformed");
  m_ends.Clear();
  EXPECT_EQ(Run(kCourierDoPhoto, broken, kPhotoOpLoad, nullptr), 1);
  EXPECT_NE(m_ends.LastText().find(L"cannot read"), std::wstring::npos);
  EXPECT_EQ(Run(kCourierDoApp, broken, kAppOpLoad, nullptr), 1);

  // The phone sends half of a photo and then nothing; the cable is pulled.
  const std::wstring hung = PlugReady("hanging");
  const std::vector<Listed> photos = Load(kCourierDoPhoto, hung, kPhotoOpLoad);
  ASSERT_FALSE(photos.empty());
  m_ends.Clear();
  auto* list = new ExportList{new ExportRecord{photos[0].source, photos[0].name + photos[0].format, photos[0].number}};
  ASSERT_NE(SendOperation(*m_harness, kCourierDoFile, hung.c_str(), kFileOpExport, list, m_folder.c_str(), kKindPhotos),
            0);
  Sleep(500);
  Host("host:disconnect:" + std::string(hung.begin(), hung.end()));
  EXPECT_EQ(m_ends.Wait(), 1) << "the export waited for a gone phone";
  EXPECT_TRUE(ExportedNames().empty()) << "a half photo was left behind";
}

// The hanging phone sends half a file and then nothing, and never answers its contacts query:
// its connections stay open and silent. A cancel and the program closing cut them instead of
// waiting out the reply timeout (10 s).
TEST_F(AdbMedia, ACancelOrTheProgramClosingNeverWaitsOnASilentPhone) {
  const std::wstring hung = PlugReady("hanging");
  const std::vector<Listed> photos = Load(kCourierDoPhoto, hung, kPhotoOpLoad);
  ASSERT_FALSE(photos.empty());
  auto startExport = [&] {
    m_ends.Clear();
    auto* list =
        new ExportList{new ExportRecord{photos[0].source, photos[0].name + photos[0].format, photos[0].number}};
    return SendOperation(*m_harness, kCourierDoFile, hung.c_str(), kFileOpExport, list, m_folder.c_str(), kKindPhotos);
  };

  const int64_t task = startExport();
  ASSERT_NE(task, 0);
  Sleep(500);  // the half photo has come; the pull now waits on the phone
  CommandRecord cancel;
  cancel.value = task;
  const ULONGLONG cancelled = GetTickCount64();
  m_harness->Send(kCourierDoCancel, cancel);
  EXPECT_GE(m_ends.Wait(), 0);
  EXPECT_LT(GetTickCount64() - cancelled, 3000u) << "the cancel waited for the silent phone";
  EXPECT_NE(m_ends.LastText().find(L"cancelled"), std::wstring::npos)
      << std::string(m_ends.LastText().begin(), m_ends.LastText().end());
  EXPECT_TRUE(ExportedNames().empty()) << "a half photo was left behind";

  // A song sent to a slow phone, cancelled half-way: the part that reached the phone goes.
  const std::wstring slow = PlugReady("slow");
  const std::string song = Bytes(ShippedFile(L"media", L"northbound.mp3"));
  const size_t frames = song.find("\xff\xfb");
  ASSERT_NE(frames, std::string::npos);
  const std::filesystem::path long_mix = m_folder / L"Long Mix \u00e4.mp3";
  {
    std::ofstream out(long_mix, std::ios::binary);
    out << song;
    while (out.tellp() < 3 * 1024 * 1024) out << song.substr(frames);
  }
  m_ends.Clear();
  const int64_t add = SendOperation(*m_harness, kCourierDoMusic, slow.c_str(), kMusicOpAdd,
                                    new PathList{long_mix.wstring()}, nullptr, 0);
  ASSERT_NE(add, 0);
  const std::string serial(slow.begin(), slow.end());
  ASSERT_TRUE(WaitFor([&] { return !MusicOnPhone(serial, "Long Mix").empty(); }, 5000)) << "the send never began";
  cancel.value = add;
  m_harness->Send(kCourierDoCancel, cancel);
  EXPECT_GE(m_ends.Wait(), 0);
  EXPECT_NE(m_ends.LastText().find(L"cancelled"), std::wstring::npos)
      << std::string(m_ends.LastText().begin(), m_ends.LastText().end());
  EXPECT_EQ(MusicOnPhone(serial, "Long Mix"), "") << "a part of the song was left on the phone";
  std::filesystem::remove(long_mix);

  // Closing with a pull and a contacts read both waiting on the phone.
  ASSERT_NE(startExport(), 0);
  CommandRecord contacts;
  contacts.code = kContactOpLoad;
  contacts.text = hung.c_str();
  m_harness->Send(kCourierDoContact, contacts);
  Sleep(500);
  const ULONGLONG closing = GetTickCount64();
  Destroy(*m_harness);
  m_harness.reset();
  EXPECT_LT(GetTickCount64() - closing, 3000u) << "closing waited for the silent phone";
  EXPECT_TRUE(ExportedNames().empty()) << "a half photo was left behind";
}

}  // namespace
