#pragma once
// The room for writes that a test may set to stand for a full disk; without
// one, every write may go ahead.
#include <cstdint>

// Takes `count` bytes of the room left; false when it is used up.
bool takeWriteRoom(uint32_t count);
