#include "package/checks/sha1.h"

#include <cstring>

#include "package/checks/sha1_blocks.h"

namespace {

uint32_t rotl(uint32_t value, int bits) {
    return (value << bits) | (value >> (32 - bits));
}

void portableBlock(uint32_t state[5], const unsigned char* data) {
    uint32_t w[80];
    for (int i = 0; i < 16; ++i) {
        w[i] = (static_cast<uint32_t>(data[4 * i]) << 24) |
               (static_cast<uint32_t>(data[4 * i + 1]) << 16) |
               (static_cast<uint32_t>(data[4 * i + 2]) << 8) | data[4 * i + 3];
    }
    for (int i = 16; i < 80; ++i) {
        w[i] = rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    }
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    // Four runs of twenty rounds, each with its own function: no branch per round.
    auto round = [&](uint32_t f, uint32_t k, uint32_t word) {
        const uint32_t next = rotl(a, 5) + f + e + k + word;
        e = d;
        d = c;
        c = rotl(b, 30);
        b = a;
        a = next;
    };
    for (int i = 0; i < 20; ++i) {
        round((b & c) | (~b & d), 0x5A827999u, w[i]);
    }
    for (int i = 20; i < 40; ++i) {
        round(b ^ c ^ d, 0x6ED9EBA1u, w[i]);
    }
    for (int i = 40; i < 60; ++i) {
        round((b & c) | (b & d) | (c & d), 0x8F1BBCDCu, w[i]);
    }
    for (int i = 60; i < 80; ++i) {
        round(b ^ c ^ d, 0xCA62C1D6u, w[i]);
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
}

} // namespace

void sha1BlocksPortable(uint32_t state[5], const unsigned char* data, size_t blocks) {
    for (; blocks > 0; --blocks, data += 64)
        portableBlock(state, data);
}

void Sha1::reset() {
    state_[0] = 0x67452301u;
    state_[1] = 0xEFCDAB89u;
    state_[2] = 0x98BADCFEu;
    state_[3] = 0x10325476u;
    state_[4] = 0xC3D2E1F0u;
    length_ = 0;
    buffered_ = 0;
}

void Sha1::blocks(const unsigned char* data, size_t count) {
    if (sha1HardwareAvailable())
        sha1BlocksHardware(state_, data, count);
    else
        sha1BlocksPortable(state_, data, count);
}

void Sha1::update(const void* data, size_t size) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    length_ += size;
    // Whole blocks straight from the caller's bytes; only the ends are copied.
    if (buffered_ == 0 && size >= 64) {
        const size_t whole = size / 64;
        blocks(bytes, whole);
        bytes += 64 * whole;
        size -= 64 * whole;
    }
    while (size > 0) {
        const size_t take = size < 64 - buffered_ ? size : 64 - buffered_;
        std::memcpy(buffer_ + buffered_, bytes, take);
        buffered_ += take;
        bytes += take;
        size -= take;
        if (buffered_ == 64) {
            blocks(buffer_, 1);
            buffered_ = 0;
        }
    }
}

void Sha1::final(unsigned char digest[kDigestSize]) {
    const uint64_t bits = length_ * 8;
    const unsigned char one = 0x80;
    update(&one, 1);
    const unsigned char zero = 0;
    while (buffered_ != 56) {
        update(&zero, 1);
    }
    unsigned char tail[8];
    for (int i = 0; i < 8; ++i) {
        tail[i] = static_cast<unsigned char>(bits >> (56 - 8 * i));
    }
    update(tail, sizeof tail);
    for (int i = 0; i < 5; ++i) {
        for (int j = 0; j < 4; ++j) {
            digest[4 * i + j] = static_cast<unsigned char>(state_[i] >> (24 - 8 * j));
        }
    }
}
