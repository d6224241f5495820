#include "package/checks/adler32.h"

#include "package/checks/cpu_features.h"

#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__) || defined(_M_IX86)
#define VORANDECK_ADLER32_X86 1
#include <tmmintrin.h>
#if defined(_MSC_VER) && !defined(__clang__)
#define VORANDECK_SSSE3_TARGET
#else
#define VORANDECK_SSSE3_TARGET __attribute__((target("ssse3")))
#endif
#endif

namespace {

constexpr uint32_t kBase = 65521;
// The most bytes that can be summed before the 32-bit sums must be reduced:
// 255 n (n + 1) / 2 + (n + 1) (kBase - 1) stays below 2^32.
constexpr size_t kMostBetweenReductions = 5552;

#ifdef VORANDECK_ADLER32_X86

constexpr size_t kStep = 32;

VORANDECK_SSSE3_TARGET uint32_t sumOfLanes(__m128i v) {
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)));
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)));
    return static_cast<uint32_t>(_mm_cvtsi128_si32(v));
}

// Over 32 bytes from (a, b): a gains their sum, and b gains 32 a plus each byte
// weighted by 32 down to 1. The sums before each step are kept apart and
// weighted by 32 once, after the run.
VORANDECK_SSSE3_TARGET uint32_t adler32Ssse3(uint32_t adler, const unsigned char* data,
                                             size_t count) {
    const __m128i firstWeights =
        _mm_setr_epi8(32, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17);
    const __m128i secondWeights =
        _mm_setr_epi8(16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1);
    const __m128i ones = _mm_set1_epi16(1);
    const __m128i zero = _mm_setzero_si128();
    uint32_t a = adler & 0xFFFF;
    uint32_t b = adler >> 16;
    size_t steps = count / kStep;
    while (steps > 0) {
        const size_t run =
            steps < kMostBetweenReductions / kStep ? steps : kMostBetweenReductions / kStep;
        steps -= run;
        __m128i sumsBefore = _mm_setr_epi32(static_cast<int>(a * run), 0, 0, 0);
        __m128i sum = zero;
        __m128i weighted = _mm_setr_epi32(static_cast<int>(b), 0, 0, 0);
        for (size_t i = 0; i < run; ++i, data += kStep) {
            const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data));
            const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16));
            sumsBefore = _mm_add_epi32(sumsBefore, sum);
            sum = _mm_add_epi32(sum, _mm_sad_epu8(first, zero));
            sum = _mm_add_epi32(sum, _mm_sad_epu8(second, zero));
            weighted = _mm_add_epi32(weighted,
                                     _mm_madd_epi16(_mm_maddubs_epi16(first, firstWeights), ones));
            weighted = _mm_add_epi32(
                weighted, _mm_madd_epi16(_mm_maddubs_epi16(second, secondWeights), ones));
        }
        weighted = _mm_add_epi32(weighted, _mm_slli_epi32(sumsBefore, 5));
        a = (a + sumOfLanes(sum)) % kBase;
        b = sumOfLanes(weighted) % kBase;
    }
    return adler32Portable((b << 16) | a, data, count % kStep);
}

#endif

} // namespace

uint32_t adler32Portable(uint32_t adler, const unsigned char* data, size_t count) {
    uint32_t a = adler & 0xFFFF;
    uint32_t b = adler >> 16;
    while (count > 0) {
        size_t run = count < kMostBetweenReductions ? count : kMostBetweenReductions;
        count -= run;
        for (; run > 0; --run) {
            a += *data++;
            b += a;
        }
        a %= kBase;
        b %= kBase;
    }
    return (b << 16) | a;
}

uint32_t adler32Update(uint32_t adler, const unsigned char* data, size_t count) {
#ifdef VORANDECK_ADLER32_X86
    if (cpuHasSsse3()) {
        return adler32Ssse3(adler, data, count);
    }
#endif
    return adler32Portable(adler, data, count);
}
