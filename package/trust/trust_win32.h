#pragma once
// What the Windows implementation's files share: crypt32's decoding made safe
// for hostile input, the certificate handle, CNG keys and the checks that
// both the certificate facts and the signatures need.
#include <windows.h>

#include <bcrypt.h>
#include <wincrypt.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "package/trust/trust_common.h"

namespace trust::win32 {

using detail::Algorithm;
using detail::KeyKind;

constexpr DWORD kEncoding = X509_ASN_ENCODING;

using Bytes = std::vector<unsigned char>;

struct LocalFreer {
    void operator()(void* memory) const { LocalFree(memory); }
};

// A copy of `size` bytes with zeros after them, for crypt32 to read from.
Bytes padded(const BYTE* bytes, size_t size);

// What crypt32 decoded, and the copy it decoded from, which a result decoded in
// place (CRYPT_DECODE_NOCOPY_FLAG) points into.
template <typename T> struct Decoded {
    Bytes input;
    std::unique_ptr<T, LocalFreer> value;
    explicit operator bool() const { return value != nullptr; }
    T* operator->() const { return value.get(); }
};

template <typename T>
Decoded<T> decode(LPCSTR type, const BYTE* der, size_t size, DWORD flags = 0) {
    Decoded<T> decoded;
    if (der == nullptr || size == 0 || size > detail::kMaxInput) {
        return decoded;
    }
    decoded.input = padded(der, size);
    void* out = nullptr;
    DWORD outSize = 0;
    if (CryptDecodeObjectEx(kEncoding, type, decoded.input.data(), static_cast<DWORD>(size),
                            CRYPT_DECODE_ALLOC_FLAG | flags, nullptr, &out, &outSize)) {
        decoded.value.reset(static_cast<T*>(out));
    }
    return decoded;
}

template <typename T> Decoded<T> decode(LPCSTR type, const CRYPT_DER_BLOB& blob) {
    return decode<T>(type, blob.pbData, blob.cbData);
}

// How far into its input a sequence decoded in place reaches: the end of its
// last member; 0 when that lies outside the first `size` bytes.
size_t endOf(const Decoded<CRYPT_SEQUENCE_OF_ANY>& members, size_t size);

// The length of the certificate at the start of `der`, or 0.
size_t certificateLength(const BYTE* der, size_t size);

using Certificate = std::unique_ptr<const CERT_CONTEXT, decltype(&CertFreeCertificateContext)>;

// A certificate that takes all of its bytes.
Certificate parseWhole(const BYTE* der, size_t size);

bool sameBlob(const CRYPT_DER_BLOB& a, const CRYPT_DER_BLOB& b);
// A non-negative DER INTEGER as a big-endian number without leading zeros.
bool number(const CRYPT_DER_BLOB& der, Bytes* out);
// Appends `number` left-padded with zeros to `width` bytes.
bool appendPadded(Bytes* out, const Bytes& number, size_t width);

template <typename Element, typename Convert>
std::optional<std::vector<Element>> decodeSequence(const unsigned char* der, size_t size,
                                                   Convert convert) {
    auto sequence = decode<CRYPT_SEQUENCE_OF_ANY>(X509_SEQUENCE_OF_ANY, der, size);
    if (!sequence) {
        return std::nullopt;
    }
    std::vector<Element> elements;
    for (DWORD i = 0; i < sequence->cValue; ++i) {
        Element element;
        if (!convert(sequence->rgValue[i], &element)) {
            return std::nullopt;
        }
        elements.push_back(std::move(element));
    }
    return elements;
}

// UTF-16 text to UTF-8, without the terminator Wine counts in some values.
std::string utf8Of(const BYTE* wide, DWORD bytes);

std::string systemFailure(const char* what, NTSTATUS status);

// A CNG public key and the provider it came from.
struct Key {
    BCRYPT_ALG_HANDLE provider = nullptr;
    BCRYPT_KEY_HANDLE handle = nullptr;
    size_t dsaGroup = 0; // DSA: the width of r and of s in a signature
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() {
        if (handle != nullptr) {
            BCryptDestroyKey(handle);
        }
        if (provider != nullptr) {
            BCryptCloseAlgorithmProvider(provider, 0);
        }
    }
};

// The public key of a certificate, when it is of the kind `algorithm` signs with.
SignatureResult keyOf(const CERT_PUBLIC_KEY_INFO& info, const Algorithm& algorithm, Key* key);

// A DSA signature value as CNG takes it: r and s, big-endian, side by side.
bool dsaPair(const BYTE* signature, size_t size, size_t width, Bytes* pair);

// Whether the certificate `der` (of `size` bytes, decoded as `info`) was signed
// with the key of `issuer`.
SignatureResult issuedBy(const BYTE* der, size_t size, const CERT_INFO& info,
                         const CERT_INFO& issuer);

} // namespace trust::win32
