#pragma once

#include "contracts/CommandRecord.h"

// The module record RegisterModule was given; null before.
const ModuleRecord* TextsModuleRecord();
