// A phone's messages as the device service keeps them: numbers however spaced find their
// conversation, emptied conversations go, and the per-user copy comes back whole or, when
// damaged, is set aside with what could be read kept.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "modules/courier/MessageStore.h"

namespace {

DemoPhone PhoneWithTwoConversations() {
  DemoPhone phone;
  phone.identifier = L"P";
  DemoConversation a;
  a.identifier = L"t1";
  a.address = L"+47 400 10 000";
  DemoMessage first;
  first.identifier = L"m1";
  first.box = L"inbox";
  first.date = L"2024-01-01 10:00";
  first.body = L"one";
  DemoMessage second = first;
  second.identifier = L"m2";
  second.date = L"2024-01-02 10:00";
  second.body = L"two";
  a.messages = {first, second};
  DemoConversation b;
  b.identifier = L"t2";
  b.address = L"+1 555";
  first.identifier = L"m3";
  first.date = L"2024-03-01 10:00";
  b.messages = {first};
  phone.conversations = {a, b};
  return phone;
}

std::filesystem::path TempState() {
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  std::filesystem::path folder = std::filesystem::temp_directory_path() / ("zs-messages-" + std::to_string(stamp));
  std::filesystem::create_directories(folder);
  return folder;
}

}  // namespace

TEST(MessageStore, NumbersFindTheirConversationAndEmptiedConversationsGo) {
  MessageStore store;
  std::string error;
  store.Open(PhoneWithTwoConversations(), std::filesystem::path(), error);
  EXPECT_TRUE(error.empty());
  EXPECT_EQ(store.MessageCount(), 3u);
  EXPECT_EQ(store.ByLatest().front(), 1u);  // t2 has the latest message

  DemoMessage sent;
  sent.identifier = L"m1";  // taken: a new identifier is given
  sent.box = L"sent";
  sent.date = L"2024-04-01 09:00";
  sent.body = L"reply";
  EXPECT_EQ(store.AddMessage(L"+4740010000", sent), L"t1");
  EXPECT_NE(sent.identifier, L"m1");
  EXPECT_TRUE(store.Holds(L"+47 40010000", sent));
  EXPECT_EQ(store.MessageCount(), 4u);
  const std::wstring fresh = store.AddMessage(L"+44 20", sent);
  EXPECT_NE(fresh, L"t1");
  EXPECT_EQ(store.Conversations().size(), 3u);

  EXPECT_EQ(store.RemoveMessages({{L"t2", L"m3"}, {L"t1", L"m2"}, {L"t1", L"nope"}, {L"none", L"m1"}}), 2u);
  EXPECT_EQ(store.Find(L"t2"), nullptr);
  ASSERT_NE(store.Find(L"t1"), nullptr);
  EXPECT_EQ(store.Find(L"t1")->messages.size(), 2u);
  EXPECT_EQ(store.FindByAddress(L"+44 20")->identifier, fresh);
  EXPECT_EQ(store.MessageCount(), 3u);
}

TEST(MessageStore, ChangesComeBackAfterARestartAndADamagedCopyIsSetAside) {
  const std::filesystem::path folder = TempState();
  const std::filesystem::path file = folder / "P.messages.json";
  std::string error;
  {
    MessageStore store;
    store.Open(PhoneWithTwoConversations(), file, error);
    store.RemoveMessages({{L"t2", L"m3"}});
    ASSERT_TRUE(store.Persist(error)) << error;
  }
  MessageStore again;
  again.Open(PhoneWithTwoConversations(), file, error);
  EXPECT_TRUE(error.empty());
  EXPECT_EQ(again.MessageCount(), 2u);
  EXPECT_EQ(again.Find(L"t2"), nullptr);

  // Cut short: what was read stays, the damaged copy is kept aside, and the good part is saved.
  std::string bytes;
  {
    std::ifstream in(file, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes.substr(0, bytes.size() - 3);
  MessageStore damaged;
  damaged.Open(PhoneWithTwoConversations(), file, error);
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(damaged.KeptAs().empty());
  EXPECT_TRUE(std::filesystem::exists(damaged.KeptAs()));
  EXPECT_EQ(damaged.MessageCount(), 2u);
  MessageStore healed;
  healed.Open(PhoneWithTwoConversations(), file, error);
  EXPECT_TRUE(error.empty());
  EXPECT_EQ(healed.MessageCount(), 2u);
  std::filesystem::remove_all(folder);
}
