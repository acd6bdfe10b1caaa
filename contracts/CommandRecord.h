// The command bus contract: the record every command travels in, the record the host hands to
// each plug-in, and the entry points between them. Host and plug-ins are built separately, so
// every width and offset here is fixed and checked at compile time.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <type_traits>

namespace Gdiplus {
class Bitmap;
}

// The host's images by narrow theme-relative path ("common\close-normal.png"), decoded once per
// process. The map and its bitmaps belong to the host; modules only look images up.
typedef std::map<std::string, Gdiplus::Bitmap*> ImageCache;

// `action` of a command posted to the host entry.
constexpr uint8_t kActionDispatch = 0;  // run the host handler of `name`
constexpr uint8_t kActionRegister = 1;  // register `name` for the module of `instance`

// Window message that hands work to a window's own thread: the host's UI-thread router and the
// panes' update messages.
constexpr UINT kPaneMessage = WM_USER + 100;
static_assert(kPaneMessage == 1124, "the pane message number is part of the contract");

// Show commands carried in `value` by SHOW_WINDOW commands.
constexpr int64_t kShowCommandShow = SW_SHOW;
constexpr int64_t kShowCommandHide = SW_HIDE;

// One command. Every sender starts from an all-zero record (which a default-constructed one is)
// and sets only the fields its command uses. Explicit reserved fields leave no padding, so a
// heap copy made with memcpy carries exactly what the sender wrote.
struct CommandRecord {
  int64_t code = 0;                // operation code or notification kind
  uint8_t action = 0;              // kActionDispatch or kActionRegister
  uint8_t reserved9[3] = {0, 0, 0};
  const char* name = nullptr;        // command name; the bus rewrites it on send to module
  const char* narrowText = nullptr;  // UTF-8 argument (connection-status text)
  const wchar_t* text = nullptr;     // wide argument: device identifier, folder, title
  int64_t value = 0;               // integer argument or result: show command, task ID, kind
  void* data = nullptr;            // pointer argument or result: size, rectangle, checked list
  uint32_t reserved36 = 0;
  int64_t count = 0;               // number of checked items
  void* payload = nullptr;         // device record, item list, section item descriptor
  uint32_t reserved52 = 0;
  int64_t entries = 0;             // list length at `payload`; low 32 bits: connection status
  HWND window = nullptr;           // parent or content window in, created window out
  HINSTANCE instance = nullptr;    // registering module's instance handle
  int64_t total = 0;               // progress total
  int64_t position = 0;            // progress position
};

static_assert(sizeof(CommandRecord) == 88, "command record size");
static_assert(offsetof(CommandRecord, code) == 0, "code");
static_assert(offsetof(CommandRecord, action) == 8, "action");
static_assert(offsetof(CommandRecord, reserved9) == 9, "padding after action");
static_assert(offsetof(CommandRecord, name) == 12, "name");
static_assert(offsetof(CommandRecord, narrowText) == 16, "narrow text");
static_assert(offsetof(CommandRecord, text) == 20, "text");
static_assert(offsetof(CommandRecord, value) == 24, "value");
static_assert(offsetof(CommandRecord, data) == 32, "data");
static_assert(offsetof(CommandRecord, reserved36) == 36, "reserved at 36");
static_assert(offsetof(CommandRecord, count) == 40, "count");
static_assert(offsetof(CommandRecord, payload) == 48, "payload");
static_assert(offsetof(CommandRecord, reserved52) == 52, "reserved at 52");
static_assert(offsetof(CommandRecord, entries) == 56, "entries");
static_assert(offsetof(CommandRecord, window) == 64, "window");
static_assert(offsetof(CommandRecord, instance) == 68, "instance");
static_assert(offsetof(CommandRecord, total) == 72, "total");
static_assert(offsetof(CommandRecord, position) == 80, "position");
static_assert(std::is_trivially_copyable_v<CommandRecord>, "records are copied with memcpy");
static_assert(std::has_unique_object_representations_v<CommandRecord>, "no hidden padding");

// The bus entry and every module entry. Neither may let an exception escape: on i686 an
// exception crossing a module edge terminates the process.
typedef int32_t(__cdecl* CommandEntryProc)(CommandRecord* record);
typedef CommandEntryProc HostEntryProc;
typedef CommandEntryProc ModuleEntryProc;

// One per loaded module, allocated by the host and never freed while the process runs.
struct ModuleRecord {
  HostEntryProc hostEntry = nullptr;      // the bus; set by the host
  ModuleEntryProc moduleEntry = nullptr;  // set by RegisterModule before it registers a name
  HINSTANCE instance = nullptr;           // the module's handle as LoadLibraryW returned it
  ImageCache* imageCache = nullptr;       // the host image cache (unset in the host's own record)
};

static_assert(sizeof(ModuleRecord) == 16, "module record size");
static_assert(offsetof(ModuleRecord, hostEntry) == 0, "host entry");
static_assert(offsetof(ModuleRecord, moduleEntry) == 4, "module entry");
static_assert(offsetof(ModuleRecord, instance) == 8, "instance");
static_assert(offsetof(ModuleRecord, imageCache) == 12, "image cache");
static_assert(std::is_trivially_copyable_v<ModuleRecord>, "module records are plain data");

// The one export of every plug-in, found by this exact undecorated name (export it through the
// plug-in's .def file). Any return value would be ignored.
constexpr char kRegisterModuleExport[] = "RegisterModule";
typedef void(__cdecl* RegisterModuleProc)(ModuleRecord* record);
extern "C" void __cdecl RegisterModule(ModuleRecord* record);

// Registers `name` (a literal that lives as long as the process) for the module of `record`.
inline void RegisterCommand(const ModuleRecord& module, CommandRecord& record, const char* name) {
  if (module.hostEntry == nullptr) return;
  record.action = kActionRegister;
  record.name = name;
  record.instance = module.instance;
  module.hostEntry(&record);
}

// Posts `record` to the host handler of `name`; 0 when the module has no bus.
inline int32_t PostToHost(const ModuleRecord& module, CommandRecord& record, const char* name) {
  if (module.hostEntry == nullptr) return 0;
  record.action = kActionDispatch;
  record.name = name;
  return module.hostEntry(&record);
}

// A heap copy for a post to another thread: the receiver releases it with free(). Null when
// memory is short, which the sender treats as a dropped command.
inline CommandRecord* DuplicateRecord(const CommandRecord& record) {
  void* copy = std::malloc(sizeof(CommandRecord));
  if (copy != nullptr) std::memcpy(copy, &record, sizeof(CommandRecord));
  return static_cast<CommandRecord*>(copy);
}

// A cached image, or null when the cache is absent or the host did not load that path (the
// drawing code then draws nothing).
inline Gdiplus::Bitmap* FindImage(const ImageCache* cache, const char* path) {
  if (cache == nullptr || path == nullptr) return nullptr;
  auto it = cache->find(path);
  return it == cache->end() ? nullptr : it->second;
}

// The status code of a connection-status notice rides in the low 32 bits of `entries`.
inline int32_t ConnectionStatusOf(const CommandRecord& record) {
  return static_cast<int32_t>(static_cast<uint32_t>(record.entries & 0xFFFFFFFF));
}
