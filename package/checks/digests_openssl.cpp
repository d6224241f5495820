// The digests through OpenSSL's libcrypto.
#include "package/checks/digests.h"

#include <cstring>

#include <openssl/evp.h>

struct PlatformDigest::State {
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context{EVP_MD_CTX_new(),
                                                                    &EVP_MD_CTX_free};
    bool ok = false;
};

PlatformDigest::PlatformDigest(DigestKind kind) : state_(std::make_unique<State>()) {
    const EVP_MD* type = kind == DigestKind::Sha1 ? EVP_sha1() : EVP_sha256();
    state_->ok = state_->context && EVP_DigestInit_ex(state_->context.get(), type, nullptr) == 1;
}

PlatformDigest::~PlatformDigest() = default;

void PlatformDigest::update(const void* data, size_t size) {
    state_->ok = state_->ok && EVP_DigestUpdate(state_->context.get(), data, size) == 1;
}

void PlatformDigest::finish(unsigned char* digest, size_t size) {
    unsigned int written = 0;
    if (!state_->ok || static_cast<size_t>(EVP_MD_CTX_size(state_->context.get())) != size ||
        EVP_DigestFinal_ex(state_->context.get(), digest, &written) != 1) {
        std::memset(digest, 0, size);
    }
    state_->ok = false;
}
