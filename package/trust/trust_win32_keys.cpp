// CNG public keys from certificates, and DSA signature values as CNG takes them.
#include "package/trust/trust_win32.h"

#include <cstdio>
#include <cstring>

namespace trust {

using namespace win32;

namespace {

// The largest DSA key and group CNG takes (FIPS 186-3: 3072 and 256 bits).
constexpr size_t kMaxDsaKey = 384;
constexpr size_t kMaxDsaGroup = 32;

// Keys above 1024 bits take the second form of CNG's blob, whose seed and count
// are unknown here: all 0xFF tells CNG not to check them.
NTSTATUS importSecondForm(const Bytes& q, const Bytes& numbers, ULONG keySize, Key* key) {
    BCRYPT_DSA_KEY_BLOB_V2 header = {};
    header.dwMagic = BCRYPT_DSA_PUBLIC_MAGIC_V2;
    header.cbKey = keySize;
    header.hashAlgorithm = q.size() <= 20 ? DSA_HASH_ALGORITHM_SHA1 : DSA_HASH_ALGORITHM_SHA256;
    header.standardVersion = q.size() <= 20 ? DSA_FIPS186_2 : DSA_FIPS186_3;
    header.cbSeedLength = static_cast<ULONG>(q.size());
    header.cbGroupSize = static_cast<ULONG>(q.size());
    std::memset(header.Count, 0xFF, sizeof header.Count);
    Bytes blob(reinterpret_cast<const BYTE*>(&header),
               reinterpret_cast<const BYTE*>(&header) + sizeof header);
    blob.insert(blob.end(), q.size(), 0xFF);
    blob.insert(blob.end(), q.begin(), q.end());
    blob.insert(blob.end(), numbers.begin(), numbers.end());
    key->dsaGroup = q.size();
    return BCryptImportKeyPair(key->provider, nullptr, BCRYPT_DSA_PUBLIC_BLOB, &key->handle,
                               blob.data(), static_cast<ULONG>(blob.size()), 0);
}

// The first form, which Wine also takes for larger keys.
NTSTATUS importFirstForm(const Bytes& q, const Bytes& numbers, ULONG keySize, Key* key) {
    BCRYPT_DSA_KEY_BLOB header = {};
    header.dwMagic = BCRYPT_DSA_PUBLIC_MAGIC;
    header.cbKey = keySize;
    std::memset(header.Count, 0xFF, sizeof header.Count);
    std::memset(header.Seed, 0xFF, sizeof header.Seed);
    Bytes group;
    appendPadded(&group, q, sizeof header.q);
    std::memcpy(header.q, group.data(), sizeof header.q);
    Bytes blob(reinterpret_cast<const BYTE*>(&header),
               reinterpret_cast<const BYTE*>(&header) + sizeof header);
    blob.insert(blob.end(), numbers.begin(), numbers.end());
    key->dsaGroup = sizeof header.q;
    return BCryptImportKeyPair(key->provider, nullptr, BCRYPT_DSA_PUBLIC_BLOB, &key->handle,
                               blob.data(), static_cast<ULONG>(blob.size()), 0);
}

// crypt32 cannot import DSA keys everywhere (Wine), so the key's numbers are
// decoded one by one and handed to CNG as its public key blob.
SignatureResult importDsa(const CERT_PUBLIC_KEY_INFO& info, Key* key) {
    const CRYPT_OBJID_BLOB& parameters = info.Algorithm.Parameters;
    if (parameters.cbData == 0 || parameters.pbData[0] != 0x30) {
        return detail::notChecked(detail::kKeyWithoutParameters);
    }
    auto members = decode<CRYPT_SEQUENCE_OF_ANY>(X509_SEQUENCE_OF_ANY, parameters);
    CRYPT_DER_BLOB publicKey = {info.PublicKey.cbData, info.PublicKey.pbData};
    Bytes p, q, g, y;
    if (!members || members->cValue != 3 || !number(members->rgValue[0], &p) ||
        !number(members->rgValue[1], &q) || !number(members->rgValue[2], &g) ||
        !number(publicKey, &y) || p.empty() || q.empty() || g.size() > p.size() ||
        y.size() > p.size()) {
        return detail::notChecked(detail::kUnreadableKey);
    }
    if (p.size() > kMaxDsaKey || q.size() > kMaxDsaGroup) {
        return detail::notChecked("the system takes no DSA key of " + std::to_string(p.size() * 8) +
                                  " bits");
    }
    NTSTATUS status = BCryptOpenAlgorithmProvider(&key->provider, BCRYPT_DSA_ALGORITHM, nullptr, 0);
    if (!BCRYPT_SUCCESS(status)) {
        return detail::notChecked(systemFailure("open DSA", status));
    }
    const ULONG keySize = static_cast<ULONG>(p.size());
    Bytes numbers; // p, g and y, as both blob forms end
    appendPadded(&numbers, p, keySize);
    appendPadded(&numbers, g, keySize);
    appendPadded(&numbers, y, keySize);
    if (keySize > 128 || q.size() > 20) {
        status = importSecondForm(q, numbers, keySize, key);
        if (BCRYPT_SUCCESS(status) || q.size() > 20) {
            return BCRYPT_SUCCESS(status)
                       ? detail::valid()
                       : detail::notChecked(systemFailure("take the DSA key", status));
        }
        key->handle = nullptr;
    }
    status = importFirstForm(q, numbers, keySize, key);
    if (!BCRYPT_SUCCESS(status)) {
        key->handle = nullptr;
        return detail::notChecked(systemFailure("take the DSA key", status));
    }
    return detail::valid();
}

} // namespace

namespace win32 {

std::string systemFailure(const char* what, NTSTATUS status) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(status));
    return std::string("the system could not ") + what + " (status " + code + ")";
}

