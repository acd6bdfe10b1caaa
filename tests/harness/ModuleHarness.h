// Loads one plug-in into a test program and plays the host's bus for it: the module record
// with a host entry and an image cache, RegisterModule, send to module, and a record of every
// registration and every post the module makes, from whichever thread it posts.
//
// One harness routes at a time: the host entry is a plain function, so it serves the most
// recently loaded harness. Send what the module needs to release its threads (for example
// LIBCOURIER_COMMAND_DESTROY_RESOURCE) before the harness goes out of scope.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "contracts/CommandRecord.h"

// A post as the host saw it, copied during the call.
struct PostedCommand {
  std::string name;
  CommandRecord record;  // its pointers are the module's and may be stale after the call
  bool hasText = false;
  std::wstring text;  // the wide `text` at the time of the post
  bool hasNarrowText = false;
  std::string narrowText;
  DWORD threadId = 0;  // the posting thread
};

struct Registration {
  std::string name;
  HINSTANCE instance = nullptr;  // as the module passed it
};

class ModuleHarness {
 public:
  // Runs on the posting thread after the post is recorded; may read or change the live record
  // (release a heap payload, answer in `value`). Its result is the host entry's.
  typedef std::function<int32_t(CommandRecord& record)> PostHook;

  ModuleHarness();
  // Unloads the module. Threads the module left running keep a valid module record and a host
  // entry that drops their posts.
  ~ModuleHarness();
  ModuleHarness(const ModuleHarness&) = delete;
  ModuleHarness& operator=(const ModuleHarness&) = delete;

  // The product's plug-in libFoo of this build, plugins\Foo\libFoo.dll (the product folder lies
  // beside the test programs' folder).
  static std::wstring PluginPath(const wchar_t* name);

  // Fill before Load if the module reads images while it registers.
  ImageCache& Images() { return m_images; }

  // LoadLibraryExW (altered search path), then RegisterModule. False when the file does not
  // load or has no RegisterModule (LoadError() then says why).
  bool Load(const std::wstring& path);
  DWORD LoadError() const { return m_loadError; }
  HMODULE Module() const { return m_module; }
  const ModuleRecord& Record() const { return *m_record; }

  std::vector<Registration> Registrations() const;
  std::vector<std::string> RegisteredNames() const;
  bool IsRegistered(const char* name) const;

  // As the host's send to module: unregistered names are dropped (false); otherwise `name` is
  // stored into the record (when there is one) and the module entry is called with it.
  bool Send(const char* name, CommandRecord* record);
  bool Send(const char* name, CommandRecord& record) { return Send(name, &record); }

  void SetHook(const std::string& name, PostHook hook);
  std::vector<PostedCommand> Posts() const;
  std::vector<PostedCommand> PostsNamed(const std::string& name) const;
  size_t CountPosts(const std::string& name) const;
  // True once `count` posts of `name` have arrived, false after `timeoutMs` without.
  bool WaitForPost(const std::string& name, DWORD timeoutMs, size_t count = 1) const;
  void ClearPosts();

 private:
  static int32_t __cdecl HostEntry(CommandRecord* record);
  int32_t OnHostEntry(CommandRecord& record);
  void Detach();

  ModuleRecord* m_record;  // malloc'ed and never freed, like the host's
  ImageCache m_images;
  HMODULE m_module = nullptr;
  DWORD m_loadError = 0;

  mutable std::mutex m_lock;
  mutable std::condition_variable m_posted;
  std::vector<Registration> m_registrations;
  std::vector<PostedCommand> m_posts;
  std::map<std::string, PostHook> m_hooks;
};
