// libProbe against a fake host entry: host tests trust what it registers, logs and posts.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "contracts/CommandRecord.h"
#include "tests/probe/ProbeLog.h"

namespace {

using nlohmann::json;

constexpr int32_t kHostResult = 42;

// What the fake host entry saw, copied out of the record during the call.
struct HostCall {
  uint8_t action = 0;
  std::string name;
  HINSTANCE instance = nullptr;
  HWND window = nullptr;
  int64_t code = 0;
  int64_t value = 0;
  int64_t count = 0;
  int64_t entries = 0;
  int64_t total = 0;
  int64_t position = 0;
  bool hasText = false;
  std::wstring text;
  bool hasNarrowText = false;
  std::string narrowText;
  DWORD thread = 0;
};

std::vector<HostCall> g_hostCalls;
int g_closeMessages = 0;

int32_t __cdecl FakeHostEntry(CommandRecord* record) {
  HostCall call;
  call.action = record->action;
  call.name = record->name != nullptr ? record->name : "";
  call.instance = record->instance;
  call.window = record->window;
  call.code = record->code;
  call.value = record->value;
  call.count = record->count;
  call.entries = record->entries;
  call.total = record->total;
  call.position = record->position;
  call.hasText = record->text != nullptr;
  if (call.hasText) call.text = record->text;
  call.hasNarrowText = record->narrowText != nullptr;
  if (call.hasNarrowText) call.narrowText = record->narrowText;
  call.thread = GetCurrentThreadId();
  g_hostCalls.push_back(call);
  return kHostResult;
}

std::vector<HostCall> CallsWithAction(uint8_t action) {
  std::vector<HostCall> calls;
  for (const auto& call : g_hostCalls) {
    if (call.action == action) calls.push_back(call);
  }
  return calls;
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    ++g_closeMessages;
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// A visible top-level window standing in for the host's main frame.
class TestFrame {
 public:
  TestFrame() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ProbeTestFrame";
    RegisterClassW(&wc);
    m_hwnd = CreateWindowExW(0, L"ProbeTestFrame", L"frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 150, nullptr,
                             nullptr, wc.hInstance, nullptr);
  }
  ~TestFrame() {
    if (m_hwnd != nullptr) DestroyWindow(m_hwnd);
  }
  TestFrame(const TestFrame&) = delete;
  TestFrame& operator=(const TestFrame&) = delete;
  HWND Hwnd() const { return m_hwnd; }

 private:
  HWND m_hwnd = nullptr;
};

const std::wstring& PluginsFolder() {
  static const std::wstring folder = [] {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring path = std::wstring(temp) + L"zs-probe-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                        std::to_wstring(GetTickCount()) + L"\\";
    CreateDirectoryW(path.c_str(), nullptr);
    return path;
  }();
  return folder;
}

std::string Utf8(const std::wstring& text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string narrow(size > 0 ? size - 1 : 0, '\0');
  if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &narrow[0], size, nullptr, nullptr);
  return narrow;
}

bool WriteText(const std::wstring& path, const std::string& text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == text.size();
}

struct LoadedProbe {
  HMODULE module = nullptr;
  ModuleRecord* record = nullptr;
  std::wstring dll;
  std::wstring log;
};

// Installs a copy named `name`, optionally replaces its script with `script` (nullptr keeps the
// JSON, "" removes the file), loads it as the host does and runs RegisterModule. Copies are never
// unloaded: their timers and registered names live as long as the process, as in the host.
LoadedProbe StartProbe(const std::wstring& name, const json& config, const char* script = nullptr) {
  LoadedProbe probe;
  probe.dll = InstallProbe(PluginsFolder(), name, config);
  if (probe.dll.empty()) return probe;
  probe.log = ProbeLogPathFor(probe.dll);
  if (script != nullptr) {
    std::wstring path = ProbeConfigPathFor(probe.dll);
    DeleteFileW(path.c_str());
    if (*script != 0 && !WriteText(path, script)) return probe;
  }
  probe.module = LoadLibraryExW(probe.dll.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  auto registerModule = reinterpret_cast<RegisterModuleProc>(
      reinterpret_cast<void*>(GetProcAddress(probe.module, kRegisterModuleExport)));
  if (registerModule == nullptr) return probe;
  probe.record = new ModuleRecord;
  probe.record->hostEntry = FakeHostEntry;
  probe.record->instance = probe.module;
  registerModule(probe.record);
  return probe;
}

void PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (!done() && GetTickCount() - start < timeoutMs) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

std::vector<std::string> ExportedNames(HMODULE module) {
  std::vector<std::string> names;
  auto base = reinterpret_cast<const BYTE*>(module);
  auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (dir.VirtualAddress == 0) return names;
  auto exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
  auto nameRvas = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) names.push_back(reinterpret_cast<const char*>(base + nameRvas[i]));
  return names;
}

