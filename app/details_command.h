#pragma once
// The package details window over the open package ("&Details...").
#include <cstdint>

// What the details judge certificates' dates against: the system clock, unless
// a test fixes it. Seconds since 1970-01-01 UTC.
using DetailsClock = int64_t (*)();
void setDetailsClock(DetailsClock clock);
