// The facts of a certificate as crypt32 decodes them: names, serial number,
// validity and policies, in the words OpenSSL gives natively.
#include "package/trust/trust_win32.h"

#include <algorithm>
#include <cstring>

#include "common/utf16.h"

namespace trust {

using namespace win32;

namespace {

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

} // namespace

namespace win32 {

std::string utf8Of(const BYTE* wide, DWORD bytes) {
    auto text = reinterpret_cast<const uint16_t*>(wide);
    size_t units = bytes / sizeof(uint16_t);
    while (units > 0 && text[units - 1] == 0) {
        --units;
    }
    return utf16ToUtf8(text, units);
}

} // namespace win32

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

} // namespace trust
