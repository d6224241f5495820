#include "cli/clock.h"

#include <cstdlib>
#include <ctime>

int64_t nowSeconds() {
    const char* fixed = std::getenv("VORANDECK_NOW");
    if (fixed != nullptr && *fixed != '\0') {
        return std::strtoll(fixed, nullptr, 10);
    }
    return static_cast<int64_t>(std::time(nullptr));
}
