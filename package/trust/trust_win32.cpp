// The Windows program: crypt32 decodes, CNG hashes and verifies.
#include "package/trust/trust.h"

#include <windows.h>

#include <bcrypt.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>

#include "package/trust/trust_common.h"

namespace trust {

using detail::Algorithm;
using detail::KeyKind;

namespace {

constexpr DWORD kEncoding = X509_ASN_ENCODING;
constexpr NTSTATUS kInvalidSignature = static_cast<NTSTATUS>(0xC000A000L);
// Not a system status (those have bit 29 clear): the digest could not be taken.
constexpr NTSTATUS kDigestFailed = static_cast<NTSTATUS>(0xE0000001L);
// The largest DSA key and group CNG takes (FIPS 186-3: 3072 and 256 bits).
constexpr size_t kMaxDsaKey = 384;
constexpr size_t kMaxDsaGroup = 32;

using Bytes = std::vector<unsigned char>;

struct LocalFreer {
    void operator()(void* memory) const { LocalFree(memory); }
};

// Wine's crypt32 checks a value's length against the bytes left one byte short
// (or by the size of a long-form length), so it may read a few bytes past a
// value that claims more than there is: it is handed copies with zeros after them.
constexpr size_t kSlack = 8;

Bytes padded(const BYTE* bytes, size_t size) {
    Bytes copy(size + kSlack, 0);
    std::copy(bytes, bytes + size, copy.begin());
    return copy;
}

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
size_t endOf(const Decoded<CRYPT_SEQUENCE_OF_ANY>& members, size_t size) {
    if (!members || members->cValue == 0) {
        return 0;
    }
    const CRYPT_DER_BLOB& last = members->rgValue[members->cValue - 1];
    auto end = reinterpret_cast<uintptr_t>(last.pbData) + last.cbData;
    auto begin = reinterpret_cast<uintptr_t>(members.input.data());
    return end > begin && end - begin <= size ? end - begin : 0;
}

PCCERT_CONTEXT createContext(const BYTE* der, size_t length) {
    Bytes copy = padded(der, length);
    return CertCreateCertificateContext(kEncoding, copy.data(), static_cast<DWORD>(length));
}

// Wine's crypt32 takes the length of a BIT STRING's bits, and of an unsigned
// INTEGER with a leading zero, as its length less one: an empty one makes it
// copy 4 GB. So a BIT STRING is only ever decoded in place, where nothing is
// copied and an empty one shows as one longer than its own encoding, and every
// number goes through the signed decoder, which takes an empty one as it is.
bool bitsFit(const BYTE* der, size_t size) {
    auto bits = decode<CRYPT_BIT_BLOB>(X509_BITS, der, size, CRYPT_DECODE_NOCOPY_FLAG);
    return bits && bits->cbData < size;
}

bool bitsFit(const CRYPT_BIT_BLOB& bits, size_t within) {
    return bits.cbData <= within;
}

// Whether crypt32 may make a certificate of these three members (what is
// signed, the algorithm, the signature): the bit strings it would copy are
// checked in place first.
bool safeToCopy(const CRYPT_DER_BLOB* members) {
    const CRYPT_DER_BLOB& toBeSigned = members[0];
    auto info = decode<CERT_INFO>(X509_CERT_TO_BE_SIGNED, toBeSigned.pbData, toBeSigned.cbData,
                                  CRYPT_DECODE_NOCOPY_FLAG | CRYPT_DECODE_TO_BE_SIGNED_FLAG);
    return info && bitsFit(members[2].pbData, members[2].cbData) &&
           bitsFit(info->SubjectPublicKeyInfo.PublicKey, toBeSigned.cbData) &&
           bitsFit(info->IssuerUniqueId, toBeSigned.cbData) &&
           bitsFit(info->SubjectUniqueId, toBeSigned.cbData);
}

// The length of the certificate at the start of `der`, or 0: its three members
// as crypt32 finds them (decoded in place), and then the certificate whole.
size_t certificateLength(const BYTE* der, size_t size) {
    auto members = decode<CRYPT_SEQUENCE_OF_ANY>(
        X509_SEQUENCE_OF_ANY, der, std::min(size, detail::kMaxInput), CRYPT_DECODE_NOCOPY_FLAG);
    if (!members || members->cValue != 3 || !safeToCopy(members->rgValue)) {
        return 0;
    }
    size_t length = endOf(members, size);
    PCCERT_CONTEXT context = length > 0 ? createContext(der, length) : nullptr;
    if (context == nullptr) {
        return 0;
    }
    CertFreeCertificateContext(context);
    return length;
}

using Certificate = std::unique_ptr<const CERT_CONTEXT, decltype(&CertFreeCertificateContext)>;

// A certificate that takes all of its bytes.
Certificate parseWhole(const BYTE* der, size_t size) {
    Certificate certificate(nullptr, &CertFreeCertificateContext);
    if (der != nullptr && size > 0 && certificateLength(der, size) == size) {
        certificate.reset(createContext(der, size));
    }
    return certificate;
}

void appendUtf8(std::string& out, uint32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) {
        c = 0xFFFD;
    }
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16 text to UTF-8, without the terminator Wine counts in some values.
std::string utf8Of(const BYTE* wide, DWORD bytes) {
    int units = static_cast<int>(bytes / sizeof(wchar_t));
    auto text = reinterpret_cast<const wchar_t*>(wide);
    while (units > 0 && text[units - 1] == L'\0') {
        --units;
    }
    int length =
        units > 0 ? WideCharToMultiByte(CP_UTF8, 0, text, units, nullptr, 0, nullptr, nullptr) : 0;
    std::string out(static_cast<size_t>(std::max(length, 0)), '\0');
    if (length > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text, units, &out[0], length, nullptr, nullptr);
    }
    return out;
}

// A name attribute's text, taking each string type as OpenSSL does: the 8-bit
// types as Latin-1, and no text for the types it does not convert.
std::string valueText(DWORD type, const CERT_RDN_VALUE_BLOB& value) {
    std::string out;
    switch (type) {
    case CERT_RDN_UTF8_STRING:
    case CERT_RDN_BMP_STRING:
        return utf8Of(value.pbData, value.cbData);
    case CERT_RDN_UNIVERSAL_STRING:
        for (DWORD i = 0; i + 4 <= value.cbData; i += 4) {
            uint32_t c;
            std::memcpy(&c, value.pbData + i, 4);
            appendUtf8(out, c);
        }
        return out;
    case CERT_RDN_NUMERIC_STRING:
    case CERT_RDN_PRINTABLE_STRING:
    case CERT_RDN_TELETEX_STRING:
    case CERT_RDN_IA5_STRING:
    case CERT_RDN_VISIBLE_STRING:
        for (DWORD i = 0; i < value.cbData; ++i) {
            appendUtf8(out, value.pbData[i]);
        }
        return out;
    default:
        return out;
    }
}

std::string nameText(const CERT_NAME_BLOB& name) {
    auto info = decode<CERT_NAME_INFO>(X509_NAME, name);
    std::vector<detail::NameAttribute> attributes;
    for (DWORD r = 0; info && r < info->cRDN; ++r) {
        const CERT_RDN& component = info->rgRDN[r];
        for (DWORD a = 0; a < component.cRDNAttr; ++a) {
            const CERT_RDN_ATTR& attribute = component.rgRDNAttr[a];
            detail::NameAttribute item;
            item.oid = attribute.pszObjId != nullptr ? attribute.pszObjId : "";
            item.value = valueText(attribute.dwValueType, attribute.Value);
            item.sameSet = a > 0;
            attributes.push_back(std::move(item));
        }
    }
    return detail::formatName(attributes);
}

std::string serialText(const CRYPT_INTEGER_BLOB& serial) {
    // Stored little-endian, in two's complement.
    Bytes number(serial.pbData, serial.pbData + serial.cbData);
    std::reverse(number.begin(), number.end());
    bool negative = !number.empty() && (number[0] & 0x80) != 0;
    if (negative) {
        for (unsigned char& byte : number) {
            byte = static_cast<unsigned char>(~byte);
        }
        for (size_t i = number.size(); i-- > 0 && ++number[i] == 0;) {
        }
    }
    return detail::serialText(number.data(), number.size(), negative);
}

int64_t secondsOf(const FILETIME& time) {
    int64_t ticks = static_cast<int64_t>(uint64_t(time.dwHighDateTime) << 32 | time.dwLowDateTime);
    return ticks / 10000000 - 11644473600LL;
}

std::vector<std::string> policiesOf(const CRYPT_OBJID_BLOB& value) {
    std::vector<std::string> oids;
    auto policies = decode<CERT_POLICIES_INFO>(X509_CERT_POLICIES, value);
    for (DWORD i = 0; policies && i < policies->cPolicyInfo; ++i) {
        const char* oid = policies->rgPolicyInfo[i].pszPolicyIdentifier;
        oids.push_back(oid != nullptr ? oid : "");
    }
    return oids;
}

bool sameBlob(const CRYPT_DER_BLOB& a, const CRYPT_DER_BLOB& b) {
    return a.cbData == b.cbData &&
           (a.cbData == 0 || std::memcmp(a.pbData, b.pbData, a.cbData) == 0);
}

// A non-negative DER INTEGER as a big-endian number without leading zeros.
bool number(const CRYPT_DER_BLOB& der, Bytes* out) {
    auto value = decode<CRYPT_INTEGER_BLOB>(X509_MULTI_BYTE_INTEGER, der);
    if (!value || value->cbData == 0 || (value->pbData[value->cbData - 1] & 0x80) != 0) {
        return false;
    }
    out->assign(value->pbData, value->pbData + value->cbData); // little-endian
    while (!out->empty() && out->back() == 0) {
        out->pop_back();
    }
    std::reverse(out->begin(), out->end());
    return true;
}

// Appends `number` left-padded with zeros to `width` bytes.
bool appendPadded(Bytes* out, const Bytes& number, size_t width) {
    if (number.size() > width) {
        return false;
    }
    out->insert(out->end(), width - number.size(), 0);
    out->insert(out->end(), number.begin(), number.end());
    return true;
}

std::string systemFailure(const char* what, NTSTATUS status) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(status));
    return std::string("the system could not ") + what + " (status " + code + ")";
}

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

    // Keys above 1024 bits take the second form, whose seed and count are
    // unknown here: all 0xFF tells CNG not to check them.
    if (keySize > 128 || q.size() > 20) {
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
        status = BCryptImportKeyPair(key->provider, nullptr, BCRYPT_DSA_PUBLIC_BLOB, &key->handle,
                                     blob.data(), static_cast<ULONG>(blob.size()), 0);
        key->dsaGroup = q.size();
        if (BCRYPT_SUCCESS(status) || q.size() > 20) {
            return BCRYPT_SUCCESS(status)
                       ? detail::valid()
                       : detail::notChecked(systemFailure("take the DSA key", status));
        }
        key->handle = nullptr;
    }
    // The first form, which Wine also takes for larger keys.
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
    status = BCryptImportKeyPair(key->provider, nullptr, BCRYPT_DSA_PUBLIC_BLOB, &key->handle,
                                 blob.data(), static_cast<ULONG>(blob.size()), 0);
    key->dsaGroup = sizeof header.q;
    if (!BCRYPT_SUCCESS(status)) {
        key->handle = nullptr;
        return detail::notChecked(systemFailure("take the DSA key", status));
    }
    return detail::valid();
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