uint64_t IntegerOf(const void* pointer) { return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(pointer)); }

}  // namespace

TEST(ProbeModule, RegistersScriptedNamesInOrderWithItsOwnInstance) {
  g_hostCalls.clear();
  LoadedProbe probe =
      StartProbe(L"libProbe", {{"register", {"PROBE_COMMAND_B", "PROBE_COMMAND_A", "PROBE_COMMAND_C"}}});
  ASSERT_NE(probe.module, nullptr) << "error " << GetLastError();
  ASSERT_NE(probe.record, nullptr);
  EXPECT_EQ(ExportedNames(probe.module), std::vector<std::string>{"RegisterModule"});
  EXPECT_NE(probe.record->moduleEntry, nullptr);

  ASSERT_EQ(g_hostCalls.size(), 3u);
  const char* expected[] = {"PROBE_COMMAND_B", "PROBE_COMMAND_A", "PROBE_COMMAND_C"};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(g_hostCalls[i].action, kActionRegister);
    EXPECT_EQ(g_hostCalls[i].name, expected[i]);
    EXPECT_EQ(g_hostCalls[i].instance, probe.module);
  }

  ProbeLog log = ProbeLog::Read(probe.log);
  ASSERT_FALSE(log.Empty());
  EXPECT_EQ(log.Entries().front()["event"], "loaded");
  EXPECT_EQ(log.Entries().front()["module"], "libProbe");
  EXPECT_EQ(log.Entries().front()["instance"], IntegerOf(probe.module));
  EXPECT_EQ(log.Names("registered"), std::vector<std::string>(expected, expected + 3));
}

