#include "kit/ModuleEdge.h"

int32_t RunModuleCommand(CommandRecord* record, void (*dispatch)(CommandRecord&), const char* moduleName) {
  if (!record || !record->name) return 0;
  try {
    dispatch(*record);
  } catch (const std::exception& e) {
    BASTrace("%s: %s in %s", moduleName, e.what(), record->name);
  } catch (...) {
    BASTrace("%s: unknown exception in %s", moduleName, record->name);
  }
  return 0;
}
