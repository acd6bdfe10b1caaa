// The update check and download through libCourier's commands, against a real HTTP server on
// the loopback address: what the host is told, and what stays on disk.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/courier/update/Sha256.h"
#include "tests/courier/CourierTestSupport.h"
#include "tests/harness/LoopbackHttpServer.h"
#include "tests/harness/ModuleHarness.h"

namespace {

constexpr int64_t kCheckFailed = 0;
constexpr int64_t kDownloadDone = 0;
constexpr int64_t kDownloadProgress = 2;
constexpr int64_t kDownloadFailed = 3;
constexpr DWORD kAnswerMs = 15000;

template <typename Pred>
bool WaitForCondition(Pred pred, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!pred()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(20);
  }
  return true;
}

std::string Installer(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + 7) & 0xFF);
  return bytes;
}

std::string Entry(const std::string& version, const std::string& notes, const std::string& url, uint64_t size,
                  const std::string& sha) {
  return "{\"version\": \"" + version + "\", \"notes\": " + notes + ", \"installer\": {\"url\": \"" + url +
         "\", \"size\": " + std::to_string(size) + ", \"sha256\": \"" + sha + "\"}}";
}

// Folders this process's downloads made under the temporary folder.
std::vector<std::wstring> DownloadFolders() {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring pattern = std::wstring(temp) + L"ZorvaneUpdate-" + std::to_wstring(GetCurrentProcessId()) + L"-*";
  std::vector<std::wstring> found;
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW(pattern.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return found;
  do found.push_back(std::wstring(temp) + data.cFileName);
  while (FindNextFileW(search, &data));
  FindClose(search);
  return found;
}

std::string ReadAll(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class CourierUpdate : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_server.Start());
    ASSERT_TRUE(m_harness.Load(ModuleHarness::PluginPath(L"libCourier")));
    // The answers carry heap data the host would own: taken over here.
    m_harness.SetHook(kCourierCheckForUpdate, [this](CommandRecord& record) {
      std::lock_guard<std::mutex> lock(m_lock);
      std::unique_ptr<VersionList> list(static_cast<VersionList*>(record.payload));
      m_lists.push_back(list ? *list : VersionList());
      return 0;
    });
    m_harness.SetHook(kCourierDownloadUpdate, [this](CommandRecord& record) {
      if (record.text != nullptr) std::free(const_cast<wchar_t*>(record.text));
      return 0;
    });
    m_before = DownloadFolders().size();
    UseFeed(m_server.Url("/feed.json"));
    Start(m_harness);
  }

  void TearDown() override {
    Destroy(m_harness);
    m_server.Stop();
    for (const std::wstring& path : m_kept) {
      DeleteFileW(path.c_str());
      RemoveDirectoryW(path.substr(0, path.find_last_of(L'\\')).c_str());
    }
  }

  void UseFeed(const std::string& url) {
    const std::wstring path = WriteFile(L"update-option.json", "{\"url\": {\"update\": \"" + url + "\"}}");
    ASSERT_TRUE(BASUserDefaults::InitUserDefaults("url", path.c_str()));
  }

  void Serve(const std::string& body) {
    HttpRoute route;
    route.body = body;
    m_server.Route("/feed.json", route);
  }

  // Two newer versions; the newest names the installer at /setup.exe.
  void OfferInstaller(const std::string& bytes, uint64_t size, const std::string& sha) {
    Serve("{\"versions\": [" + Entry("2.2.0", "[\"Older fix\"]", m_server.Url("/old.exe"), 5, std::string(64, '0')) +
          "," +
          Entry("3.0.1", "[\"Messages are searchable\", \"Contacts load faster\"]", m_server.Url("/setup.exe"), size,
                sha) +
          "]}");
    HttpRoute installer;
    installer.body = bytes;
    m_server.Route("/setup.exe", installer);
  }

  // The answer to one check: its value, and its list.
  int64_t Check(VersionList* list = nullptr) {
    const size_t count = m_harness.CountPosts(kCourierCheckForUpdate);
    const size_t lists = Lists();
    CommandRecord record;
    m_harness.Send(kCourierCheckForUpdate, record);
    // The hook runs after the post is recorded: wait for both.
    if (!m_harness.WaitForPost(kCourierCheckForUpdate, kAnswerMs, count + 1) ||
        !WaitForCondition([&] { return Lists() > lists; }, kAnswerMs))
      return -1;
    const PostedCommand answer = m_harness.PostsNamed(kCourierCheckForUpdate).back();
    std::lock_guard<std::mutex> lock(m_lock);
    if (list) *list = m_lists.back();
    EXPECT_EQ(static_cast<size_t>(answer.record.entries), m_lists.back().size());
    return answer.record.value;
  }

  size_t Lists() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_lists.size();
  }

  // The first answer to a download that is not progress.
  PostedCommand Download(DWORD timeoutMs = kAnswerMs) {
    m_harness.ClearPosts();
    CommandRecord record;
    m_harness.Send(kCourierDownloadUpdate, record);
    PostedCommand end;
    end.record.value = -1;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
      for (const PostedCommand& post : m_harness.PostsNamed(kCourierDownloadUpdate))
        if (post.record.value != kDownloadProgress) {
          if (post.record.value == kDownloadDone) m_kept.push_back(post.text);
          return post;
        }
      Sleep(20);
    }
    return end;
  }

  LoopbackHttpServer m_server;
  ModuleHarness m_harness;
  std::mutex m_lock;
  std::vector<VersionList> m_lists;
  std::vector<std::wstring> m_kept;
  size_t m_before = 0;
};

}  // namespace

