// libProbe: a plug-in for host tests. It registers the names its script lists, writes every
// command it receives to a JSON Lines log, posts scripted commands to the host from a timer on
// the UI thread and can close the main frame. Each copy reads the script beside its own file, so
// one build can stand in for several modules.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "contracts/CommandRecord.h"
#include "tests/probe/ProbeConfig.h"

namespace {

using Line = nlohmann::ordered_json;

// Index into ProbeConfig::posts, or this for the close step.
constexpr int kCloseStep = -1;

struct ScheduleStep {
  uint32_t dueMs;
  int post;
};

// Allocated once and never freed: the host keeps pointers to the registered names (and may keep
// a posted record's text) until the process ends.
struct ProbeState {
  ModuleRecord* module = nullptr;
  std::wstring dllPath;
  std::string moduleName;
  ProbeConfig config;

  // Commands may arrive on a worker thread; the log and the window maps are shared with it.
  std::mutex lock;
  int64_t seq = 0;
  std::map<std::string, HWND> lastWindowByName;
  std::vector<HWND> receivedWindows;  // distinct, in order of first arrival
  std::map<HWND, HWND> answerWindows;

  std::vector<ScheduleStep> schedule;
  size_t nextStep = 0;
  DWORD startTick = 0;
};

ProbeState* g_state = nullptr;

struct FileCloser {
  void operator()(FILE* file) const { fclose(file); }
};
using FileHandle = std::unique_ptr<FILE, FileCloser>;

uint64_t IntegerOf(const void* pointer) { return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(pointer)); }

// One line per open-append-close, so a killed host leaves every line written before it died.
void WriteLine(ProbeState& state, Line body) {
  std::lock_guard<std::mutex> guard(state.lock);
  Line line;
  line["seq"] = ++state.seq;
  line["tick"] = GetTickCount();
  line["thread"] = GetCurrentThreadId();
  line["module"] = state.moduleName;
  for (auto it = body.begin(); it != body.end(); ++it) line[it.key()] = it.value();
  std::string text = line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
  FileHandle file(_wfopen(state.config.logPath.c_str(), L"ab"));
  if (file == nullptr) return;
  fwrite(text.data(), 1, text.size(), file.get());
}

std::wstring OwnPath() {
  HMODULE self = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCWSTR>(&RegisterModule), &self))
    return std::wstring();
  std::vector<wchar_t> buffer(32768);
  DWORD size = GetModuleFileNameW(self, buffer.data(), static_cast<DWORD>(buffer.size()));
  return std::wstring(buffer.data(), size < buffer.size() ? size : 0);
}

// The DLL's path with its ".dll" replaced by `extension`.
std::wstring SiblingPath(const std::wstring& dllPath, const wchar_t* extension) {
  std::wstring stem = dllPath;
  if (stem.size() >= 4 && _wcsicmp(stem.c_str() + stem.size() - 4, L".dll") == 0) stem.resize(stem.size() - 4);
  return stem + extension;
}

std::string StemOf(const std::wstring& dllPath) {
  std::wstring stem = SiblingPath(dllPath, L"");
  size_t slash = stem.find_last_of(L"\\/");
  return ProbeUtf8FromWide(stem.substr(slash == std::wstring::npos ? 0 : slash + 1).c_str());
}

bool ReadFileText(const std::wstring& path, std::string& text) {
  FileHandle file(_wfopen(path.c_str(), L"rb"));
  if (file == nullptr) return false;
  char buffer[4096];
  size_t got = 0;
  while ((got = fread(buffer, 1, sizeof buffer, file.get())) > 0) text.append(buffer, got);
  return true;
}

Line TextOrNull(const char* text) { return text == nullptr ? Line() : Line(std::string(text)); }
Line TextOrNull(const wchar_t* text) { return text == nullptr ? Line() : Line(ProbeUtf8FromWide(text)); }

// A received command is the one kind of line without an "event".
Line RecordLine(const CommandRecord& record) {
  Line line;
  line["name"] = TextOrNull(record.name);
  line["code"] = record.code;
  line["action"] = record.action;
  line["narrowText"] = TextOrNull(record.narrowText);
  line["text"] = TextOrNull(record.text);
  line["value"] = record.value;
  line["data"] = IntegerOf(record.data);
  line["count"] = record.count;
  line["payload"] = IntegerOf(record.payload);
  line["entries"] = record.entries;
  line["window"] = IntegerOf(record.window);
  line["instance"] = IntegerOf(record.instance);
  line["total"] = record.total;
  line["position"] = record.position;
  return line;
}