LPCWSTR digestName(detail::Digest digest) {
    return digest == detail::Digest::Md5    ? BCRYPT_MD5_ALGORITHM
           : digest == detail::Digest::Sha1 ? BCRYPT_SHA1_ALGORITHM
                                            : BCRYPT_SHA256_ALGORITHM;
}

bool digestOf(detail::Digest digest, const unsigned char* data, size_t size, Bytes* out) {
    BCRYPT_ALG_HANDLE provider = nullptr;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&provider, digestName(digest), nullptr, 0))) {
        return false;
    }
    DWORD objectSize = 0, digestSize = 0, got = 0;
    BCRYPT_HASH_HANDLE hash = nullptr;
    Bytes object;
    bool ok = BCRYPT_SUCCESS(BCryptGetProperty(provider, BCRYPT_OBJECT_LENGTH,
                                               reinterpret_cast<PUCHAR>(&objectSize),
                                               sizeof objectSize, &got, 0)) &&
              BCRYPT_SUCCESS(BCryptGetProperty(provider, BCRYPT_HASH_LENGTH,
                                               reinterpret_cast<PUCHAR>(&digestSize),
                                               sizeof digestSize, &got, 0));
    object.resize(objectSize);
    ok = ok && BCRYPT_SUCCESS(
                   BCryptCreateHash(provider, &hash, object.data(), objectSize, nullptr, 0, 0));
    // Pieces of at most 1 GB, as the length is a ULONG.
    for (size_t done = 0; ok && done < size;) {
        ULONG piece = static_cast<ULONG>(std::min<size_t>(size - done, size_t(1) << 30));
        ok = BCRYPT_SUCCESS(BCryptHashData(hash, const_cast<PUCHAR>(data + done), piece, 0));
        done += piece;
    }
    out->resize(digestSize);
    ok = ok && BCRYPT_SUCCESS(BCryptFinishHash(hash, out->data(), digestSize, 0));
    if (hash != nullptr) {
        BCryptDestroyHash(hash);
    }
    BCryptCloseAlgorithmProvider(provider, 0);
    return ok;
}