TEST_F(CourierUpdate, AFeedWithoutNewerVersionsAnswersAnEmptyList) {
  Serve("{\"versions\": [" + Entry("2.1.163", "[]", m_server.Url("/a.exe"), 1, std::string(64, '0')) + "," +
        Entry("1.0", "[\"old\"]", m_server.Url("/b.exe"), 1, std::string(64, '0')) + "]}");
  VersionList list;
  EXPECT_EQ(Check(&list), 1);
  EXPECT_TRUE(list.empty());
  // With nothing offered there is nothing to download.
  EXPECT_EQ(Download().record.value, kDownloadFailed);
  EXPECT_EQ(DownloadFolders().size(), m_before);
}

TEST_F(CourierUpdate, NewerVersionsArriveNewestFirstAndTheVerifiedInstallerIsHandedOver) {
  const std::string bytes = Installer(300 * 1024);
  OfferInstaller(bytes, bytes.size(), Sha256::Of(bytes));
  VersionList list;
  ASSERT_EQ(Check(&list), 1);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].version, L"3.0.1");
  EXPECT_EQ(list[0].notes, (std::vector<std::wstring>{L"Messages are searchable", L"Contacts load faster"}));
  EXPECT_EQ(list[1].version, L"2.2.0");

  const PostedCommand done = Download();
  ASSERT_EQ(done.record.value, kDownloadDone);
  EXPECT_EQ(ReadAll(done.text), bytes);
  EXPECT_NE(done.text.find(L"\\ZorvaneUpdate-"), std::wstring::npos) << "a folder of its own under the temp folder";
  EXPECT_EQ(m_server.Requests("/old.exe"), 0) << "only the newest version is fetched";
  // Progress counted up to the whole size, never beyond.
  const std::vector<PostedCommand> posts = m_harness.PostsNamed(kCourierDownloadUpdate);
  ASSERT_GE(posts.size(), 2u);
  int64_t last = -1;
  for (const PostedCommand& post : posts) {
    if (post.record.value != kDownloadProgress) continue;
    EXPECT_EQ(post.record.total, static_cast<int64_t>(bytes.size()));
    EXPECT_GE(post.record.position, last);
    last = post.record.position;
  }
  EXPECT_EQ(last, static_cast<int64_t>(bytes.size()));
}

TEST_F(CourierUpdate, DownloadsThatDoNotMatchTheFeedAreRefusedAndRemoved) {
  const std::string bytes = Installer(200 * 1024);
  struct Case {
    const char* what;
    std::string served;
    uint64_t feedSize;
    HttpRoute route;
  };
  std::string corrupt = bytes;
  corrupt[1000] ^= 0x55;
  HttpRoute broken;
  broken.breakAfter = 50 * 1024;
  HttpRoute unannouncedLonger;
  unannouncedLonger.announceLength = false;
  HttpRoute missing;
  missing.status = 404;
  const Case cases[] = {
      {"one byte changed", corrupt, bytes.size(), HttpRoute()},
      {"shorter than the feed says", bytes.substr(0, bytes.size() - 1), bytes.size(), HttpRoute()},
      {"longer than the feed says", bytes + "x", bytes.size(), HttpRoute()},
      {"longer without a length", bytes + "xyz", bytes.size(), unannouncedLonger},
      {"server fails mid-way", bytes, bytes.size(), broken},
      {"not found", bytes, bytes.size(), missing},
  };
  for (const Case& c : cases) {
    OfferInstaller(bytes, c.feedSize, Sha256::Of(bytes));
    HttpRoute route = c.route;
    route.body = c.served;
    m_server.Route("/setup.exe", route);
    ASSERT_EQ(Check(), 1) << c.what;
    EXPECT_EQ(Download().record.value, kDownloadFailed) << c.what;
    EXPECT_EQ(DownloadFolders().size(), m_before) << c.what << ": the partial file and its folder are gone";
  }
}