// A hidden static under `parent`, made once per parent, standing in for a module's pane.
HWND AnswerWindowFor(ProbeState& state, HWND parent) {
  if (parent == nullptr || !IsWindow(parent)) return nullptr;
  {
    std::lock_guard<std::mutex> guard(state.lock);
    auto it = state.answerWindows.find(parent);
    if (it != state.answerWindows.end() && IsWindow(it->second)) return it->second;
  }
  HWND child = CreateWindowExW(0, L"STATIC", L"libProbe", WS_CHILD, 0, 0, 10, 10, parent, nullptr,
                               state.module->instance, nullptr);
  if (child == nullptr) return nullptr;
  std::lock_guard<std::mutex> guard(state.lock);
  state.answerWindows[parent] = child;
  return child;
}

int32_t Receive(ProbeState& state, CommandRecord* record) {
  if (record == nullptr) return 0;
  std::string name = record->name != nullptr ? record->name : "";
  Line received = RecordLine(*record);
  auto peek = state.config.peekData.find(name);
  if (peek != state.config.peekData.end() && record->data != nullptr) {
    const auto* ints = static_cast<const int32_t*>(record->data);
    received["peek"] = std::vector<int32_t>(ints, ints + peek->second);
  }
  WriteLine(state, received);
  if (record->window != nullptr) {
    std::lock_guard<std::mutex> guard(state.lock);
    state.lastWindowByName[name] = record->window;
    auto& windows = state.receivedWindows;
    if (std::find(windows.begin(), windows.end(), record->window) == windows.end()) windows.push_back(record->window);
  }
  auto answer = state.config.answers.find(name);
  if (answer == state.config.answers.end()) return 0;
  if (answer->second.createWindow) {
    HWND child = AnswerWindowFor(state, record->window);
    if (child != nullptr) record->window = child;
  }
  if (answer->second.hasValue) record->value = answer->second.value;
  Line line;
  line["event"] = "answered";
  line["name"] = name;
  line["window"] = IntegerOf(record->window);
  line["value"] = record->value;
  WriteLine(state, line);
  return 0;
}

int32_t __cdecl ProbeEntry(CommandRecord* record) {
  try {
    if (g_state != nullptr) return Receive(*g_state, record);
  } catch (...) {
  }
  return 0;
}

void Post(ProbeState& state, const ProbePost& post) {
  CommandRecord record;
  record.action = post.action;
  record.name = post.name.c_str();
  record.code = post.code;
  record.value = post.value;
  record.count = post.count;
  record.entries = post.entries;
  record.total = post.total;
  record.position = post.position;
  if (post.hasText) record.text = post.text.c_str();
  if (post.hasNarrowText) record.narrowText = post.narrowText.c_str();
  if (post.instanceSelf) record.instance = state.module->instance;
  if (!post.windowFrom.empty()) {
    std::lock_guard<std::mutex> guard(state.lock);
    auto it = state.lastWindowByName.find(post.windowFrom);
    if (it != state.lastWindowByName.end()) record.window = it->second;
  }
  Line line;
  line["event"] = "posted";
  line["name"] = post.name;
  line["action"] = post.action;
  line["window"] = IntegerOf(record.window);
  // Commands the host sends back while handling the post are logged before this line.
  line["result"] = state.module->hostEntry != nullptr ? Line(state.module->hostEntry(&record)) : Line();
  WriteLine(state, line);
}

BOOL CALLBACK FindOwnTopLevel(HWND hwnd, LPARAM param) {
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  if (process != GetCurrentProcessId() || !IsWindowVisible(hwnd)) return TRUE;
  // Shadows, dialogs and tool windows are owned or marked; the frame is neither.
  if (GetWindow(hwnd, GW_OWNER) != nullptr || (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW)) return TRUE;
  *reinterpret_cast<HWND*>(param) = hwnd;
  return FALSE;
}