// `value` (RSA: as stored; DSA: r and s) checked against the digest of `data`.
NTSTATUS verifyValue(const Key& key, const Algorithm& algorithm, const unsigned char* data,
                     size_t dataSize, Bytes& value) {
    Bytes digest;
    if (!digestOf(algorithm.digest, data, dataSize, &digest)) {
        return kDigestFailed;
    }
    bool rsa = algorithm.key == KeyKind::Rsa;
    BCRYPT_PKCS1_PADDING_INFO padding = {digestName(algorithm.digest)};
    return BCryptVerifySignature(key.handle, rsa ? &padding : nullptr, digest.data(),
                                 static_cast<ULONG>(digest.size()), value.data(),
                                 static_cast<ULONG>(value.size()), rsa ? BCRYPT_PAD_PKCS1 : 0);
}

// Signatures known to be good, by one 512-bit RSA key (exponent 65537) over
// "Vorandeck", one for each digest. A system may refuse a digest whole (Wine's
// GnuTLS takes MD5 for insecure and fails every such signature as invalid):
// such a refusal must not read as a mismatch.
const unsigned char kProbeModulus[64] = {
    0x96, 0x47, 0x9B, 0xEE, 0xF9, 0x2D, 0x7C, 0x83, 0xD6, 0x4D, 0xFB, 0x7A, 0xD4, 0xC9, 0xB3, 0xAC,
    0x3F, 0x9C, 0xA9, 0xE6, 0x0A, 0x5B, 0x13, 0x5C, 0x2A, 0x8E, 0x20, 0x7E, 0x3D, 0x75, 0x85, 0xD2,
    0xB6, 0xB6, 0x07, 0x56, 0x01, 0xEE, 0x41, 0x8B, 0x84, 0xEC, 0xF7, 0x28, 0x46, 0x63, 0x87, 0x92,
    0x3E, 0x30, 0x8C, 0xC1, 0xA2, 0xD1, 0x0F, 0xB6, 0x1C, 0x99, 0x1D, 0xCC, 0x9F, 0x8D, 0x9A, 0xFF,
};
const unsigned char kProbeSignatures[3][64] = {
    {
        // MD5
        0x57, 0x7F, 0x29, 0x00, 0x5F, 0x00, 0x44, 0xC8, 0x5D, 0x68, 0x1D, 0xBC, 0x18,
        0x0B, 0x8B, 0x89, 0xAE, 0x21, 0xD6, 0x65, 0xB7, 0x89, 0x56, 0xA4, 0x17, 0x21,
        0x99, 0xA4, 0x0E, 0xC5, 0x35, 0xCE, 0x09, 0x74, 0xAA, 0x51, 0x8A, 0x53, 0x98,
        0x44, 0xF7, 0xC9, 0x77, 0x22, 0x09, 0x3A, 0x4E, 0x1D, 0x1D, 0x9F, 0xD0, 0x6A,
        0x10, 0x63, 0xD3, 0xE8, 0x20, 0x57, 0xF6, 0x72, 0xA1, 0xA3, 0x2B, 0xCF,
    },
    {
        // SHA-1
        0x50, 0xE9, 0x39, 0xB3, 0x56, 0x32, 0x26, 0xB9, 0x95, 0xA4, 0x7B, 0x53, 0x22,
        0x18, 0xF7, 0xF0, 0x93, 0xDF, 0x0E, 0x6B, 0xDA, 0x2B, 0x8F, 0x42, 0x92, 0x77,
        0x60, 0xBE, 0x6B, 0xC8, 0xA6, 0x99, 0xD7, 0x0E, 0xC8, 0x3D, 0x42, 0xC9, 0x14,
        0x29, 0xBD, 0x15, 0x3F, 0x8D, 0xF8, 0x3E, 0x31, 0x27, 0x51, 0x9D, 0x25, 0xE9,
        0x29, 0x16, 0xAF, 0x90, 0xB6, 0x72, 0x59, 0x58, 0x7D, 0xEF, 0xB3, 0xA2,
    },
    {
        // SHA-256
        0x4B, 0x45, 0x5B, 0xA3, 0x84, 0xB2, 0xBF, 0x54, 0xF0, 0x1E, 0xAF, 0xCC, 0x9F,
        0xFD, 0x93, 0x14, 0x0C, 0xAE, 0x4F, 0x02, 0x2A, 0x1A, 0x47, 0x6F, 0xA6, 0xF9,
        0xB2, 0x53, 0xF6, 0x03, 0x66, 0x52, 0x4A, 0xCD, 0x5B, 0x38, 0xA0, 0xB2, 0xFF,
        0xE6, 0xEB, 0xB9, 0x68, 0x4A, 0x8D, 0x50, 0x1A, 0x11, 0xF1, 0x3C, 0x27, 0x88,
        0x5D, 0x6E, 0x0C, 0x3C, 0x1C, 0xC1, 0x9F, 0xA7, 0xF3, 0x83, 0x81, 0x6F,
    },
};

