// Signatures checked by CNG: over a package's controller, and a certificate's
// by its issuer.
#include "package/trust/trust_win32.h"

#include <algorithm>
#include <iterator>

namespace trust {

using namespace win32;

namespace {

constexpr NTSTATUS kInvalidSignature = static_cast<NTSTATUS>(0xC000A000L);
// Not a system status (those have bit 29 clear): the digest could not be taken.
constexpr NTSTATUS kDigestFailed = static_cast<NTSTATUS>(0xE0000001L);

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

} // namespace

namespace win32 {

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

} // namespace win32

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

} // namespace trust