// The top-level window of the oldest received window still alive (the first commands name the
// main view, later ones may name panes that are gone); else the process's first visible
// top-level window.
HWND FindMainFrame(ProbeState& state) {
  {
    std::lock_guard<std::mutex> guard(state.lock);
    for (HWND window : state.receivedWindows) {
      if (IsWindow(window)) return GetAncestor(window, GA_ROOT);
    }
  }
  HWND found = nullptr;
  EnumWindows(FindOwnTopLevel, reinterpret_cast<LPARAM>(&found));
  return found;
}

void CloseMainFrame(ProbeState& state) {
  HWND frame = FindMainFrame(state);
  if (frame != nullptr) PostMessageW(frame, WM_CLOSE, 0, 0);
  Line line;
  line["event"] = "close";
  line["window"] = IntegerOf(frame);
  WriteLine(state, line);
}

void CALLBACK ScheduleTimerProc(HWND, UINT, UINT_PTR id, DWORD);

void ArmSchedule(ProbeState& state) {
  if (state.nextStep >= state.schedule.size()) return;
  DWORD elapsed = GetTickCount() - state.startTick;
  uint32_t due = state.schedule[state.nextStep].dueMs;
  if (SetTimer(nullptr, 0, due > elapsed ? due - elapsed : 0, ScheduleTimerProc) != 0) return;
  Line line;
  line["event"] = "timer-error";
  line["error"] = GetLastError();
  WriteLine(state, line);
}

// One step per tick. The next tick is armed before the step runs, so a modal loop that the step
// opens in the host still runs the rest of the script.
void CALLBACK ScheduleTimerProc(HWND, UINT, UINT_PTR id, DWORD) {
  try {
    KillTimer(nullptr, id);
    if (g_state == nullptr || g_state->nextStep >= g_state->schedule.size()) return;
    ProbeState& state = *g_state;
    ScheduleStep step = state.schedule[state.nextStep++];
    ArmSchedule(state);
    if (step.post == kCloseStep) {
      CloseMainFrame(state);
    } else {
      Post(state, state.config.posts[step.post]);
    }
  } catch (...) {
  }
}

void Register(ModuleRecord* record) {
  if (record == nullptr || g_state != nullptr) return;
  g_state = new ProbeState;
  ProbeState& state = *g_state;
  state.module = record;
  record->moduleEntry = ProbeEntry;
  state.dllPath = OwnPath();
  state.moduleName = StemOf(state.dllPath);
  state.config.logPath = SiblingPath(state.dllPath, L".log");

  std::wstring configPath = SiblingPath(state.dllPath, L".json");
  std::string text;
  std::string error;
  ProbeConfig config;
  config.logPath = state.config.logPath;
  if (!ReadFileText(configPath, text)) {
    error = "cannot read the script";
  } else if (!ParseProbeConfig(text, config, error)) {
    state.config.logPath = config.logPath;
  }
  if (!error.empty()) {
    Line line;
    line["event"] = "config-error";
    line["config"] = ProbeUtf8FromWide(configPath.c_str());
    line["error"] = error;
    WriteLine(state, line);
    return;
  }
  state.config = std::move(config);

  Line loaded;
  loaded["event"] = "loaded";
  loaded["path"] = ProbeUtf8FromWide(state.dllPath.c_str());
  loaded["instance"] = IntegerOf(record->instance);
  WriteLine(state, loaded);

  CommandRecord registration;
  for (const auto& name : state.config.registerNames) {
    RegisterCommand(*record, registration, name.c_str());
    Line line;
    line["event"] = "registered";
    line["name"] = name;
    line["instance"] = IntegerOf(record->instance);
    WriteLine(state, line);
  }

  for (size_t i = 0; i < state.config.posts.size(); ++i)
    state.schedule.push_back({state.config.posts[i].afterMs, static_cast<int>(i)});
  if (state.config.closes) state.schedule.push_back({state.config.closeAfterMs, kCloseStep});
  // Steps due together keep their script order; the close comes after posts due with it.
  std::stable_sort(state.schedule.begin(), state.schedule.end(),
                   [](const ScheduleStep& a, const ScheduleStep& b) { return a.dueMs < b.dueMs; });
  state.startTick = GetTickCount();
  ArmSchedule(state);
}

}  // namespace

extern "C" void __cdecl RegisterModule(ModuleRecord* record) {
  try {
    Register(record);
  } catch (...) {
  }
}
