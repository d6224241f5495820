#pragma once
// SHA-1 and SHA-256, taken a piece at a time, through the platform's own
// cryptography: CNG on Windows, OpenSSL's libcrypto elsewhere. SHA-1 is the
// digest a Symbian OS 9 package keeps for each installed file; SHA-256 names
// packages and files in the command line's records.
#include <array>
#include <cstddef>
#include <memory>
#include <string>

#include "package/io/byte_source.h"

enum class DigestKind { Sha1, Sha256 };

class PlatformDigest {
  public:
    explicit PlatformDigest(DigestKind kind);
    ~PlatformDigest();
    PlatformDigest(const PlatformDigest&) = delete;
    PlatformDigest& operator=(const PlatformDigest&) = delete;

    void update(const void* data, size_t size);

  protected:
    // Writes the digest of all that was handed in, `size` bytes; all zero when
    // the platform failed. Further updates need a new object.
    void finish(unsigned char* digest, size_t size);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

class Sha1 : public PlatformDigest {
  public:
    static constexpr size_t kDigestSize = 20;
    Sha1() : PlatformDigest(DigestKind::Sha1) {}
    void final(unsigned char digest[kDigestSize]) { finish(digest, kDigestSize); }
};

class Sha256 : public PlatformDigest {
  public:
    Sha256() : PlatformDigest(DigestKind::Sha256) {}
    std::array<unsigned char, 32> final() {
        std::array<unsigned char, 32> digest;
        finish(digest.data(), digest.size());
        return digest;
    }
};

// Bytes as lower-case hex digits.
std::string hexText(const unsigned char* bytes, size_t count);
// The SHA-256 of all of `source` in hex; "" when it cannot be read whole.
std::string sha256Hex(const ByteSource& source);
