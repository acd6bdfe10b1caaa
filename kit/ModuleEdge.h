// What every plug-in's edge does alike: the module entry that runs a command without letting an
// exception cross into the host, and RegisterModule's registration of the command names.
#pragma once

#include "contracts/CommandRecord.h"
#include "contracts/cornerstone/Cornerstone.h"

#include <cstdint>
#include <cstring>
#include <exception>

// The module entry's body: `dispatch` runs the named command; whatever it throws is traced
// under `moduleName` and stops here.
int32_t RunModuleCommand(CommandRecord* record, void (*dispatch)(CommandRecord&), const char* moduleName);

// RegisterModule's body: keeps `module` in `kept`, sets `entry` and registers the name of every
// entry of `table` in its order (`nameOf` gives an entry's name).
template <class Table, class NameOf>
void RegisterModuleCommands(ModuleRecord* module, ModuleRecord*& kept, ModuleEntryProc entry, const Table& table,
                            NameOf nameOf, const char* moduleName) {
  if (!module) return;
  try {
    kept = module;
    module->moduleEntry = entry;
    CommandRecord record;
    for (const auto& command : table) RegisterCommand(*module, record, nameOf(command));
  } catch (...) {
    BASTrace("%s: RegisterModule failed", moduleName);
  }
}

// A module command by name and what it does.
struct ModuleCommand {
  const char* name;
  void (*handler)(CommandRecord& record);
};

// Runs the handler of the record's name; a name not in the table is left alone.
template <size_t N>
void RunCommandTable(const ModuleCommand (&table)[N], CommandRecord& record) {
  for (const ModuleCommand& command : table) {
    if (std::strcmp(command.name, record.name) != 0) continue;
    if (command.handler) command.handler(record);
    return;
  }
}

// RegisterModule for a module whose commands are one ModuleCommand table.
template <size_t N>
void RegisterModuleCommands(ModuleRecord* module, ModuleRecord*& kept, ModuleEntryProc entry,
                            const ModuleCommand (&table)[N], const char* moduleName) {
  RegisterModuleCommands(
      module, kept, entry, table, [](const ModuleCommand& command) { return command.name; }, moduleName);
}
