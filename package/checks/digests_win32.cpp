// The digests through CNG.
#include "package/checks/digests.h"

#include <windows.h>

#include <bcrypt.h>

#include <algorithm>
#include <cstring>

namespace {

// One provider of each kind serves every hash: opening one costs more than
// hashing a small file.
BCRYPT_ALG_HANDLE providerOf(DigestKind kind) {
    static const auto open = [](LPCWSTR algorithm) {
        BCRYPT_ALG_HANDLE handle = nullptr;
        return BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&handle, algorithm, nullptr, 0))
                   ? handle
                   : nullptr;
    };
    static const BCRYPT_ALG_HANDLE sha1 = open(BCRYPT_SHA1_ALGORITHM);
    static const BCRYPT_ALG_HANDLE sha256 = open(BCRYPT_SHA256_ALGORITHM);
    return kind == DigestKind::Sha1 ? sha1 : sha256;
}

} // namespace

struct PlatformDigest::State {
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool ok = false;
};

PlatformDigest::PlatformDigest(DigestKind kind) : state_(std::make_unique<State>()) {
    BCRYPT_ALG_HANDLE provider = providerOf(kind);
    state_->ok = provider != nullptr && BCRYPT_SUCCESS(BCryptCreateHash(provider, &state_->hash,
                                                                        nullptr, 0, nullptr, 0, 0));
}

PlatformDigest::~PlatformDigest() {
    if (state_->hash != nullptr) {
        BCryptDestroyHash(state_->hash);
    }
}

void PlatformDigest::update(const void* data, size_t size) {
    // Pieces of at most 1 GB, as the length is a ULONG.
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t done = 0; state_->ok && done < size;) {
        const ULONG piece = static_cast<ULONG>(std::min<size_t>(size - done, size_t(1) << 30));
        state_->ok = BCRYPT_SUCCESS(
            BCryptHashData(state_->hash, const_cast<PUCHAR>(bytes + done), piece, 0));
        done += piece;
    }
}

void PlatformDigest::finish(unsigned char* digest, size_t size) {
    if (!state_->ok ||
        !BCRYPT_SUCCESS(BCryptFinishHash(state_->hash, digest, static_cast<ULONG>(size), 0))) {
        std::memset(digest, 0, size);
    }
    state_->ok = false;
}
