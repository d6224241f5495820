#include "package/io/write_room.h"

#include <atomic>

#include "package/io/platform.h"

namespace {

std::atomic<uint64_t> gWriteRoom{kNoWriteLimit};

} // namespace

void platformLimitWrites(uint64_t bytes) {
    gWriteRoom = bytes;
}

bool takeWriteRoom(uint32_t count) {
    uint64_t room = gWriteRoom.load();
    while (room != kNoWriteLimit) {
        if (room < count) {
            return false;
        }
        if (gWriteRoom.compare_exchange_weak(room, room - count)) {
            return true;
        }
    }
    return true;
}