bool verifiesProbe(detail::Digest digest) {
    BCRYPT_RSAKEY_BLOB header = {};
    header.Magic = BCRYPT_RSAPUBLIC_MAGIC;
    header.BitLength = 8 * sizeof kProbeModulus;
    header.cbPublicExp = 3;
    header.cbModulus = sizeof kProbeModulus;
    Bytes blob(reinterpret_cast<const BYTE*>(&header),
               reinterpret_cast<const BYTE*>(&header) + sizeof header);
    blob.insert(blob.end(), {0x01, 0x00, 0x01});
    blob.insert(blob.end(), std::begin(kProbeModulus), std::end(kProbeModulus));
    Key key;
    if (!BCRYPT_SUCCESS(
            BCryptOpenAlgorithmProvider(&key.provider, BCRYPT_RSA_ALGORITHM, nullptr, 0)) ||
        !BCRYPT_SUCCESS(BCryptImportKeyPair(key.provider, nullptr, BCRYPT_RSAPUBLIC_BLOB,
                                            &key.handle, blob.data(),
                                            static_cast<ULONG>(blob.size()), 0))) {
        key.handle = nullptr;
        return false;
    }
    static const unsigned char kMessage[] = {'V', 'o', 'r', 'a', 'n', 'd', 'e', 'c', 'k'};
    const unsigned char* probe = kProbeSignatures[static_cast<int>(digest)];
    Bytes value(probe, probe + sizeof kProbeSignatures[0]);
    Algorithm algorithm = {"", digest, KeyKind::Rsa};
    return BCRYPT_SUCCESS(verifyValue(key, algorithm, kMessage, sizeof kMessage, value));
}

