// crypt32 decoding of certificates and DER values, kept to what it reads safely.
#include "package/trust/trust_win32.h"

#include <algorithm>
#include <cstring>

namespace trust {

using namespace win32;

namespace {

// Wine's crypt32 checks a value's length against the bytes left one byte short
// (or by the size of a long-form length), so it may read a few bytes past a
// value that claims more than there is: it is handed copies with zeros after them.
constexpr size_t kSlack = 8;

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

} // namespace

namespace win32 {

Bytes padded(const BYTE* bytes, size_t size) {
    Bytes copy(size + kSlack, 0);
    std::copy(bytes, bytes + size, copy.begin());
    return copy;
}

size_t endOf(const Decoded<CRYPT_SEQUENCE_OF_ANY>& members, size_t size) {
    if (!members || members->cValue == 0) {
        return 0;
    }
    const CRYPT_DER_BLOB& last = members->rgValue[members->cValue - 1];
    auto end = reinterpret_cast<uintptr_t>(last.pbData) + last.cbData;
    auto begin = reinterpret_cast<uintptr_t>(members.input.data());
    return end > begin && end - begin <= size ? end - begin : 0;
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

Certificate parseWhole(const BYTE* der, size_t size) {
    Certificate certificate(nullptr, &CertFreeCertificateContext);
    if (der != nullptr && size > 0 && certificateLength(der, size) == size) {
        certificate.reset(createContext(der, size));
    }
    return certificate;
}

bool sameBlob(const CRYPT_DER_BLOB& a, const CRYPT_DER_BLOB& b) {
    return a.cbData == b.cbData &&
           (a.cbData == 0 || std::memcmp(a.pbData, b.pbData, a.cbData) == 0);
}

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

bool appendPadded(Bytes* out, const Bytes& number, size_t width) {
    if (number.size() > width) {
        return false;
    }
    out->insert(out->end(), width - number.size(), 0);
    out->insert(out->end(), number.begin(), number.end());
    return true;
}

} // namespace win32

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

} // namespace trust
