// SHA-1 with the x86 SHA extensions: each sha1rnds4 does four rounds, and
// sha1msg1, sha1msg2 and sha1nexte make the message schedule and the E term.
#include "package/checks/sha1_blocks.h"

#include "package/checks/cpu_features.h"

#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__) || defined(_M_IX86)
#define VORANDECK_SHA1_X86 1
#include <immintrin.h>
#if defined(_MSC_VER) && !defined(__clang__)
// MSVC compiles the intrinsics for any target; GCC and Clang want each function
// that uses them marked with the extensions it needs.
#define VORANDECK_SHA_TARGET
#else
#define VORANDECK_SHA_TARGET __attribute__((target("sha,sse4.1,ssse3")))
#endif
#endif

#ifdef VORANDECK_SHA1_X86

namespace {

// Four rounds of group `g` with round function F: the next four words of the
// schedule, made from the four before them (held in a ring of four), then E.
template <int F>
VORANDECK_SHA_TARGET inline void fourRounds(int g, __m128i words[4], __m128i& abcd, __m128i& e,
                                            __m128i& eNext) {
    __m128i& w = words[g % 4];
    if (g >= 4) {
        w = _mm_sha1msg1_epu32(w, words[(g + 1) % 4]);
        w = _mm_xor_si128(w, words[(g + 2) % 4]);
        w = _mm_sha1msg2_epu32(w, words[(g + 3) % 4]);
    }
    e = g == 0 ? _mm_add_epi32(e, w) : _mm_sha1nexte_epu32(e, w);
    eNext = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, e, F);
    e = eNext;
}

} // namespace

bool sha1HardwareAvailable() {
    return cpuHasShaExtensions();
}

VORANDECK_SHA_TARGET void sha1BlocksHardware(uint32_t state[5], const unsigned char* data,
                                             size_t blocks) {
    // The words of a block are big-endian, and the first goes in the top lane.
    const __m128i reverse = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
    __m128i abcd =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
    __m128i e = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);
    for (; blocks > 0; --blocks, data += 64) {
        const __m128i abcdBefore = abcd;
        const __m128i eBefore = e;
        __m128i words[4];
        for (int i = 0; i < 4; ++i) {
            const __m128i raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * i));
            words[i] = _mm_shuffle_epi8(raw, reverse);
        }
        __m128i eNext;
        int g = 0;
        for (; g < 5; ++g)
            fourRounds<0>(g, words, abcd, e, eNext);
        for (; g < 10; ++g)
            fourRounds<1>(g, words, abcd, e, eNext);
        for (; g < 15; ++g)
            fourRounds<2>(g, words, abcd, e, eNext);
        for (; g < 20; ++g)
            fourRounds<3>(g, words, abcd, e, eNext);
        e = _mm_sha1nexte_epu32(e, eBefore);
        abcd = _mm_add_epi32(abcd, abcdBefore);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
    state[4] = static_cast<uint32_t>(_mm_extract_epi32(e, 3));
}

#else

bool sha1HardwareAvailable() {
    return false;
}

void sha1BlocksHardware(uint32_t state[5], const unsigned char* data, size_t blocks) {
    sha1BlocksPortable(state, data, blocks);
}

#endif
