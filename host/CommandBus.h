// The command bus: the host's tables and the two directions of travel, post to host
// (a host handler runs) and send to module (the module that registered the name runs).
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "contracts/CommandRecord.h"

typedef int32_t (*HostHandler)(CommandRecord* record);

class CommandBus {
 public:
  static CommandBus& Instance();

  // The entry every module record carries: action 1 registers, 0 dispatches to a host
  // handler, anything else is refused with a non-zero answer.
  static int32_t __cdecl HostEntry(CommandRecord* record);

  // Allocates a module record for a loaded module and enters it in the instance table.
  ModuleRecord* AddModule(HINSTANCE instance, ImageCache* imageCache);
  // The host's own record, whose module entry does nothing; registers the host's names.
  void SelfRegister(HINSTANCE hostInstance);
  ModuleRecord* HostRecord() const { return m_hostRecord; }

  void SetHandler(const char* name, HostHandler handler);
  // Runs the host handler of `name` (the record's `name` is set to it); 0 when none.
  int32_t Post(const char* name, CommandRecord* record);
  // Calls the module that registered `name`; an unregistered name is dropped.
  void Send(const char* name, CommandRecord* record);
  bool IsRegistered(const char* name) const;

  const std::vector<HINSTANCE>& Instances() const { return m_instanceList; }

 private:
  CommandBus() = default;
  int32_t Register(const CommandRecord& record);
  int32_t Dispatch(CommandRecord* record);

  std::map<std::string, HostHandler> m_handlers;
  std::map<std::string, ModuleRecord*> m_registrations;
  std::map<HINSTANCE, ModuleRecord*> m_instances;
  std::map<std::string, HINSTANCE> m_nameToInstance;
  std::vector<HINSTANCE> m_instanceList;
  std::vector<ModuleRecord*> m_records;
  ModuleRecord* m_hostRecord = nullptr;
};
