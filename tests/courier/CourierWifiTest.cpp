// Wi-Fi phones at libCourier's plug-in edge, with a phone played by this test over a real
// socket: the listener's address and port posted back, the user asked before anything is
// served, an accepted phone announced under its network address and walked to ready, a
// refused one told so, a phone that leaves shown as unplugged, and the door shut on STOP.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "modules/courier/WifiProtocol.h"
#include "tests/courier/CourierTestSupport.h"

namespace {

constexpr DWORD kWaitMs = 10000;

template <typename Pred>
bool WaitForCondition(Pred pred, DWORD timeoutMs) {
  for (const DWORD start = GetTickCount(); !pred(); Sleep(20))
    if (GetTickCount() - start > timeoutMs) return false;
  return true;
}
const char kHello[] =
    R"({"type":"hello","versions":[1],"phone":{"displayName":"Test Pebble","model":"PB-5","androidVersion":"12",)"
    R"("battery":{"percent":64,"charging":false},"phoneMemory":{"totalBytes":1000,"freeBytes":10},)"
    R"("storageMemory":{"totalBytes":0,"freeBytes":0}}})";
const char kContacts[] =
    R"({"type":"contacts","format":"zorvane-steward-contacts","version":1,"groups":[],"contacts":[)"
    R"({"id":"1","name":"Ann","accountName":"","accountType":"","groups":[],"groupIds":[],)"
    R"("items":[{"kind":"phone","typeCode":2,"label":"Mobile","value":"+47 1"}]}]})";

// The phone's side of the connection, blocking with a time limit.
class TestPhone {
 public:
  bool Connect(const std::wstring& address, int32_t port) {
    m_socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    DWORD timeout = 8000;
    setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof(timeout));
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<u_short>(port));
    to.sin_addr.s_addr = inet_addr(std::string(address.begin(), address.end()).c_str());
    return connect(m_socket, reinterpret_cast<sockaddr*>(&to), sizeof(to)) == 0;
  }
  ~TestPhone() { Close(); }
  void Close() {
    if (m_socket != INVALID_SOCKET) closesocket(m_socket);
    m_socket = INVALID_SOCKET;
  }
  bool Send(const std::string& json) {
    const std::string frame = wifi::EncodeFrame(json);
    return send(m_socket, frame.data(), static_cast<int>(frame.size()), 0) == static_cast<int>(frame.size());
  }
  // The next message's type; empty when the PC closed the connection or nothing came in time.
  std::string Receive() {
    std::string frame;
    while (!m_reader.Next(frame)) {
      char buffer[4096];
      const int got = recv(m_socket, buffer, sizeof(buffer), 0);
      if (got <= 0 || !m_reader.Feed(buffer, static_cast<size_t>(got))) return std::string();
    }
    return nlohmann::json::parse(frame).value("type", "");
  }

 private:
  SOCKET m_socket = INVALID_SOCKET;
  wifi::FrameReader m_reader;
};

class CourierWifi : public ::testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    ASSERT_TRUE(m_harness.Load(ModuleHarness::PluginPath(L"libCourier"))) << m_harness.LoadError();
    // The host deletes what the service hands over; here the hooks copy and delete.
    m_harness.SetHook(kCourierStartWifiServer, [this](CommandRecord& record) {
      std::unique_ptr<WifiServerInfo> info(static_cast<WifiServerInfo*>(record.payload));
      if (info) m_address = info->address, m_port = info->port;
      return 0;
    });
    m_harness.SetHook(kCourierConfirmWifiDevice, [this](CommandRecord& record) {
      std::unique_ptr<WifiPeerQuestion> question(static_cast<WifiPeerQuestion*>(record.payload));
      if (question) m_ticket = question->ticket, m_asked = question->name + L"|" + question->address;
      return 0;
    });
    m_harness.SetHook(kCourierAddDevice, [this](CommandRecord& record) {
      auto* identifier = reinterpret_cast<wchar_t*>(static_cast<intptr_t>(record.value));
      m_added = identifier;
      std::free(identifier);
      return 0;
    });
    DemoDataOverride phones(WriteFile(L"wifi-no-phones.json", "{\"format\": 1, \"phones\": []}"));
    Start(m_harness);
    ASSERT_TRUE(m_harness.WaitForPost(kCourierReadyStartServer, kWaitMs));
    CommandRecord echo;
    echo.value = 1;
    m_harness.Send(kCourierReadyStartServer, echo);
    CommandRecord start;
    m_harness.Send(kCourierStartWifiServer, start);
    ASSERT_TRUE(m_harness.WaitForPost(kCourierStartWifiServer, kWaitMs));
  }
  void TearDown() override {
    Destroy(m_harness);
    WSACleanup();
  }

  // Connects and says hello; true once the user is asked.
  bool Hello(TestPhone& phone) {
    const size_t asked = m_harness.CountPosts(kCourierConfirmWifiDevice);
    return phone.Connect(m_address, m_port) && phone.Send(kHello) && phone.Receive() == "welcome" &&
           m_harness.WaitForPost(kCourierConfirmWifiDevice, kWaitMs, asked + 1);
  }
  // Whether the phone still waited for the answer.
  bool Answer(bool accept) {
    CommandRecord answer;
    answer.value = m_ticket;
    answer.code = accept ? 1 : 0;
    m_harness.Send(kCourierAnswerWifiDevice, answer);
    return answer.value == 1;
  }
  // The statuses posted for the phone so far.
  std::vector<int64_t> Statuses() const {
    std::vector<int64_t> statuses;
    for (const PostedCommand& post : m_harness.PostsNamed(kCourierScanUsbDevice))
      statuses.push_back(post.record.entries);
    return statuses;
  }

  ModuleHarness m_harness;
  std::wstring m_address;
  int32_t m_port = 0;
  int64_t m_ticket = 0;
  std::wstring m_asked;
  std::wstring m_added;
};