TEST_F(CourierUpdate, CancelStopsASlowDownloadPromptlyAndRemovesThePartialFile) {
  const std::string bytes = Installer(1024 * 1024);
  OfferInstaller(bytes, bytes.size(), Sha256::Of(bytes));
  HttpRoute slow;
  slow.body = bytes;
  slow.pieceBytes = 4096;
  slow.pieceDelayMs = 100;  // about 40 s for the whole file
  m_server.Route("/setup.exe", slow);
  ASSERT_EQ(Check(), 1);

  m_harness.ClearPosts();
  CommandRecord download;
  m_harness.Send(kCourierDownloadUpdate, download);
  ASSERT_TRUE(WaitForCondition(
      [&] {
        for (const PostedCommand& post : m_harness.PostsNamed(kCourierDownloadUpdate))
          if (post.record.value == kDownloadProgress && post.record.position > 0) return true;
        return false;
      },
      kAnswerMs));
  EXPECT_EQ(DownloadFolders().size(), m_before + 1) << "the partial file is on disk while it arrives";
  CommandRecord cancel;
  const DWORD start = GetTickCount();
  m_harness.Send(kCourierDownloadUpdateCancel, cancel);
  EXPECT_TRUE(WaitForCondition([&] { return DownloadFolders().size() == m_before; }, 3000));
  std::printf("cancel to the partial file removed: %lu ms\n", GetTickCount() - start);
  // The server notices the closed connection at its next send.
  EXPECT_TRUE(WaitForCondition([&] { return m_server.Open() == 0; }, 5000));
  for (const PostedCommand& post : m_harness.PostsNamed(kCourierDownloadUpdate))
    EXPECT_EQ(post.record.value, kDownloadProgress) << "a cancelled download answers nothing more";
}

TEST_F(CourierUpdate, BadFeedsAndUnreachableServersAnswerFailure) {
  HttpRoute big;
  big.fillBytes = 50ull * 1024 * 1024;
  m_server.Route("/big.json", big);
  HttpRoute bigUnannounced = big;
  bigUnannounced.announceLength = false;
  m_server.Route("/big-stream.json", bigUnannounced);
  HttpRoute loop;
  loop.status = 302;
  loop.headers = {{"Location", m_server.Url("/loop.json")}};
  m_server.Route("/loop.json", loop);
  HttpRoute error;
  error.status = 500;
  error.body = "{\"versions\": []}";
  m_server.Route("/error.json", error);
  HttpRoute notJson;
  notJson.body = "<html>down for maintenance</html>";
  m_server.Route("/html.json", notJson);
  HttpRoute beta;
  beta.body = "{\"versions\": [" + Entry("10.x-beta", "[]", m_server.Url("/s.exe"), 1, std::string(64, '0')) + "]}";
  m_server.Route("/beta.json", beta);

  // A port nobody listens on: taken and let go again.
  LoopbackHttpServer gone;
  ASSERT_TRUE(gone.Start());
  const std::string down = gone.Url("/feed.json");
  gone.Stop();

  const std::pair<const char*, std::string> cases[] = {
      {"over the size limit", m_server.Url("/big.json")},
      {"over the size limit, unannounced", m_server.Url("/big-stream.json")},
      {"redirect loop", m_server.Url("/loop.json")},
      {"server error", m_server.Url("/error.json")},
      {"not JSON", m_server.Url("/html.json")},
      {"beta version", m_server.Url("/beta.json")},
      {"server down", down},
      {"no address", ""},
      {"not http", "ftp://127.0.0.1/feed.json"},
  };
  for (const auto& [what, url] : cases) {
    UseFeed(url);
    const DWORD start = GetTickCount();
    EXPECT_EQ(Check(), kCheckFailed) << what;
    std::printf("%-36s failed after %lu ms\n", what, GetTickCount() - start);
  }
}

TEST_F(CourierUpdate, ThePlaceholderAddressFailsFast) {
  // The address the product ships with until the real one is known.
  UseFeed("https://updates.zorvane.invalid/steward/versions.json");
  const DWORD start = GetTickCount();
  EXPECT_EQ(Check(), kCheckFailed);
  std::printf("placeholder feed failed after %lu ms\n", GetTickCount() - start);
}

TEST_F(CourierUpdate, ExitServerIsAnsweredSoTheHostCanClose) {
  CommandRecord exit;
  m_harness.Send(kCourierExitServer, exit);
  EXPECT_TRUE(m_harness.WaitForPost(kCourierExitServer, kAnswerMs));
}
