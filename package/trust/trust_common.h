#pragma once
// What both implementations of trust.h share, so that they give the same
// answers in the same words: the algorithms checked, the text of names and
// serial numbers, and the reasons.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "package/trust/trust.h"

namespace trust::detail {

// Larger inputs are refused: the largest Symbian OS 9 controller is 16 MB, and
// the libraries take lengths of 32 bits.
constexpr size_t kMaxInput = 16u * 1024 * 1024;

enum class KeyKind { Rsa, Dsa };
enum class Digest { Md5, Sha1, Sha256 };

struct Algorithm {
    const char* oid;
    Digest digest;
    KeyKind key;
};

// The algorithms a package signature may name, and those a certificate may be
// signed with; nullptr for any other.
const Algorithm* packageAlgorithm(const std::string& oid);
const Algorithm* certificateAlgorithm(const std::string& oid);

// Object identifiers of the keys the libraries hand back.
constexpr const char* kRsaKeyOid = "1.2.840.113549.1.1.1";
constexpr const char* kDsaKeyOid = "1.2.840.10040.4.1";
constexpr const char* kCertificatePoliciesOid = "2.5.29.32";

// One attribute of a distinguished name, in stored order; `sameSet` when it
// belongs to the same multi-valued component as the attribute before it.
struct NameAttribute {
    std::string oid;
    std::string value; // UTF-8
    bool sameSet = false;
};
std::string formatName(const std::vector<NameAttribute>& attributes);

// The magnitude of a serial number, big-endian, with its sign.
std::string serialText(const unsigned char* magnitude, size_t size, bool negative);

SignatureResult valid();
SignatureResult mismatch(std::string reason);
SignatureResult notChecked(std::string reason);
SignatureResult unsupportedAlgorithm(const std::string& oid);
SignatureResult unsupportedKey(const std::string& oid);
// The certificate's key is not of the kind the algorithm signs with.
SignatureResult wrongKeyKind(KeyKind wanted);

extern const char* const kUnreadableCertificate;
extern const char* const kUnreadableKey;
extern const char* const kKeyWithoutParameters;
extern const char* const kMalformedDsaSignature;
extern const char* const kAlgorithmsDiffer;

} // namespace trust::detail
