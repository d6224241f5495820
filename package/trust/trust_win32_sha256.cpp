// SHA-256 through CNG.
#include "package/trust/trust.h"

#include <windows.h>

#include <bcrypt.h>

#include <algorithm>
#include <memory>

namespace trust {

namespace {

// One provider serves every hash: opening one costs more than hashing a small file.
BCRYPT_ALG_HANDLE sha256Provider() {
    static const BCRYPT_ALG_HANDLE provider = [] {
        BCRYPT_ALG_HANDLE handle = nullptr;
        if (!BCRYPT_SUCCESS(
                BCryptOpenAlgorithmProvider(&handle, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
            handle = nullptr;
        }
        return handle;
    }();
    return provider;
}

} // namespace

struct Sha256::State {
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool ok = false;
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
    BCRYPT_ALG_HANDLE provider = sha256Provider();
    state_->ok = provider != nullptr && BCRYPT_SUCCESS(BCryptCreateHash(provider, &state_->hash,
                                                                        nullptr, 0, nullptr, 0, 0));
}

Sha256::~Sha256() {
    if (state_->hash != nullptr) {
        BCryptDestroyHash(state_->hash);
    }
}

void Sha256::update(const unsigned char* bytes, size_t count) {
    // Pieces of at most 1 GB, as the length is a ULONG.
    for (size_t done = 0; state_->ok && done < count;) {
        const ULONG piece = static_cast<ULONG>(std::min<size_t>(count - done, size_t(1) << 30));
        state_->ok = BCRYPT_SUCCESS(
            BCryptHashData(state_->hash, const_cast<PUCHAR>(bytes + done), piece, 0));
        done += piece;
    }
}

std::array<unsigned char, 32> Sha256::final() {
    std::array<unsigned char, 32> digest = {};
    if (!state_->ok || !BCRYPT_SUCCESS(BCryptFinishHash(state_->hash, digest.data(), 32, 0))) {
        digest.fill(0);
    }
    state_->ok = false;
    return digest;
}

} // namespace trust