// The public key of a certificate, when it is of the kind `algorithm` signs with.
SignatureResult keyOf(const CERT_PUBLIC_KEY_INFO& info, const Algorithm& algorithm, Key* key) {
    std::string oid = info.Algorithm.pszObjId != nullptr ? info.Algorithm.pszObjId : "";
    bool rsa = oid == detail::kRsaKeyOid;
    if (!rsa && oid != detail::kDsaKeyOid) {
        return detail::unsupportedKey(oid);
    }
    if (rsa != (algorithm.key == KeyKind::Rsa)) {
        return detail::wrongKeyKind(algorithm.key);
    }
    if (!rsa) {
        return importDsa(info, key);
    }
    // The modulus and the exponent, checked before crypt32 copies them.
    auto members = decode<CRYPT_SEQUENCE_OF_ANY>(X509_SEQUENCE_OF_ANY, info.PublicKey.pbData,
                                                 info.PublicKey.cbData);
    Bytes modulus, exponent;
    if (!members || members->cValue != 2 || !number(members->rgValue[0], &modulus) ||
        !number(members->rgValue[1], &exponent) || modulus.empty() || exponent.empty()) {
        return detail::notChecked(detail::kUnreadableKey);
    }
    if (!CryptImportPublicKeyInfoEx2(kEncoding, const_cast<CERT_PUBLIC_KEY_INFO*>(&info), 0,
                                     nullptr, &key->handle)) {
        key->handle = nullptr;
        return detail::notChecked(detail::kUnreadableKey);
    }
    return detail::valid();
}

// A DSA signature value as CNG takes it: r and s, big-endian, side by side.
// Packages pad the DER value with zero bytes.
bool dsaPair(const BYTE* signature, size_t size, size_t width, Bytes* pair) {
    auto members = decode<CRYPT_SEQUENCE_OF_ANY>(X509_SEQUENCE_OF_ANY, signature, size,
                                                 CRYPT_DECODE_NOCOPY_FLAG);
    size_t used = endOf(members, size);
    if (used == 0 || members->cValue != 2) {
        return false;
    }
    for (size_t i = used; i < size; ++i) {
        if (signature[i] != 0) {
            return false;
        }
    }
    Bytes r, s;
    return number(members->rgValue[0], &r) && number(members->rgValue[1], &s) &&
           appendPadded(pair, r, width) && appendPadded(pair, s, width);
}

} // namespace win32

} // namespace trust
