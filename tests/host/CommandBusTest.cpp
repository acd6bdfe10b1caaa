// The bus on its own: registration, dispatch and send as modules see them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "contracts/CommandNames.h"
#include "host/CommandBus.h"

namespace {

// Two fake modules with distinct instance handles that record what reaches them.
std::vector<std::string> g_firstGot, g_secondGot;
int32_t __cdecl FirstEntry(CommandRecord* r) {
  g_firstGot.push_back(r->name);
  return 0;
}
int32_t __cdecl SecondEntry(CommandRecord* r) {
  g_secondGot.push_back(r->name);
  r->value = 77;
  return 0;
}

int g_handled = 0;
int32_t CountingHandler(CommandRecord* r) {
  ++g_handled;
  return static_cast<int32_t>(r->value + 1);
}

HINSTANCE FakeInstance(uintptr_t n) { return reinterpret_cast<HINSTANCE>(0x10000000 + n * 0x10000); }

struct Modules {
  ModuleRecord* first;
  ModuleRecord* second;
};

Modules AddTwoModules(uintptr_t base) {
  CommandBus& bus = CommandBus::Instance();
  Modules m{bus.AddModule(FakeInstance(base), nullptr), bus.AddModule(FakeInstance(base + 1), nullptr)};
  m.first->moduleEntry = FirstEntry;
  m.second->moduleEntry = SecondEntry;
  g_firstGot.clear();
  g_secondGot.clear();
  return m;
}

}  // namespace

TEST(CommandBus, TheLastRegistrationWinsAndResultsComeBackInTheRecord) {
  Modules m = AddTwoModules(1);
  CommandRecord reg;
  RegisterCommand(*m.first, reg, "TEST_COMMAND_SHARED");
  RegisterCommand(*m.second, reg, "TEST_COMMAND_SHARED");
  RegisterCommand(*m.first, reg, "TEST_COMMAND_FIRST_ONLY");
  CommandRecord send;
  CommandBus::Instance().Send("TEST_COMMAND_SHARED", &send);
  EXPECT_TRUE(g_firstGot.empty());
  ASSERT_EQ(g_secondGot.size(), 1u);
  EXPECT_EQ(send.value, 77);
  EXPECT_STREQ(send.name, "TEST_COMMAND_SHARED");
  CommandBus::Instance().Send("TEST_COMMAND_FIRST_ONLY", &send);
  EXPECT_EQ(g_firstGot.size(), 1u);
}

TEST(CommandBus, UnknownNamesActionsAndInstancesChangeNothing) {
  Modules m = AddTwoModules(3);
  CommandBus& bus = CommandBus::Instance();
  CommandRecord send;
  bus.Send("TEST_COMMAND_NOBODY", &send);  // dropped, no crash
  bus.Send(nullptr, &send);
  bus.Send("TEST_COMMAND_NOBODY", nullptr);

  CommandRecord odd;
  odd.action = 2;
  odd.name = "TEST_COMMAND_ACTION_TWO";
  odd.instance = m.first->instance;
  EXPECT_NE(CommandBus::HostEntry(&odd), 0);
  EXPECT_FALSE(bus.IsRegistered("TEST_COMMAND_ACTION_TWO"));

  // An instance the host never gave out cannot register a name.
  CommandRecord stranger;
  stranger.action = kActionRegister;
  stranger.name = "TEST_COMMAND_STRANGER";
  stranger.instance = FakeInstance(999);
  CommandBus::HostEntry(&stranger);
  EXPECT_FALSE(bus.IsRegistered("TEST_COMMAND_STRANGER"));
  bus.Send("TEST_COMMAND_STRANGER", &send);

  CommandRecord posted;
  posted.name = "TEST_COMMAND_NO_HANDLER";
  EXPECT_EQ(CommandBus::HostEntry(&posted), 0);
  EXPECT_NE(CommandBus::HostEntry(nullptr), 0);
  EXPECT_TRUE(g_firstGot.empty());
  EXPECT_TRUE(g_secondGot.empty());
}

TEST(CommandBus, HostNamesReachTheDoNothingEntryOnSendAndTheHandlerOnPost) {
  CommandBus& bus = CommandBus::Instance();
  bus.SelfRegister(GetModuleHandleW(nullptr));
  bus.SelfRegister(GetModuleHandleW(nullptr));  // once only
  ASSERT_NE(bus.HostRecord(), nullptr);
  EXPECT_TRUE(bus.IsRegistered(kMainCreateWindow));
  EXPECT_TRUE(bus.IsRegistered(kMainChangeSize));
  bus.SetHandler(kMainCreateWindow, CountingHandler);
  g_handled = 0;
  CommandRecord record;
  bus.Send(kMainCreateWindow, &record);
  EXPECT_EQ(g_handled, 0);
  record.value = 41;
  EXPECT_EQ(PostToHost(*bus.HostRecord(), record, kMainCreateWindow), 42);
  EXPECT_EQ(g_handled, 1);
}

TEST(CommandBus, RoutingIsByNameAtTheMomentOfSending) {
  Modules m = AddTwoModules(5);
  CommandBus& bus = CommandBus::Instance();
  CommandRecord send;
  bus.Send("TEST_COMMAND_LATE", &send);  // before the late module registered
  EXPECT_TRUE(g_secondGot.empty());
  CommandRecord reg;
  RegisterCommand(*m.second, reg, "TEST_COMMAND_LATE");
  bus.Send("TEST_COMMAND_LATE", &send);
  EXPECT_EQ(g_secondGot.size(), 1u);
}
