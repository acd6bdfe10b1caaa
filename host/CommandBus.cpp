#include "host/CommandBus.h"

#include <cstdlib>

#include "contracts/CommandNames.h"
#include "contracts/cornerstone/Cornerstone.h"

namespace {

int32_t __cdecl HostModuleEntry(CommandRecord*) { return 0; }

}  // namespace

CommandBus& CommandBus::Instance() {
  // Module records point into this object for the life of the process: never destroyed.
  static CommandBus* bus = new CommandBus();
  return *bus;
}

int32_t __cdecl CommandBus::HostEntry(CommandRecord* record) {
  if (record == nullptr) return 1;
  try {
    switch (record->action) {
      case kActionRegister:
        return Instance().Register(*record);
      case kActionDispatch:
        return Instance().Dispatch(record);
      default:
        return 1;
    }
  } catch (...) {
    BASTrace("CommandBus: handler of %s failed", record->name ? record->name : "(null)");
    return 0;
  }
}

int32_t CommandBus::Register(const CommandRecord& record) {
  if (record.name == nullptr) return 1;
  // A name must lead to a module record; an instance the host never gave out would not.
  auto module = m_instances.find(record.instance);
  if (module == m_instances.end()) return 1;
  m_nameToInstance[record.name] = record.instance;
  m_registrations[record.name] = module->second;
  return 0;
}

int32_t CommandBus::Dispatch(CommandRecord* record) {
  if (record->name == nullptr) return 0;
  auto handler = m_handlers.find(record->name);
  if (handler == m_handlers.end() || handler->second == nullptr) return 0;
  return handler->second(record);
}

ModuleRecord* CommandBus::AddModule(HINSTANCE instance, ImageCache* imageCache) {
  auto* record = static_cast<ModuleRecord*>(std::calloc(1, sizeof(ModuleRecord)));
  if (record == nullptr) return nullptr;
  record->hostEntry = &CommandBus::HostEntry;
  record->moduleEntry = nullptr;
  record->instance = instance;
  record->imageCache = imageCache;
  m_instanceList.push_back(instance);
  m_records.push_back(record);
  m_instances[instance] = record;
  return record;
}

void CommandBus::SelfRegister(HINSTANCE hostInstance) {
  if (m_hostRecord != nullptr) return;
  m_hostRecord = AddModule(hostInstance, nullptr);
  if (m_hostRecord == nullptr) return;
  m_hostRecord->moduleEntry = &HostModuleEntry;
  CommandRecord record;
  RegisterCommand(*m_hostRecord, record, kMainChangeSize);
  RegisterCommand(*m_hostRecord, record, kMainCreateWindow);
}

void CommandBus::SetHandler(const char* name, HostHandler handler) {
  if (name != nullptr) m_handlers[name] = handler;
}

int32_t CommandBus::Post(const char* name, CommandRecord* record) {
  if (record == nullptr) return 0;
  record->action = kActionDispatch;
  record->name = name;
  return HostEntry(record);
}

void CommandBus::Send(const char* name, CommandRecord* record) {
  if (name == nullptr) return;
  auto it = m_registrations.find(name);
  if (it == m_registrations.end() || it->second == nullptr || it->second->moduleEntry == nullptr) return;
  if (record == nullptr) return;
  record->name = name;
  it->second->moduleEntry(record);
}

bool CommandBus::IsRegistered(const char* name) const {
  return name != nullptr && m_registrations.count(name) != 0;
}