TEST_F(CourierWifi, AnAcceptedPhoneIsAnnouncedByItsAddressServedAndShownUnpluggedWhenItLeaves) {
  EXPECT_FALSE(m_address.empty());
  EXPECT_GE(m_port, 28460);
  TestPhone phone;
  ASSERT_TRUE(Hello(phone));
  EXPECT_EQ(m_asked.substr(0, 12), L"Test Pebble|");
  const std::wstring address = m_asked.substr(12);
  EXPECT_EQ(m_harness.CountPosts(kCourierAddDevice), 0u) << "nothing before the user agrees";

  EXPECT_TRUE(Answer(true));
  EXPECT_FALSE(Answer(true)) << "answered once";
  EXPECT_EQ(phone.Receive(), "accepted");
  EXPECT_EQ(phone.Receive(), "contacts.list");
  ASSERT_TRUE(phone.Send(kContacts) && phone.Send(R"({"type":"contacts.end"})"));
  ASSERT_TRUE(m_harness.WaitForPost(kCourierAddDevice, kWaitMs));
  EXPECT_EQ(m_added, address);
  EXPECT_NE(address.find(L'.'), std::wstring::npos);
  DeviceRecord* device = GetDevice(m_harness, address.c_str());
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->counts[kKindContacts], 1u);
  // Walked to ready as a demo phone is.
  ASSERT_TRUE(WaitForCondition([&] { return !Statuses().empty() && Statuses().back() == 22; }, kWaitMs));

  // Keep-alive is answered by the phone's side as a ping from it is by the PC.
  ASSERT_TRUE(phone.Send(R"({"type":"ping"})"));
  EXPECT_EQ(phone.Receive(), "pong");

  // It leaves: reported as a pulled cable (status 0), its record stays for the tab.
  phone.Close();
  ASSERT_TRUE(WaitForCondition([&] { return Statuses().back() == 0; }, kWaitMs));
  EXPECT_NE(GetDevice(m_harness, address.c_str()), nullptr);
}

TEST_F(CourierWifi, ARefusedPhoneIsToldAndNothingIsAnnouncedAndStopShutsTheDoor) {
  TestPhone refused;
  ASSERT_TRUE(Hello(refused));
  EXPECT_TRUE(Answer(false));
  EXPECT_EQ(refused.Receive(), "declined");
  EXPECT_EQ(refused.Receive(), "") << "then closed";
  // A phone that gave up while the user was asked: the yes reaches nobody, and says so.
  TestPhone impatient;
  ASSERT_TRUE(Hello(impatient));
  impatient.Close();
  Sleep(300);  // a few of the service's rounds: it has seen the close
  EXPECT_FALSE(Answer(true));
  Sleep(200);
  EXPECT_EQ(m_harness.CountPosts(kCourierAddDevice), 0u);

  // A peer that says nothing is dropped after the hello's time; garbage at once.
  TestPhone silent, garbage;
  ASSERT_TRUE(silent.Connect(m_address, m_port));
  ASSERT_TRUE(garbage.Connect(m_address, m_port));
  ASSERT_TRUE(garbage.Send("not json at all"));
  EXPECT_EQ(garbage.Receive(), "error");
  const DWORD start = GetTickCount();
  EXPECT_EQ(silent.Receive(), "error");
  EXPECT_LT(GetTickCount() - start, 7000u);

  CommandRecord stop;
  m_harness.Send(kCourierStopWifiServer, stop);
  EXPECT_TRUE(WaitForCondition([&] { return !TestPhone().Connect(m_address, m_port); }, 3000));
}

}  // namespace