bool systemChecks(detail::Digest digest) {
    static const bool checks[] = {verifiesProbe(detail::Digest::Md5),
                                  verifiesProbe(detail::Digest::Sha1),
                                  verifiesProbe(detail::Digest::Sha256)};
    return checks[static_cast<int>(digest)];
}

SignatureResult verifyWith(const Key& key, const Algorithm& algorithm, const unsigned char* data,
                           size_t dataSize, const unsigned char* signature, size_t signatureSize) {
    bool rsa = algorithm.key == KeyKind::Rsa;
    Bytes value;
    if (!rsa && !dsaPair(signature, signatureSize, key.dsaGroup, &value)) {
        return detail::mismatch(detail::kMalformedDsaSignature);
    }
    if (rsa) {
        // A signature of another length than the modulus cannot match it.
        DWORD bits = 0, got = 0;
        if (BCRYPT_SUCCESS(BCryptGetProperty(key.handle, BCRYPT_KEY_LENGTH,
                                             reinterpret_cast<PUCHAR>(&bits), sizeof bits, &got,
                                             0)) &&
            signatureSize != (bits + 7) / 8) {
            return detail::mismatch(std::string());
        }
        value.assign(signature, signature + signatureSize);
    }
    NTSTATUS status = verifyValue(key, algorithm, data, dataSize, value);
    if (BCRYPT_SUCCESS(status)) {
        return detail::valid();
    }
    if (status == kDigestFailed) {
        return detail::notChecked("the system could not compute the digest");
    }
    if (status != kInvalidSignature) {
        return detail::notChecked(systemFailure("check the signature", status));
    }
    if (rsa && !systemChecks(algorithm.digest)) {
        return detail::notChecked(std::string("the system does not check RSA signatures with ") +
                                  (algorithm.digest == detail::Digest::Md5    ? "MD5"
                                   : algorithm.digest == detail::Digest::Sha1 ? "SHA-1"
                                                                              : "SHA-256"));
    }
    return detail::mismatch(std::string());
}

