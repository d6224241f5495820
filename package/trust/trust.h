#pragma once
// Certificates and signatures, read and checked by the platform's own libraries
// (crypt32 and CNG on Windows, OpenSSL's libcrypto in the native build). Inputs
// are bytes: nothing here knows what a package is. Nothing is thrown; every
// answer, a refusal included, is returned.
#include <cstddef>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "package/checks/digests.h"

namespace trust {

struct CertificateExtension {
    std::string oid; // dotted
    bool critical = false;
    std::vector<unsigned char> value; // the DER inside extnValue
};

struct CertificateFacts {
    bool readable = false; // false: the library refused the bytes
    // "CN=..., O=..., C=...": the last name component first, as RFC 4514 writes
    // names, with ", " between components and " + " inside a multi-valued one.
    std::string subject;
    std::string issuer;
    std::string serialNumber; // upper-case hex, without sign padding; "-" when negative
    int64_t notBefore = 0;    // seconds since 1970-01-01 UTC
    int64_t notAfter = 0;
    bool selfSigned = false; // issuer equals subject, and its own key verifies its signature
    std::vector<CertificateExtension> extensions;
    std::vector<std::string> policyOids; // certificatePolicies, in order
};

// One certificate, DER, taking all of the bytes.
CertificateFacts readCertificate(const unsigned char* der, size_t size);

// Certificates one after another, as a Symbian OS 9 certificate chain keeps
// them: the offset and size of each, up to the first bytes that are not one.
std::vector<std::pair<size_t, size_t>> splitCertificates(const unsigned char* blob, size_t size);

enum class SignatureCheck { Valid, Mismatch, NotChecked };

struct SignatureResult {
    SignatureCheck check = SignatureCheck::NotChecked;
    std::string reason; // why it was not checked, or why it cannot match
};

// Object identifiers of the signature algorithms Symbian OS 9 packages use.
constexpr const char* kRsaSha1Oid = "1.2.840.113549.1.1.5";
constexpr const char* kDsaSha1Oid = "1.2.840.10040.4.3";

// Whether `signature` over `data` verifies with the public key of the certificate,
// for the algorithm a package names (kRsaSha1Oid or kDsaSha1Oid; any other is
// not checked). A DSA signature is a DER Dss-Sig-Value, which packages pad with
// zero bytes.
SignatureResult verifySignature(const unsigned char* certificateDer, size_t certificateSize,
                                const std::string& algorithmOid, const unsigned char* data,
                                size_t dataSize, const unsigned char* signature,
                                size_t signatureSize);

// Whether certificate `der` is signed by the key of certificate `issuerDer`
// (RSA with MD5, SHA-1 or SHA-256, DSA with SHA-1).
SignatureResult verifyIssuedBy(const unsigned char* der, size_t size,
                               const unsigned char* issuerDer, size_t issuerSize);

// Extensions of Symbian developer certificates, which bind a certificate to
// devices, executables, vendors and capabilities. The OIDs are those of
// Symbian's X.509 library (x509certext.h: KDeviceIdListConstraint,
// KSidListConstraint, KVidListConstraint, KCapabilitiesConstraint).
constexpr const char* kDeviceIdListOid = "1.2.826.0.1.1796587.1.1.1.1"; // SEQUENCE OF string
constexpr const char* kSecureIdListOid = "1.2.826.0.1.1796587.1.1.1.4"; // SEQUENCE OF INTEGER
constexpr const char* kVendorIdListOid = "1.2.826.0.1.1796587.1.1.1.5"; // SEQUENCE OF INTEGER
constexpr const char* kCapabilitiesOid = "1.2.826.0.1.1796587.1.1.1.6"; // BIT STRING

// Each takes an extension's value (CertificateExtension::value) and gives nothing
// when the library cannot decode it as that type.
// Capabilities: bit n set for capability n (bit 0 the first bit of the BIT
// STRING); bits from 32 on, which name no capability, are dropped.
std::optional<uint32_t> decodeCapabilities(const unsigned char* der, size_t size);
// Device IMEIs: UTF8String, PrintableString, IA5String or BMPString each, as UTF-8.
std::optional<std::vector<std::string>> decodeDeviceIds(const unsigned char* der, size_t size);
// Secure IDs or vendor IDs: each INTEGER from 0 to 0xFFFFFFFF.
std::optional<std::vector<uint32_t>> decodeIdList(const unsigned char* der, size_t size);

// SHA-256 as the package checks take it (the command line names packages and
// files by it).
using ::Sha256;

} // namespace trust
