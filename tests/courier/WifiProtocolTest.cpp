// The Wi-Fi phone protocol without sockets: framing and its bound, the hello as strictly as a
// demo-phones file, the contact list, the user's answer, keep-alive, and the hostile peers
// (garbage, a huge frame announced, a slow hello) all dropped without harm.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "modules/courier/WifiProtocol.h"
#include "modules/courier/WifiSession.h"
#include "modules/courier/formats/ContactFormats.h"

using nlohmann::json;
using namespace wifi;

namespace {

const char kHello[] =
    R"({"type":"hello","versions":[1],"phone":{"displayName":"Mia's Pebble","modelName":"Pebble 5","model":"PB-5",)"
    R"("androidVersion":"12","serialNumber":"PB5-0042","battery":{"percent":64,"charging":false},)"
    R"("phoneMemory":{"totalBytes":64000000000,"freeBytes":20000000000},)"
    R"("storageMemory":{"totalBytes":32000000000,"freeBytes":1000000000}}})";

const wchar_t kAddress[] = L"192.168.7.23";

std::string Frame(const std::string& json) { return EncodeFrame(json); }

// Every frame text in what the session sent.
std::vector<json> Sent(WifiSession& session) {
  FrameReader reader;
  const std::string bytes = session.TakeOutgoing();
  EXPECT_TRUE(reader.Feed(bytes.data(), bytes.size()));
  std::vector<json> messages;
  std::string frame;
  while (reader.Next(frame)) messages.push_back(json::parse(frame));
  return messages;
}

std::string TypesOf(const std::vector<json>& messages) {
  std::string types;
  for (const json& message : messages) types += (types.empty() ? "" : ",") + message["type"].get<std::string>();
  return types;
}

DemoContact Contact(const std::wstring& id, const std::wstring& name, const std::wstring& number) {
  DemoContact contact;
  contact.identifier = id;
  contact.name = name;
  contact.items.push_back(DemoContactItem{DemoItemKind::kPhone, 2, L"Mobile", number, {}});
  return contact;
}

std::string ContactsFrame(const std::vector<DemoContact>& contacts, const std::vector<DemoGroup>& groups) {
  const std::string backup = WriteContactBackup(contacts, groups);
  return Frame("{\"type\":\"contacts\"," + backup.substr(1));
}

// A session that said hello, was accepted and listed `contacts`.
WifiSession Serving(const std::vector<DemoContact>& contacts, int64_t& now) {
  WifiSession session(kAddress, now);
  const std::string hello = Frame(kHello);
  EXPECT_EQ(session.OnBytes(hello.data(), hello.size(), now), WifiSession::Event::kHello);
  session.Answer(true, now);
  const std::string list =
      ContactsFrame(contacts, {DemoGroup{L"7", L"Family", L""}}) + Frame(R"({"type":"contacts.end"})");
  EXPECT_EQ(session.OnBytes(list.data(), list.size(), now), WifiSession::Event::kReady);
  session.TakeOutgoing();
  return session;
}

TEST(WifiFrames, SplitAtAnyByteAndBounded) {
  const std::string stream = Frame(R"({"type":"ping"})") + Frame(R"({"type":"pong"})");
  FrameReader reader;
  std::vector<std::string> frames;
  std::string frame;
  for (char c : stream) {  // one byte at a time, as a slow network delivers
    ASSERT_TRUE(reader.Feed(&c, 1));
    while (reader.Next(frame)) frames.push_back(frame);
  }
  EXPECT_EQ(frames, (std::vector<std::string>{R"({"type":"ping"})", R"({"type":"pong"})"}));

  // A gigabyte announced is refused from its header alone, with nothing kept.
  FrameReader huge;
  const char header[] = {0x40, 0x00, 0x00, 0x00, '{'};
  EXPECT_FALSE(huge.Feed(header, sizeof(header)));
  EXPECT_NE(huge.error().find("1073741824"), std::string::npos);
  EXPECT_FALSE(huge.Next(frame));
  // The bound itself is allowed, one more byte is not; an empty frame is no frame.
  FrameReader atBound, empty;
  const char bound[] = {0x00, 0x10, 0x00, 0x00};
  const char over[] = {0x00, 0x10, 0x00, 0x01};
  const char zero[] = {0, 0, 0, 0};
  EXPECT_TRUE(atBound.Feed(bound, 4));
  EXPECT_FALSE(FrameReader().Feed(over, 4));
  EXPECT_FALSE(empty.Feed(zero, 4));
  EXPECT_TRUE(EncodeFrame(std::string(kMaxFrameBytes + 1, 'x')).empty());
}

TEST(WifiHello, ReadAsAPhoneNamedByItsAddress) {
  Message hello;
  std::string error;
  ASSERT_TRUE(ParseMessage(kHello, hello, error)) << error;
  DemoPhone phone;
  ASSERT_TRUE(ReadHello(hello, kAddress, phone, error)) << error;
  EXPECT_EQ(phone.identifier, kAddress);
  EXPECT_TRUE(phone.IsWifi());
  EXPECT_EQ(phone.displayName, L"Mia's Pebble");
  EXPECT_EQ(phone.serialNumber, L"PB5-0042");
  EXPECT_EQ(phone.batteryPercent, 64);
  ASSERT_FALSE(phone.connection.empty());
  EXPECT_EQ(phone.connection.back().status, 22);

  // What the phone may not decide or send in a hello, and details that are wrong.
  const std::vector<std::pair<std::string, std::string>> faults = {
      {"identifier", R"("identifier":"10.0.0.9",)"},
      {"connection", R"("connection":[],)"},
      {"contacts", R"("contacts":[],)"},
      {"androidVersion", R"("androidVersion":"twelve",)"},
  };
  for (const auto& fault : faults) {
    std::string text = kHello;
    const size_t at = text.find("\"phone\":{") + 9;
    if (fault.first == "androidVersion") {
      text.replace(text.find(R"("androidVersion":"12",)"), 22, fault.second);
    } else {
      text.insert(at, fault.second);
    }
    ASSERT_TRUE(ParseMessage(text, hello, error));
    EXPECT_FALSE(ReadHello(hello, kAddress, phone, error)) << fault.first;
    EXPECT_NE(error.find(fault.first), std::string::npos) << error;
  }
  ASSERT_TRUE(ParseMessage(R"({"type":"hello","versions":[2,3],"phone":{}})", hello, error));
  EXPECT_FALSE(ReadHello(hello, kAddress, phone, error));
  EXPECT_NE(error.find("version"), std::string::npos);
  for (const char* bad : {"", "[]", "{}", "{\"type\":7}", "{\"type\":\"\"}", "nul", "{\"type\":\"hello\""})
    EXPECT_FALSE(ParseMessage(bad, hello, error)) << bad;
}

TEST(WifiSessionFlow, HelloAnswerListAndServe) {
  int64_t now = 1000;
  WifiSession session(kAddress, now);
  const std::string hello = Frame(kHello);
  EXPECT_EQ(session.OnBytes(hello.data(), hello.size(), now), WifiSession::Event::kHello);
  EXPECT_EQ(session.state(), WifiSession::State::kConfirm);
  EXPECT_EQ(TypesOf(Sent(session)), "welcome");
  // Nothing but keep-alive while the user is asked.
  const std::string early = Frame(R"({"type":"contacts.end"})");
  WifiSession pushy(kAddress, now);
  pushy.OnBytes(hello.data(), hello.size(), now);
  pushy.OnBytes(early.data(), early.size(), now);
  EXPECT_EQ(pushy.state(), WifiSession::State::kClosed);

  session.Answer(true, now);
  EXPECT_EQ(TypesOf(Sent(session)), "accepted,contacts.list");
  const std::string batches = ContactsFrame({Contact(L"1", L"Ann", L"+47 1"), Contact(L"2", L"Bo", L"+47 2")}, {}) +
                              ContactsFrame({Contact(L"3", L"Cy", L"+47 3")}, {}) + Frame(R"({"type":"contacts.end"})");
  EXPECT_EQ(session.OnBytes(batches.data(), batches.size(), now), WifiSession::Event::kReady);
  ASSERT_EQ(session.phone().contacts.size(), 3u);
  EXPECT_EQ(session.phone().contacts[2].name, L"Cy");

  // An edit made here goes out as a backup of one contact; a delete by identifiers.
  DemoContact edited = session.phone().contacts[0];
  edited.name = L"Ann Edited";
  session.SendSave(edited, session.phone().groups);
  session.SendDelete({L"2"});
  const std::vector<json> sent = Sent(session);
  ASSERT_EQ(TypesOf(sent), "contact.save,contact.delete");
  const ContactReadResult saved = ReadContactBackup(sent[0].dump());
  ASSERT_EQ(saved.contacts.size(), 1u);
  EXPECT_EQ(saved.contacts[0].name, L"Ann Edited");
  EXPECT_EQ(saved.contacts[0].identifier, L"1");
  EXPECT_EQ(sent[1]["ids"], json::array({"2"}));

  // A declined phone is told so and closed.
  WifiSession declined(kAddress, now);
  declined.OnBytes(hello.data(), hello.size(), now);
  declined.TakeOutgoing();
  declined.Answer(false, now);
  EXPECT_EQ(TypesOf(Sent(declined)), "declined");
  EXPECT_EQ(declined.state(), WifiSession::State::kClosed);
}

TEST(WifiSessionFlow, GroupsOfTheListMappedByTitle) {
  int64_t now = 0;
  DemoContact family = Contact(L"5", L"Dee", L"+47 5");
  family.groups = {L"7"};
  WifiSession session = Serving({family}, now);
  ASSERT_EQ(session.phone().groups.size(), 1u);
  EXPECT_EQ(session.phone().groups[0].title, L"Family");
  EXPECT_EQ(session.phone().contacts[0].groups, std::vector<std::wstring>{session.phone().groups[0].identifier});
}

TEST(WifiSessionFlow, KeepAliveAndLeaving) {
  int64_t now = 0;
  WifiSession session = Serving({}, now);
  EXPECT_EQ(session.OnTick(now + kPingAfterMs), WifiSession::Event::kNone);
  EXPECT_EQ(TypesOf(Sent(session)), "ping");
  // Pinged once per interval, not on every tick.
  session.OnTick(now + kPingAfterMs + 10);
  EXPECT_FALSE(session.HasOutgoing());
  const std::string pong = Frame(R"({"type":"pong"})");
  session.OnBytes(pong.data(), pong.size(), now + kPingAfterMs + 100);
  EXPECT_EQ(session.OnTick(now + kSilenceLimitMs), WifiSession::Event::kNone);
  EXPECT_EQ(session.OnTick(now + kPingAfterMs + 100 + kSilenceLimitMs), WifiSession::Event::kGone);

  WifiSession bye = Serving({}, now);
  const std::string frame = Frame(R"({"type":"bye"})");
  EXPECT_EQ(bye.OnBytes(frame.data(), frame.size(), now), WifiSession::Event::kGone);
  WifiSession closed = Serving({}, now);
  EXPECT_EQ(closed.OnPeerClosed(), WifiSession::Event::kGone);
  // A phone that had not been accepted leaves no phone behind.
  WifiSession early(kAddress, now);
  EXPECT_EQ(early.OnPeerClosed(), WifiSession::Event::kNone);
}

TEST(WifiSessionHostile, DroppedWithoutHarm) {
  int64_t now = 0;
  // Garbage bytes: the peer gets an error and is closed, whatever they held.
  WifiSession garbage(kAddress, now);
  const std::string noise = "GET / HTTP/1.1\r\nHost: x\r\n\r\n";
  EXPECT_EQ(garbage.OnBytes(noise.data(), noise.size(), now), WifiSession::Event::kNone);
  EXPECT_EQ(garbage.state(), WifiSession::State::kClosed);
  EXPECT_FALSE(garbage.closeReason().empty());
  // A slow hello: a byte a second never finishes before the deadline.
  WifiSession slow(kAddress, now);
  const std::string hello = Frame(kHello);
  for (size_t i = 0; i < 5 && slow.state() != WifiSession::State::kClosed; ++i, now += 1000) {
    slow.OnBytes(&hello[i], 1, now);
    slow.OnTick(now);
  }
  slow.OnTick(now);
  EXPECT_EQ(slow.state(), WifiSession::State::kClosed);
  EXPECT_EQ(slow.closeReason(), "no hello in time");
  // A serving phone that sends a broken frame or a too-large list is gone.
  WifiSession serving = Serving({}, now);
  const char huge[] = {0x7f, 0x00, 0x00, 0x00};
  EXPECT_EQ(serving.OnBytes(huge, sizeof(huge), now), WifiSession::Event::kGone);
  WifiSession list(kAddress, now);
  list.OnBytes(hello.data(), hello.size(), now);
  list.Answer(true, now);
  const std::string broken = Frame(R"({"type":"contacts","format":"zorvane-steward-contacts","version":1,)"
                                   R"("contacts":[{"name":7}]})");
  list.OnBytes(broken.data(), broken.size(), now);
  EXPECT_EQ(list.state(), WifiSession::State::kClosed);
  // The user who never answers: the phone is told and closed.
  WifiSession unanswered(kAddress, 0);
  unanswered.OnBytes(hello.data(), hello.size(), 0);
  unanswered.OnTick(kConfirmTimeoutMs);
  EXPECT_EQ(unanswered.state(), WifiSession::State::kClosed);
}

}  // namespace
