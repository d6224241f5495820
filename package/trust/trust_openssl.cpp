// The native build: OpenSSL's libcrypto decodes and verifies.
#include "package/trust/trust.h"

#include <cstring>
#include <ctime>
#include <memory>

#include <openssl/asn1.h>
#include <openssl/bn.h>
#include <openssl/dsa.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include "package/trust/trust_common.h"

namespace trust {

using detail::Algorithm;
using detail::KeyKind;

namespace {

using Certificate = std::unique_ptr<X509, decltype(&X509_free)>;

// Every call leaves OpenSSL's error queue as it found it: failures here are
// answers, not errors to report later.
struct ClearErrors {
    ~ClearErrors() { ERR_clear_error(); }
};

// The certificate at the start of `der`, and how many bytes it takes.
Certificate parse(const unsigned char* der, size_t size, size_t* used) {
    Certificate certificate(nullptr, &X509_free);
    if (der == nullptr || size == 0) {
        return certificate;
    }
    const unsigned char* p = der;
    long length = static_cast<long>(size < detail::kMaxInput ? size : detail::kMaxInput);
    certificate.reset(d2i_X509(nullptr, &p, length));
    *used = static_cast<size_t>(p - der);
    return certificate;
}

// A certificate that takes all of its bytes.
Certificate parseWhole(const unsigned char* der, size_t size) {
    size_t used = 0;
    Certificate certificate = parse(der, size, &used);
    if (certificate && used != size) {
        certificate.reset();
    }
    return certificate;
}

std::string oidText(const ASN1_OBJECT* object) {
    char buffer[128];
    int length = OBJ_obj2txt(buffer, sizeof buffer, object, 1);
    if (length <= 0) {
        return std::string();
    }
    if (static_cast<size_t>(length) < sizeof buffer) {
        return std::string(buffer, static_cast<size_t>(length));
    }
    std::string text(static_cast<size_t>(length) + 1, '\0');
    OBJ_obj2txt(&text[0], length + 1, object, 1);
    text.resize(static_cast<size_t>(length));
    return text;
}

std::string nameText(const X509_NAME* name) {
    std::vector<detail::NameAttribute> attributes;
    int previousSet = -1;
    for (int i = 0; i < X509_NAME_entry_count(name); ++i) {
        const X509_NAME_ENTRY* entry = X509_NAME_get_entry(name, i);
        detail::NameAttribute attribute;
        attribute.oid = oidText(X509_NAME_ENTRY_get_object(entry));
        int set = X509_NAME_ENTRY_set(entry);
        attribute.sameSet = i > 0 && set == previousSet;
        previousSet = set;
        unsigned char* utf8 = nullptr;
        int length = ASN1_STRING_to_UTF8(&utf8, X509_NAME_ENTRY_get_data(entry));
        if (length > 0) {
            attribute.value.assign(reinterpret_cast<char*>(utf8), static_cast<size_t>(length));
        }
        OPENSSL_free(utf8);
        attributes.push_back(std::move(attribute));
    }
    return detail::formatName(attributes);
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t daysFromCivil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2 ? 1 : 0;
    int64_t era = (year >= 0 ? year : year - 399) / 400;
    int64_t yearOfEra = year - era * 400;
    int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

bool secondsOf(const ASN1_TIME* time, int64_t* seconds) {
    struct tm fields = {};
    if (time == nullptr || ASN1_TIME_to_tm(time, &fields) != 1) {
        return false;
    }
    int64_t days = daysFromCivil(fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday);
    *seconds = days * 86400 + fields.tm_hour * 3600 + fields.tm_min * 60 + fields.tm_sec;
    return true;
}

std::vector<std::string> policiesOf(const std::vector<unsigned char>& value) {
    std::vector<std::string> oids;
    const unsigned char* p = value.data();
    CERTIFICATEPOLICIES* policies =
        d2i_CERTIFICATEPOLICIES(nullptr, &p, static_cast<long>(value.size()));
    for (int i = 0; policies != nullptr && i < sk_POLICYINFO_num(policies); ++i) {
        oids.push_back(oidText(sk_POLICYINFO_value(policies, i)->policyid));
    }
    CERTIFICATEPOLICIES_free(policies);
    return oids;
}

bool sameDer(const X509_NAME* a, const X509_NAME* b) {
    const unsigned char* derA = nullptr;
    const unsigned char* derB = nullptr;
    size_t sizeA = 0;
    size_t sizeB = 0;
    return X509_NAME_get0_der(a, &derA, &sizeA) == 1 && X509_NAME_get0_der(b, &derB, &sizeB) == 1 &&
           sizeA == sizeB && std::memcmp(derA, derB, sizeA) == 0;
}

// The public key of `certificate`, when it is of the kind `algorithm` signs with.
SignatureResult keyOf(X509* certificate, const Algorithm& algorithm, EVP_PKEY** key) {
    ASN1_OBJECT* keyOid = nullptr;
    X509_ALGOR* keyAlgorithm = nullptr;
    X509_PUBKEY_get0_param(&keyOid, nullptr, nullptr, &keyAlgorithm,
                           X509_get_X509_PUBKEY(certificate));
    std::string oid = keyOid != nullptr ? oidText(keyOid) : std::string();
    bool rsa = oid == detail::kRsaKeyOid;
    if (!rsa && oid != detail::kDsaKeyOid) {
        return detail::unsupportedKey(oid);
    }
    if (rsa != (algorithm.key == KeyKind::Rsa)) {
        return detail::wrongKeyKind(algorithm.key);
    }
    if (!rsa) {
        int parameterType = V_ASN1_UNDEF;
        X509_ALGOR_get0(nullptr, &parameterType, nullptr, keyAlgorithm);
        if (parameterType != V_ASN1_SEQUENCE) {
            return detail::notChecked(detail::kKeyWithoutParameters);
        }
    }
    *key = X509_get0_pubkey(certificate);
    if (*key == nullptr) {
        return detail::notChecked(detail::kUnreadableKey);
    }
    return detail::valid();
}

// DSA signatures are checked in their DER form; packages pad them with zero
// bytes, and a lax encoding of r and s is taken as Windows takes it. Negative
// numbers are no signature value.
bool canonicalDsa(const unsigned char* signature, size_t size, std::vector<unsigned char>* der) {
    const unsigned char* p = signature;
    DSA_SIG* value = d2i_DSA_SIG(nullptr, &p, static_cast<long>(size));
    if (value == nullptr) {
        return false;
    }
    const BIGNUM* r = nullptr;
    const BIGNUM* s = nullptr;
    DSA_SIG_get0(value, &r, &s);
    bool padding = BN_is_negative(r) == 0 && BN_is_negative(s) == 0;
    for (const unsigned char* rest = p; rest < signature + size; ++rest) {
        padding = padding && *rest == 0;
    }
    int length = i2d_DSA_SIG(value, nullptr);
    if (length > 0) {
        der->resize(static_cast<size_t>(length));
        unsigned char* out = der->data();
        i2d_DSA_SIG(value, &out);
    }
    DSA_SIG_free(value);
    return padding && length > 0;
}

SignatureResult verifyWith(EVP_PKEY* key, const Algorithm& algorithm, const unsigned char* data,
                           size_t dataSize, const unsigned char* signature, size_t signatureSize) {
    std::vector<unsigned char> der;
    if (algorithm.key == KeyKind::Dsa) {
        if (!canonicalDsa(signature, signatureSize, &der)) {
            return detail::mismatch(detail::kMalformedDsaSignature);
        }
        signature = der.data();
        signatureSize = der.size();
    }
    const EVP_MD* digest = algorithm.digest == detail::Digest::Md5    ? EVP_md5()
                           : algorithm.digest == detail::Digest::Sha1 ? EVP_sha1()
                                                                      : EVP_sha256();
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                    &EVP_MD_CTX_free);
    if (!context || EVP_DigestVerifyInit(context.get(), nullptr, digest, nullptr, key) != 1) {
        return detail::notChecked("the library could not check it");
    }
    static const unsigned char kNothing = 0;
    int verified = EVP_DigestVerify(context.get(), signature, signatureSize,
                                    data != nullptr ? data : &kNothing, dataSize);
    return verified == 1 ? detail::valid() : detail::mismatch(std::string());
}

SignatureResult issuedBy(X509* certificate, const unsigned char* der, size_t size, X509* issuer) {
    const ASN1_BIT_STRING* signature = nullptr;
    const X509_ALGOR* outer = nullptr;
    X509_get0_signature(&signature, &outer, certificate);
    const ASN1_OBJECT* algorithmOid = nullptr;
    X509_ALGOR_get0(&algorithmOid, nullptr, nullptr, outer);
    std::string oid = oidText(algorithmOid);
    const Algorithm* algorithm = detail::certificateAlgorithm(oid);
    if (algorithm == nullptr) {
        return detail::unsupportedAlgorithm(oid);
    }
    if (X509_ALGOR_cmp(outer, X509_get0_tbs_sigalg(certificate)) != 0) {
        return detail::mismatch(detail::kAlgorithmsDiffer);
    }
    EVP_PKEY* key = nullptr;
    SignatureResult usable = keyOf(issuer, *algorithm, &key);
    if (usable.check != SignatureCheck::Valid) {
        return usable;
    }
    // What is signed, as stored: the first of the certificate's three members.
    const unsigned char* p = der;
    std::unique_ptr<ASN1_SEQUENCE_ANY, void (*)(ASN1_SEQUENCE_ANY*)> members(
        d2i_ASN1_SEQUENCE_ANY(nullptr, &p, static_cast<long>(size)),
        [](ASN1_SEQUENCE_ANY* any) { sk_ASN1_TYPE_pop_free(any, ASN1_TYPE_free); });
    const ASN1_TYPE* toBeSigned = members ? sk_ASN1_TYPE_value(members.get(), 0) : nullptr;
    if (toBeSigned == nullptr || toBeSigned->type != V_ASN1_SEQUENCE) {
        return detail::notChecked(detail::kUnreadableCertificate);
    }
    return verifyWith(key, *algorithm, ASN1_STRING_get0_data(toBeSigned->value.sequence),
                      static_cast<size_t>(ASN1_STRING_length(toBeSigned->value.sequence)),
                      ASN1_STRING_get0_data(signature),
                      static_cast<size_t>(ASN1_STRING_length(signature)));
}

template <typename Element, typename Convert>
std::optional<std::vector<Element>> decodeSequence(const unsigned char* der, size_t size,
                                                   Convert convert) {
    ClearErrors clear;
    if (der == nullptr || size == 0 || size > detail::kMaxInput) {
        return std::nullopt;
    }
    const unsigned char* p = der;
    ASN1_SEQUENCE_ANY* sequence = d2i_ASN1_SEQUENCE_ANY(nullptr, &p, static_cast<long>(size));
    if (sequence == nullptr) {
        return std::nullopt;
    }
    std::optional<std::vector<Element>> elements(std::in_place);
    for (int i = 0; i < sk_ASN1_TYPE_num(sequence) && elements; ++i) {
        Element element;
        if (convert(sk_ASN1_TYPE_value(sequence, i), &element)) {
            elements->push_back(std::move(element));
        } else {
            elements.reset();
        }
    }
    sk_ASN1_TYPE_pop_free(sequence, ASN1_TYPE_free);
    return elements;
}

} // namespace

CertificateFacts readCertificate(const unsigned char* der, size_t size) {
    ClearErrors clear;
    CertificateFacts facts;
    Certificate certificate = parseWhole(der, size);
    if (!certificate) {
        return facts;
    }
    X509* x = certificate.get();
    if (!secondsOf(X509_get0_notBefore(x), &facts.notBefore) ||
        !secondsOf(X509_get0_notAfter(x), &facts.notAfter)) {
        return facts;
    }
    facts.subject = nameText(X509_get_subject_name(x));
    facts.issuer = nameText(X509_get_issuer_name(x));
    const ASN1_INTEGER* serial = X509_get0_serialNumber(x);
    facts.serialNumber = detail::serialText(ASN1_STRING_get0_data(serial),
                                            static_cast<size_t>(ASN1_STRING_length(serial)),
                                            ASN1_STRING_type(serial) == V_ASN1_NEG_INTEGER);
    for (int i = 0; i < X509_get_ext_count(x); ++i) {
        X509_EXTENSION* extension = X509_get_ext(x, i);
        CertificateExtension item;
        item.oid = oidText(X509_EXTENSION_get_object(extension));
        item.critical = X509_EXTENSION_get_critical(extension) > 0;
        const ASN1_OCTET_STRING* value = X509_EXTENSION_get_data(extension);
        const unsigned char* bytes = ASN1_STRING_get0_data(value);
        item.value.assign(bytes, bytes + ASN1_STRING_length(value));
        if (item.oid == detail::kCertificatePoliciesOid && facts.policyOids.empty()) {
            facts.policyOids = policiesOf(item.value);
        }
        facts.extensions.push_back(std::move(item));
    }
    facts.selfSigned = sameDer(X509_get_subject_name(x), X509_get_issuer_name(x)) &&
                       issuedBy(x, der, size, x).check == SignatureCheck::Valid;
    facts.readable = true;
    return facts;
}

std::vector<std::pair<size_t, size_t>> splitCertificates(const unsigned char* blob, size_t size) {
    ClearErrors clear;
    std::vector<std::pair<size_t, size_t>> pieces;
    size_t offset = 0;
    while (blob != nullptr && offset < size) {
        size_t used = 0;
        if (!parse(blob + offset, size - offset, &used) || used == 0) {
            break;
        }
        pieces.emplace_back(offset, used);
        offset += used;
    }
    return pieces;
}

SignatureResult verifySignature(const unsigned char* certificateDer, size_t certificateSize,
                                const std::string& algorithmOid, const unsigned char* data,
                                size_t dataSize, const unsigned char* signature,
                                size_t signatureSize) {
    ClearErrors clear;
    const Algorithm* algorithm = detail::packageAlgorithm(algorithmOid);
    if (algorithm == nullptr) {
        return detail::unsupportedAlgorithm(algorithmOid);
    }
    Certificate certificate = parseWhole(certificateDer, certificateSize);
    if (!certificate) {
        return detail::notChecked(detail::kUnreadableCertificate);
    }
    EVP_PKEY* key = nullptr;
    SignatureResult usable = keyOf(certificate.get(), *algorithm, &key);
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
    ClearErrors clear;
    Certificate certificate = parseWhole(der, size);
    Certificate issuer = parseWhole(issuerDer, issuerSize);
    if (!certificate || !issuer) {
        return detail::notChecked(detail::kUnreadableCertificate);
    }
    return issuedBy(certificate.get(), der, size, issuer.get());
}

std::optional<uint32_t> decodeCapabilities(const unsigned char* der, size_t size) {
    ClearErrors clear;
    if (der == nullptr || size == 0 || size > detail::kMaxInput) {
        return std::nullopt;
    }
    const unsigned char* p = der;
    ASN1_BIT_STRING* bits = d2i_ASN1_BIT_STRING(nullptr, &p, static_cast<long>(size));
    if (bits == nullptr) {
        return std::nullopt;
    }
    uint32_t capabilities = 0;
    for (int n = 0; n < 32; ++n) {
        if (ASN1_BIT_STRING_get_bit(bits, n) == 1) {
            capabilities |= uint32_t(1) << n;
        }
    }
    ASN1_BIT_STRING_free(bits);
    return capabilities;
}

std::optional<std::vector<std::string>> decodeDeviceIds(const unsigned char* der, size_t size) {
    return decodeSequence<std::string>(der, size, [](const ASN1_TYPE* any, std::string* text) {
        int type = any->type;
        if (type != V_ASN1_UTF8STRING && type != V_ASN1_PRINTABLESTRING &&
            type != V_ASN1_IA5STRING && type != V_ASN1_BMPSTRING) {
            return false;
        }
        unsigned char* utf8 = nullptr;
        int length = ASN1_STRING_to_UTF8(&utf8, any->value.asn1_string);
        if (length >= 0) {
            text->assign(reinterpret_cast<char*>(utf8), static_cast<size_t>(length));
        }
        OPENSSL_free(utf8);
        return length >= 0;
    });
}

std::optional<std::vector<uint32_t>> decodeIdList(const unsigned char* der, size_t size) {
    return decodeSequence<uint32_t>(der, size, [](const ASN1_TYPE* any, uint32_t* id) {
        uint64_t value = 0;
        if (any->type != V_ASN1_INTEGER ||
            ASN1_INTEGER_get_uint64(&value, any->value.integer) != 1 || value > 0xFFFFFFFFu) {
            return false;
        }
        *id = static_cast<uint32_t>(value);
        return true;
    });
}

} // namespace trust