SignatureResult issuedBy(const BYTE* der, size_t size, const CERT_INFO& info,
                         const CERT_INFO& issuer) {
    auto content = decode<CERT_SIGNED_CONTENT_INFO>(X509_CERT, der, size, CRYPT_DECODE_NOCOPY_FLAG);
    if (!content) {
        return detail::notChecked(detail::kUnreadableCertificate);
    }
    const CRYPT_ALGORITHM_IDENTIFIER& outer = content->SignatureAlgorithm;
    std::string oid = outer.pszObjId != nullptr ? outer.pszObjId : "";
    const Algorithm* algorithm = detail::certificateAlgorithm(oid);
    if (algorithm == nullptr) {
        return detail::unsupportedAlgorithm(oid);
    }
    const CRYPT_ALGORITHM_IDENTIFIER& inner = info.SignatureAlgorithm;
    if (inner.pszObjId == nullptr || oid != inner.pszObjId ||
        !sameBlob(outer.Parameters, inner.Parameters)) {
        return detail::mismatch(detail::kAlgorithmsDiffer);
    }
    Key key;
    SignatureResult usable = keyOf(issuer.SubjectPublicKeyInfo, *algorithm, &key);
    if (usable.check != SignatureCheck::Valid) {
        return usable;
    }
    // crypt32 hands the signature back byte-reversed, the order CryptoAPI keys take.
    Bytes signature(content->Signature.pbData,
                    content->Signature.pbData + content->Signature.cbData);
    std::reverse(signature.begin(), signature.end());
    return verifyWith(key, *algorithm, content->ToBeSigned.pbData, content->ToBeSigned.cbData,
                      signature.data(), signature.size());
}

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

} // namespace

CertificateFacts readCertificate(const unsigned char* der, size_t size) {
    CertificateFacts facts;
    Certificate certificate = parseWhole(der, size);
    if (!certificate) {
        return facts;
    }
    const CERT_INFO& info = *certificate->pCertInfo;
    facts.subject = nameText(info.Subject);
    facts.issuer = nameText(info.Issuer);
    facts.serialNumber = serialText(info.SerialNumber);
    facts.notBefore = secondsOf(info.NotBefore);
    facts.notAfter = secondsOf(info.NotAfter);
    for (DWORD i = 0; i < info.cExtension; ++i) {
        const CERT_EXTENSION& extension = info.rgExtension[i];
        CertificateExtension item;
        item.oid = extension.pszObjId != nullptr ? extension.pszObjId : "";
        item.critical = extension.fCritical != FALSE;
        item.value.assign(extension.Value.pbData, extension.Value.pbData + extension.Value.cbData);
        if (item.oid == detail::kCertificatePoliciesOid && facts.policyOids.empty()) {
            facts.policyOids = policiesOf(extension.Value);
        }
        facts.extensions.push_back(std::move(item));
    }
    facts.selfSigned = sameBlob(info.Subject, info.Issuer) &&
                       issuedBy(der, size, info, info).check == SignatureCheck::Valid;
    facts.readable = true;
    return facts;
}

