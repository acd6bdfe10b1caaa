// Layout checks of the records that cross deliverables. They hold for the product's target
// (32-bit Windows); native builds of the portable code, which share some records, skip them.
#pragma once

#if defined(_WIN32) && !defined(_WIN64)
#define ZS_TARGET_LAYOUT(check, what) static_assert(check, what)
#else
#define ZS_TARGET_LAYOUT(check, what) static_assert(true, what)
#endif
