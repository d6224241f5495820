#include "package/trust/trust_common.h"

#include <cstring>
#include <utility>

namespace trust::detail {

namespace {

const Algorithm kPackageAlgorithms[] = {
    {kRsaSha1Oid, Digest::Sha1, KeyKind::Rsa},
    {kDsaSha1Oid, Digest::Sha1, KeyKind::Dsa},
};

const Algorithm kCertificateAlgorithms[] = {
    {"1.2.840.113549.1.1.4", Digest::Md5, KeyKind::Rsa},
    {kRsaSha1Oid, Digest::Sha1, KeyKind::Rsa},
    {"1.2.840.113549.1.1.11", Digest::Sha256, KeyKind::Rsa},
    {kDsaSha1Oid, Digest::Sha1, KeyKind::Dsa},
};

template <size_t N> const Algorithm* find(const Algorithm (&table)[N], const std::string& oid) {
    for (const Algorithm& algorithm : table) {
        if (oid == algorithm.oid) {
            return &algorithm;
        }
    }
    return nullptr;
}

// The labels OpenSSL prints for the usual attributes; any other shows its OID.
struct Label {
    const char* oid;
    const char* label;
};
const Label kLabels[] = {
    {"2.5.4.3", "CN"},
    {"2.5.4.4", "SN"},
    {"2.5.4.5", "serialNumber"},
    {"2.5.4.6", "C"},
    {"2.5.4.7", "L"},
    {"2.5.4.8", "ST"},
    {"2.5.4.9", "street"},
    {"2.5.4.10", "O"},
    {"2.5.4.11", "OU"},
    {"2.5.4.12", "title"},
    {"2.5.4.42", "GN"},
    {"1.2.840.113549.1.9.1", "emailAddress"},
    {"0.9.2342.19200300.100.1.1", "UID"},
    {"0.9.2342.19200300.100.1.25", "DC"},
};

const char kHex[] = "0123456789ABCDEF";

void appendEscaped(std::string& out, const std::string& value) {
    for (size_t i = 0; i < value.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(value[i]);
        bool first = i == 0;
        bool last = i + 1 == value.size();
        if (c < 0x20 || c == 0x7F) {
            out += '\\';
            out += kHex[c >> 4];
            out += kHex[c & 15];
            continue;
        }
        if (std::strchr(",+\"\\<>;", c) != nullptr || (first && (c == '#' || c == ' ')) ||
            (last && c == ' ')) {
            out += '\\';
        }
        out += static_cast<char>(c);
    }
}

void appendAttribute(std::string& out, const NameAttribute& attribute) {
    const char* label = nullptr;
    for (const Label& known : kLabels) {
        if (attribute.oid == known.oid) {
            label = known.label;
        }
    }
    out += label != nullptr ? label : attribute.oid;
    out += '=';
    appendEscaped(out, attribute.value);
}

} // namespace

const Algorithm* packageAlgorithm(const std::string& oid) {
    return find(kPackageAlgorithms, oid);
}

const Algorithm* certificateAlgorithm(const std::string& oid) {
    return find(kCertificateAlgorithms, oid);
}

std::string formatName(const std::vector<NameAttribute>& attributes) {
    // Components from the last to the first; inside one, attributes in stored order.
    std::string out;
    size_t end = attributes.size();
    while (end > 0) {
        size_t begin = end - 1;
        while (begin > 0 && attributes[begin].sameSet) {
            --begin;
        }
        if (!out.empty()) {
            out += ", ";
        }
        for (size_t i = begin; i < end; ++i) {
            if (i > begin) {
                out += " + ";
            }
            appendAttribute(out, attributes[i]);
        }
        end = begin;
    }
    return out;
}

std::string serialText(const unsigned char* magnitude, size_t size, bool negative) {
    size_t first = 0;
    while (first + 1 < size && magnitude[first] == 0) {
        ++first;
    }
    std::string out = negative ? "-" : "";
    if (first >= size) {
        return out + "00";
    }
    for (size_t i = first; i < size; ++i) {
        out += kHex[magnitude[i] >> 4];
        out += kHex[magnitude[i] & 15];
    }
    return out;
}

SignatureResult valid() {
    return {SignatureCheck::Valid, std::string()};
}

SignatureResult mismatch(std::string reason) {
    return {SignatureCheck::Mismatch, std::move(reason)};
}

SignatureResult notChecked(std::string reason) {
    return {SignatureCheck::NotChecked, std::move(reason)};
}

SignatureResult unsupportedAlgorithm(const std::string& oid) {
    return notChecked("unsupported algorithm " + oid);
}

SignatureResult unsupportedKey(const std::string& oid) {
    return notChecked("unsupported key type " + oid);
}

SignatureResult wrongKeyKind(KeyKind wanted) {
    return mismatch(wanted == KeyKind::Rsa ? "an RSA signature, but the key is not RSA"
                                           : "a DSA signature, but the key is not DSA");
}

const char* const kUnreadableCertificate = "the certificate could not be read";
const char* const kUnreadableKey = "the certificate's public key could not be read";
const char* const kKeyWithoutParameters = "the DSA key has no parameters of its own";
const char* const kMalformedDsaSignature = "the signature is not a DSA signature value";
const char* const kAlgorithmsDiffer = "the certificate names two different signature algorithms";

} // namespace trust::detail