TEST(ProbeModule, LogsEveryFieldOfReceivedCommandsAndWritesAnswersBack) {
  g_hostCalls.clear();
  TestFrame frame;
  ASSERT_NE(frame.Hwnd(), nullptr);
  std::wstring logPath = PluginsFolder() + L"recorder-explicit.log";
  LoadedProbe probe =
      StartProbe(L"libRecorder", {{"log", Utf8(logPath)},
                                  {"register", {"REC_COMMAND_FULL", "REC_COMMAND_SHOW"}},
                                  {"answer", {{"REC_COMMAND_SHOW", {{"window", "self"}, {"value", 7}}}}}});
  ASSERT_NE(probe.record, nullptr);
  ASSERT_NE(probe.record->moduleEntry, nullptr);

  CommandRecord full;
  full.code = -3;
  full.name = "REC_COMMAND_FULL";
  full.narrowText = "na\xC3\xAFve";
  full.text = L"Gr\u00FC\u00DFe \u2713 \U0001F4F1";
  full.value = int64_t(1) << 40;
  full.data = reinterpret_cast<void*>(0x1234);
  full.count = 5;
  full.payload = reinterpret_cast<void*>(0x5678);
  full.entries = 0x100000002LL;
  full.window = frame.Hwnd();
  full.instance = reinterpret_cast<HINSTANCE>(0x9abc);
  full.total = 1000;
  full.position = 250;
  probe.record->moduleEntry(&full);
  CommandRecord empty;
  empty.name = "REC_COMMAND_FULL";
  probe.record->moduleEntry(&empty);

  CommandRecord show;
  show.name = "REC_COMMAND_SHOW";
  show.window = frame.Hwnd();
  probe.record->moduleEntry(&show);
  HWND child = show.window;
  EXPECT_NE(child, frame.Hwnd());
  ASSERT_TRUE(IsWindow(child));
  EXPECT_EQ(GetParent(child), frame.Hwnd());
  EXPECT_FALSE(IsWindowVisible(child));
  EXPECT_EQ(show.value, 7);
  CommandRecord again;
  again.name = "REC_COMMAND_SHOW";
  again.window = frame.Hwnd();
  probe.record->moduleEntry(&again);
  EXPECT_EQ(again.window, child) << "one pane per parent";

  ProbeLog log = ProbeLog::Read(logPath);
  EXPECT_EQ(GetFileAttributesW(probe.log.c_str()), INVALID_FILE_ATTRIBUTES) << "the script named another log";
  std::vector<json> received = log.Received("REC_COMMAND_FULL");
  ASSERT_EQ(received.size(), 2u);
  const json& line = received[0];
  for (const char* field : {"code", "action", "name", "narrowText", "text", "value", "data", "count", "payload",
                            "entries", "window", "instance", "total", "position", "seq", "tick", "thread"})
    EXPECT_TRUE(line.contains(field)) << field;
  EXPECT_FALSE(line.contains("event")) << "only received commands come without an event";
  EXPECT_EQ(line["code"], -3);
  EXPECT_EQ(line["action"], 0);
  EXPECT_EQ(line["narrowText"], "na\xC3\xAFve");
  EXPECT_EQ(line["text"],
            "Gr\xC3\xBC\xC3\x9F"
            "e \xE2\x9C\x93 \xF0\x9F\x93\xB1");
  EXPECT_EQ(line["value"], int64_t(1) << 40);
  EXPECT_EQ(line["data"], 0x1234);
  EXPECT_EQ(line["count"], 5);
  EXPECT_EQ(line["payload"], 0x5678);
  EXPECT_EQ(line["entries"], 0x100000002LL);
  EXPECT_EQ(HwndOf(line), frame.Hwnd());
  EXPECT_EQ(line["instance"], 0x9abc);
  EXPECT_EQ(line["total"], 1000);
  EXPECT_EQ(line["position"], 250);
  EXPECT_EQ(line["thread"], GetCurrentThreadId());
  EXPECT_TRUE(received[1]["text"].is_null());
  EXPECT_TRUE(received[1]["narrowText"].is_null());
  EXPECT_EQ(received[1]["window"], 0);
  EXPECT_GT(received[1]["seq"].get<int64_t>(), line["seq"].get<int64_t>());

  std::vector<json> answered = log.Events("answered", "REC_COMMAND_SHOW");
  ASSERT_EQ(answered.size(), 2u);
  EXPECT_EQ(HwndOf(answered[0]), child);
  EXPECT_EQ(answered[0]["value"], 7);
  // The received line shows the record as it came in, before the answer.
  EXPECT_EQ(HwndOf(*log.LastReceived("REC_COMMAND_SHOW")), frame.Hwnd());
}

