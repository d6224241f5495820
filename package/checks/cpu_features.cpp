#include "package/checks/cpu_features.h"

#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__) || defined(_M_IX86)
#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#else
#include <cpuid.h>
#endif

namespace {

struct Cpuid {
    unsigned a, b, c, d;
};

Cpuid cpuid(unsigned leaf) {
    Cpuid r = {0, 0, 0, 0};
#if defined(_MSC_VER) && !defined(__clang__)
    int out[4];
    __cpuidex(out, static_cast<int>(leaf), 0);
    r = {static_cast<unsigned>(out[0]), static_cast<unsigned>(out[1]),
         static_cast<unsigned>(out[2]), static_cast<unsigned>(out[3])};
#else
    __cpuid_count(leaf, 0, r.a, r.b, r.c, r.d);
#endif
    return r;
}

bool detectSsse3() {
    return (cpuid(1).c >> 9) & 1;
}

} // namespace

bool cpuHasSsse3() {
    static const bool has = detectSsse3();
    return has;
}

#else

bool cpuHasSsse3() {
    return false;
}

#endif