std::vector<std::pair<size_t, size_t>> splitCertificates(const unsigned char* blob, size_t size) {
    std::vector<std::pair<size_t, size_t>> pieces;
    size_t offset = 0;
    while (blob != nullptr && offset < size) {
        size_t length = certificateLength(blob + offset, size - offset);
        if (length == 0) {
            break;
        }
        pieces.emplace_back(offset, length);
        offset += length;
    }
    return pieces;
}

SignatureResult verifySignature(const unsigned char* certificateDer, size_t certificateSize,
                                const std::string& algorithmOid, const unsigned char* data,
                                size_t dataSize, const unsigned char* signature,
                                size_t signatureSize) {
    const Algorithm* algorithm = detail::packageAlgorithm(algorithmOid);
    if (algorithm == nullptr) {
        return detail::unsupportedAlgorithm(algorithmOid);
    }
    Certificate certificate = parseWhole(certificateDer, certificateSize);
    if (!certificate) {
        return detail::notChecked(detail::kUnreadableCertificate);
    }
    Key key;
    SignatureResult usable = keyOf(certificate->pCertInfo->SubjectPublicKeyInfo, *algorithm, &key);
    if (usable.check != SignatureCheck::Valid) {
        return usable;
    }
    if (signature == nullptr || signatureSize == 0 || signatureSize > detail::kMaxInput) {
        return detail::mismatch(std::string());
    }
    return verifyWith(key, *algorithm, data, dataSize, signature, signatureSize);
}

SignatureResult verifyIssuedBy(const unsigned char* der, size_t size,
                               const unsigned char* issuerDer, size_t issuerSize) {
    Certificate certificate = parseWhole(der, size);
    Certificate issuer = parseWhole(issuerDer, issuerSize);
    if (!certificate || !issuer) {
        return detail::notChecked(detail::kUnreadableCertificate);
    }
    return issuedBy(der, size, *certificate->pCertInfo, *issuer->pCertInfo);
}

std::optional<uint32_t> decodeCapabilities(const unsigned char* der, size_t size) {
    auto bits = decode<CRYPT_BIT_BLOB>(X509_BITS, der, size, CRYPT_DECODE_NOCOPY_FLAG);
    if (!bits || bits->cbData >= size || bits->cUnusedBits > 7 ||
        (bits->cbData == 0 && bits->cUnusedBits != 0)) {
        return std::nullopt;
    }
    size_t count = size_t(bits->cbData) * 8 - bits->cUnusedBits;
    uint32_t capabilities = 0;
    for (size_t n = 0; n < count && n < 32; ++n) {
        if ((bits->pbData[n / 8] >> (7 - n % 8) & 1) != 0) {
            capabilities |= uint32_t(1) << n;
        }
    }
    return capabilities;
}

std::optional<std::vector<std::string>> decodeDeviceIds(const unsigned char* der, size_t size) {
    return decodeSequence<std::string>(
        der, size, [](const CRYPT_DER_BLOB& item, std::string* text) {
            auto value = decode<CERT_NAME_VALUE>(X509_UNICODE_ANY_STRING, item);
            if (!value) {
                return false;
            }
            DWORD type = value->dwValueType;
            if (type != CERT_RDN_UTF8_STRING && type != CERT_RDN_PRINTABLE_STRING &&
                type != CERT_RDN_IA5_STRING && type != CERT_RDN_BMP_STRING) {
                return false;
            }
            *text = utf8Of(value->Value.pbData, value->Value.cbData);
            return true;
        });
}

std::optional<std::vector<uint32_t>> decodeIdList(const unsigned char* der, size_t size) {
    return decodeSequence<uint32_t>(der, size, [](const CRYPT_DER_BLOB& item, uint32_t* id) {
        Bytes value;
        if (!number(item, &value) || value.size() > 4) {
            return false;
        }
        *id = 0;
        for (unsigned char byte : value) {
            *id = *id << 8 | byte;
        }
        return true;
    });
}

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
