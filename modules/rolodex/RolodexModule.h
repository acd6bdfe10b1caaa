// The module's link to the host, kept by RegisterModule.
#pragma once

#include "contracts/CommandRecord.h"

// Null before RegisterModule ran.
const ModuleRecord* RolodexModuleRecord();