TEST(ProbeModule, PostsItsScriptFromTheMessageLoopAndClosesTheFrame) {
  g_hostCalls.clear();
  g_closeMessages = 0;
  TestFrame frame;
  ASSERT_NE(frame.Hwnd(), nullptr);
  HWND view = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, frame.Hwnd(), nullptr, nullptr, nullptr);
  ASSERT_NE(view, nullptr);
  json config = {{"register", {"POSTER_COMMAND_SHOW"}},
                 {"post",
                  {{{"name", "MAIN_COMMAND_FIRST"},
                    {"afterMs", 0},
                    {"code", 3},
                    {"value", -5},
                    {"count", 2},
                    {"entries", 7},
                    {"total", 100},
                    {"position", 40},
                    {"text", "dev-\xC3\xA9"},
                    {"narrowText", "ok"}},
                   {{"name", "MAIN_COMMAND_LATER"}, {"afterMs", 80}, {"windowFromLastReceived", "POSTER_COMMAND_SHOW"}},
                   {{"name", "MAIN_COMMAND_ODD"}, {"afterMs", 0}, {"action", 2}}}},
                 {"closeAfterMs", 80}};
  LoadedProbe probe = StartProbe(L"libPoster", config);
  ASSERT_NE(probe.record, nullptr);
  EXPECT_TRUE(CallsWithAction(kActionDispatch).empty()) << "posts wait for the message loop";

  CommandRecord show;
  show.name = "POSTER_COMMAND_SHOW";
  show.window = view;
  probe.record->moduleEntry(&show);
  PumpMessagesUntil([] { return g_closeMessages > 0; }, 5000);
  EXPECT_EQ(g_closeMessages, 1);

  std::vector<HostCall> calls = g_hostCalls;
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].action, kActionRegister);
  // Posts due together keep their script order.
  EXPECT_EQ(calls[1].name, "MAIN_COMMAND_FIRST");
  EXPECT_EQ(calls[2].name, "MAIN_COMMAND_ODD");
  EXPECT_EQ(calls[3].name, "MAIN_COMMAND_LATER");
  const HostCall& first = calls[1];
  EXPECT_EQ(first.action, kActionDispatch);
  EXPECT_EQ(first.code, 3);
  EXPECT_EQ(first.value, -5);
  EXPECT_EQ(first.count, 2);
  EXPECT_EQ(first.entries, 7);
  EXPECT_EQ(first.total, 100);
  EXPECT_EQ(first.position, 40);
  EXPECT_EQ(first.text, L"dev-\u00E9");
  EXPECT_EQ(first.narrowText, "ok");
  EXPECT_EQ(first.window, nullptr);
  EXPECT_EQ(first.instance, nullptr);
  EXPECT_EQ(first.thread, GetCurrentThreadId());
  EXPECT_EQ(calls[2].action, 2);
  EXPECT_EQ(calls[3].window, view);
  EXPECT_FALSE(calls[3].hasText);
  EXPECT_FALSE(calls[3].hasNarrowText);

  ProbeLog log = ProbeLog::Read(probe.log);
  EXPECT_EQ(log.Names("posted"),
            (std::vector<std::string>{"MAIN_COMMAND_FIRST", "MAIN_COMMAND_ODD", "MAIN_COMMAND_LATER"}));
  for (const auto& posted : log.Events("posted")) EXPECT_EQ(posted["result"], kHostResult);
  std::vector<json> close = log.Events("close");
  ASSERT_EQ(close.size(), 1u);
  EXPECT_EQ(HwndOf(close[0]), frame.Hwnd()) << "the root of the window it was given";
  int64_t loadedTick = log.Events("loaded").at(0)["tick"];
  int64_t laterTick = log.Events("posted", "MAIN_COMMAND_LATER").at(0)["tick"];
  EXPECT_GE(laterTick - loadedTick, 60) << "afterMs counts from RegisterModule";
}

TEST(ProbeModule, BadOrMissingScriptRegistersNothingAndSaysSo) {
  struct Case {
    const wchar_t* name;
    const char* script;
  };
  const Case cases[] = {
      {L"libBroken", "{\"register\": [\"BROKEN_COMMAND_A\""},
      {L"libMissing", ""},
      {L"libNotArray", "{\"register\": \"NOT_COMMAND_A\"}"},
      // A misspelt key must not quietly drop the post it belongs to.
      {L"libTypo", "{\"register\": [\"TYPO_COMMAND_A\"], \"post\": [{\"name\": \"MAIN_X\", \"afterMS\": 0}]}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.name));
    g_hostCalls.clear();
    LoadedProbe probe = StartProbe(c.name, json::object(), c.script);
    ASSERT_NE(probe.record, nullptr);
    EXPECT_NE(probe.record->moduleEntry, nullptr);
    PumpMessagesUntil([] { return false; }, 60);
    EXPECT_TRUE(g_hostCalls.empty());
    ProbeLog log = ProbeLog::Read(probe.log);
    ASSERT_EQ(log.Entries().size(), 1u);
    EXPECT_EQ(log.Entries()[0]["event"], "config-error");
  }
}

TEST(ProbeLogReader, SkipsALineCutShortByAKilledProcess) {
  std::wstring path = PluginsFolder() + L"cut.log";
  // A received command, a blank line, an event and a cut-off line.
  ASSERT_TRUE(
      WriteText(path, "{\"name\":\"A\",\"window\":66}\r\n\n{\"event\":\"posted\",\"name\":\"B\"}\n{\"name\":\"C"));
  ProbeLog log = ProbeLog::Read(path);
  ASSERT_EQ(log.Entries().size(), 2u);
  EXPECT_EQ(log.ReceivedNames(), std::vector<std::string>{"A"});
  EXPECT_EQ(log.Names("posted"), std::vector<std::string>{"B"});
  EXPECT_EQ(HwndOf(*log.LastReceived("A")), reinterpret_cast<HWND>(66));
  EXPECT_EQ(log.LastReceived("B"), nullptr);
  EXPECT_TRUE(ProbeLog::Read(PluginsFolder() + L"absent.log").Empty());
}
