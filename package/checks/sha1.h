#pragma once
// SHA-1, taken a piece at a time: the digest a Symbian OS 9 package keeps for
// each installed file, so that extraction can tell a file it wrote is whole.
#include <cstddef>
#include <cstdint>

class Sha1 {
  public:
    static constexpr size_t kDigestSize = 20;

    Sha1() { reset(); }
    void reset();
    void update(const void* data, size_t size);
    // Writes the digest and leaves the object to be reset before further use.
    void final(unsigned char digest[kDigestSize]);

  private:
    void blocks(const unsigned char* data, size_t count);

    uint32_t state_[5];
    uint64_t length_; // bytes taken so far
    unsigned char buffer_[64];
    size_t buffered_;
};
