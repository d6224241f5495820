// Certificates and signatures of real signed packages, read and checked by the
// platform's libraries. Every expected value was read off with the openssl
// command line (x509 -nameopt RFC2253,-esc_msb,sep_comma_plus_space; asn1parse;
// dgst -verify over the signed bytes).
#include "package/trust/trust.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zlib.h>

namespace {

using trust::SignatureCheck;
using Bytes = std::vector<unsigned char>;

const std::string kFolder = std::string(VORANDECK_TESTDATA) + "/sisx/";

bool sharedPackagesPresent() {
    return std::ifstream(kFolder + "INDEX.tsv").good();
}

#define SKIP_WITHOUT_SHARED_PACKAGES()                                                             \
    if (!sharedPackagesPresent())                                                                  \
    GTEST_SKIP() << "shared packages not found in " << kFolder

uint32_t word(const Bytes& bytes, size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t(bytes[at + 3]) << 24;
}

// Steps over the typed, length-prefixed fields of a Symbian OS 9 package.
struct Fields {
    const Bytes& bytes;
    size_t at;
    size_t end;

    bool value(size_t* begin, size_t* stop) {
        if (end - at < 4) {
            return false;
        }
        uint64_t length = word(bytes, at);
        at += 4;
        if ((length & 0x80000000u) != 0) {
            length = (length & 0x7FFFFFFFu) | uint64_t(word(bytes, at)) << 31;
            at += 4;
        }
        if (at > end || length > end - at) {
            return false;
        }
        *begin = at;
        *stop = at + length;
        at = std::min<size_t>(end, *stop + (4 - length % 4) % 4);
        return true;
    }
    bool field(uint32_t type, size_t* begin, size_t* stop) {
        while (end - at >= 4) {
            uint32_t found = word(bytes, at);
            at += 4;
            if (!value(begin, stop) || found == type) {
                return found == type;
            }
        }
        return false;
    }
};

// Chain `chain` of a package: its certificates, its first signature, and the
// controller bytes that signature covers.
struct PackageSignature {
    Bytes certificates;
    std::string algorithm;
    Bytes signature;
    Bytes signedData;
};

bool readSignature(const std::string& name, int chain, PackageSignature* out) {
    std::ifstream in(kFolder + name, std::ios::binary);
    Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t b = 0, e = 0;
    Fields top{file, 16, file.size()};
    if (file.size() < 16 || !top.field(12, &b, &e) || !Fields{file, b, e}.field(3, &b, &e) ||
        e - b < 12 || word(file, b) != 1) {
        return false;
    }
    Bytes controller(word(file, b + 4));
    uLongf size = static_cast<uLongf>(controller.size());
    if (uncompress(controller.data(), &size, &file[b + 12], static_cast<uLong>(e - b - 12)) !=
        Z_OK) {
        return false;
    }
    Fields whole{controller, 0, controller.size()};
    if (!whole.field(13, &b, &e)) {
        return false;
    }
    const size_t first = b;
    Fields members{controller, b, e};
    for (int k = 0; k <= chain; ++k) {
        if (!members.field(39, &b, &e)) {
            return false;
        }
    }
    // The chain's type and length, 8 bytes, end where its value begins.
    out->signedData.assign(controller.begin() + first, controller.begin() + (b - 8));
    Fields chainFields{controller, b, e};
    size_t sb = 0, se = 0, tb = 0, te = 0;
    if (!chainFields.field(2, &b, &e) || e - b < 4) {
        return false;
    }
    Fields array{controller, b + 4, e};
    if (!array.value(&b, &e)) {
        return false;
    }
    Fields signature{controller, b, e};
    if (!signature.field(38, &b, &e) || !Fields{controller, b, e}.field(1, &tb, &te) ||
        !signature.field(37, &sb, &se) || !chainFields.field(22, &b, &e) ||
        !Fields{controller, b, e}.field(37, &b, &e)) {
        return false;
    }
    for (size_t i = tb; i + 1 < te; i += 2) {
        out->algorithm += static_cast<char>(controller[i]);
    }
    out->signature.assign(controller.begin() + sb, controller.begin() + se);
    out->certificates.assign(controller.begin() + b, controller.begin() + e);
    return true;
}

Bytes certificate(const PackageSignature& package, size_t index) {
    auto pieces =
        trust::splitCertificates(package.certificates.data(), package.certificates.size());
    if (index >= pieces.size()) {
        return Bytes();
    }
    auto begin = package.certificates.begin() + pieces[index].first;
    return Bytes(begin, begin + pieces[index].second);
}

std::string extensionsText(const trust::CertificateFacts& facts) {
    std::string text;
    for (const auto& extension : facts.extensions) {
        text += (text.empty() ? "" : " ") + extension.oid + (extension.critical ? "!" : "");
    }
    return text;
}

const char kRsa[] = "1.2.840.113549.1.1.5";
const char kDsa[] = "1.2.840.10040.4.3";
const char kDevCertPackage[] = "appinstall-testfor2exes_allvaidchainwithdevcertalso.sis";

struct PackageCase {
    const char* file;
    int chain;
    const char* algorithm;
    SignatureCheck check;
    const char* reason;
    size_t certificates;
    const char* subject;
    const char* issuer;
    const char* serial;
    int64_t notBefore;
    int64_t notAfter;
    bool selfSigned;
    const char* extensions; // "!" marks a critical one
    const char* policies;
};

const PackageCase kPackages[] = {
    {"appinstall-base_r.sis", 0, kRsa, SignatureCheck::Valid, "", 2,
     "CN=Good-R5, O=Symbian Software Ltd", "CN=Root5-RSA, O=Symbian Software Ltd", "02", 1078331685,
     1393691685, false, "2.5.29.37 2.5.29.32", "1.2.826.0.1.1796587.1"},
    {"appinstall-ocsp_01.sis", 0, kRsa, SignatureCheck::Valid, "", 1, // a 512-bit key
     "CN=certTrev1, O=Symbian", "CN=Symbian Test - RSA, O=Symbian Software Ltd", "01", 1115893123,
     1431253123, false, "", ""},
    {"series60remote-Python_2.0.0.sis", 0, kRsa, SignatureCheck::Valid, "", 1,
     "CN=Nokia Content, O=Nokia", "CN=Nokia Online CA, O=Nokia", "2521", 1254739750, 1412516946,
     false, "2.5.29.32 1.3.6.1.5.5.7.1.1 2.5.29.15! 2.5.29.37 2.5.29.35 2.5.29.14",
     "1.3.6.1.4.1.94.1.49.1.1.3.2"},
    {kDevCertPackage, 2, kRsa, SignatureCheck::Valid, "", 3, "CN=SIMPLE\\ , O=Symbian\\ ",
     "CN=Mid-R5, O=Symbian Software Ltd", "B4CF01F88318F5A7", 1141726877, 1144318877, false,
     "1.2.826.0.1.1796587.1.1.1.1! 1.2.826.0.1.1796587.1.1.1.4! 1.2.826.0.1.1796587.1.1.1.5! "
     "1.2.826.0.1.1796587.1.1.1.6!",
     ""},
    {"appinstall-SignedFile.sis", 0, kDsa, SignatureCheck::Valid, "", 1, // 2048-bit DSA
     "emailAddress=noone@nowhere.com, CN=Joe Bloggs, OU=Development, O=Acme Ltd, C=GB",
     "emailAddress=noone@nowhere.com, CN=Joe Bloggs, OU=Development, O=Acme Ltd, C=GB", "00",
     1110281217, 1141817217, true, "", ""},
    {"appinstall-simple.sis", 0, kDsa, SignatureCheck::Valid, "", 1, // signature padded with a zero
     "CN=Default Signing Certificate, OU=Core Development, O=Symbian Software, C=GB",
     "CN=Default Signing Certificate, OU=Core Development, O=Symbian Software, C=GB", "00",
     1138878924, 1454411724, true, "", ""},
    {"appinstall-expired.sis", 0, kDsa, SignatureCheck::Valid, "", 1,
     "O=Vendor, CN=Expired SIS3088fc498a6354a8dd2a872343546a03002a5339e2db756cbf16bc816d42ad1bed18"
     "58e527a6dd26dd779563430859acdf24fd442466",
     "O=Vendor, CN=Expired SIS3088fc498a6354a8dd2a872343546a03002a5339e2db756cbf16bc816d42ad1bed18"
     "58e527a6dd26dd779563430859acdf24fd442466",
     "01", 321378192, 352914192, true, "", ""},
    {"appinstall-unsupported_signature_fake_rsa_sha1_md2.sis", 0, "1.2.840.113549.1.1.2",
     SignatureCheck::NotChecked, "unsupported algorithm 1.2.840.113549.1.1.2", 1,
     "emailAddress=john.rambo@mylittleorg.com, CN=John Rambo, OU=My Little Department, O=My "
     "Little Organization, L=Milton, ST=Cambridgeshire, C=UK",
     "emailAddress=john.rambo@mylittleorg.com, CN=John Rambo, OU=My Little Department, O=My "
     "Little Organization, L=Milton, ST=Cambridgeshire, C=UK",
     "D6F127328C7928DB", 1203335523, 1580471523, true, "2.5.29.14 2.5.29.35 2.5.29.19", ""},
    {"appinstall-unsupported_signature_fake_rsa_sha1_md5.sis", 0, "1.2.840.113549.1.1.4",
     SignatureCheck::NotChecked, "unsupported algorithm 1.2.840.113549.1.1.4", 1,
     "emailAddress=john.rambo@mylittleorg.com, CN=John Rambo, OU=My Little Department, O=My "
     "Little Organization, L=Milton, ST=Cambridgeshire, C=UK",
     "emailAddress=john.rambo@mylittleorg.com, CN=John Rambo, OU=My Little Department, O=My "
     "Little Organization, L=Milton, ST=Cambridgeshire, C=UK",
     "D6F127328C7928DB", 1203335523, 1580471523, true, "2.5.29.14 2.5.29.35 2.5.29.19", ""},
};

TEST(Trust, RealPackagesGiveTheirCertificatesAndSignatures) {
    SKIP_WITHOUT_SHARED_PACKAGES();
    for (const PackageCase& c : kPackages) {
        SCOPED_TRACE(c.file);
        PackageSignature package;
        ASSERT_TRUE(readSignature(c.file, c.chain, &package));
        EXPECT_EQ(package.algorithm, c.algorithm);
        auto pieces =
            trust::splitCertificates(package.certificates.data(), package.certificates.size());
        ASSERT_EQ(pieces.size(), c.certificates);
        EXPECT_EQ(pieces.back().first + pieces.back().second, package.certificates.size());

        Bytes der = certificate(package, 0);
        trust::CertificateFacts facts = trust::readCertificate(der.data(), der.size());
        EXPECT_TRUE(facts.readable);
        EXPECT_EQ(facts.subject, c.subject);
        EXPECT_EQ(facts.issuer, c.issuer);
        EXPECT_EQ(facts.serialNumber, c.serial);
        EXPECT_EQ(facts.notBefore, c.notBefore);
        EXPECT_EQ(facts.notAfter, c.notAfter);
        EXPECT_EQ(facts.selfSigned, c.selfSigned);
        EXPECT_EQ(extensionsText(facts), c.extensions);
        std::string policies;
        for (const std::string& oid : facts.policyOids) {
            policies += oid;
        }
        EXPECT_EQ(policies, c.policies);

        auto verify = [&](const Bytes& data, const Bytes& signature) {
            return trust::verifySignature(der.data(), der.size(), package.algorithm, data.data(),
                                          data.size(), signature.data(), signature.size());
        };
        trust::SignatureResult result = verify(package.signedData, package.signature);
        EXPECT_EQ(result.check, c.check) << result.reason;
        EXPECT_EQ(result.reason, c.reason);
        if (c.check == SignatureCheck::Valid) {
            Bytes signature = package.signature;
            signature[signature.size() / 2] ^= 1;
            EXPECT_EQ(verify(package.signedData, signature).check, SignatureCheck::Mismatch);
            Bytes data = package.signedData;
            data[data.size() / 2] ^= 1;
            EXPECT_EQ(verify(data, package.signature).check, SignatureCheck::Mismatch);
        }
    }
}

TEST(Trust, CertificatesAreCheckedAgainstTheirIssuers) {
    SKIP_WITHOUT_SHARED_PACKAGES();
    const struct {
        const char* file;
        int chain;
        size_t subject;
        size_t issuer;
        SignatureCheck check;
        bool md5;
    } cases[] = {
        {"appinstall-base_r.sis", 0, 0, 1, SignatureCheck::Valid, true},
        {"appinstall-base_r.sis", 0, 1, 1, SignatureCheck::Valid, true}, // the root by itself
        {kDevCertPackage, 2, 0, 1, SignatureCheck::Valid, false},        // SHA-1 with RSA
        {kDevCertPackage, 2, 1, 2, SignatureCheck::Valid, true},
        {kDevCertPackage, 2, 0, 2, SignatureCheck::Mismatch, false}, // skips a link
        {"appinstall-ocsp_01.sis", 0, 0, 0, SignatureCheck::Mismatch, true},
        {"appinstall-SignedFile.sis", 0, 0, 0, SignatureCheck::Valid, false}, // DSA with SHA-1
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + std::to_string(c.subject));
        PackageSignature package;
        ASSERT_TRUE(readSignature(c.file, c.chain, &package));
        Bytes subject = certificate(package, c.subject);
        Bytes issuer = certificate(package, c.issuer);
        trust::SignatureResult result =
            trust::verifyIssuedBy(subject.data(), subject.size(), issuer.data(), issuer.size());
#ifdef _WIN32
        // Wine's GnuTLS refuses every MD5 signature; Windows itself checks them.
        if (c.md5 && result.check == SignatureCheck::NotChecked) {
            EXPECT_EQ(result.reason, "the system does not check RSA signatures with MD5");
            continue;
        }
#endif
        EXPECT_EQ(result.check, c.check) << result.reason;
    }
    // A key of the other kind: RSA-signed certificate against a DSA key, and back.
    PackageSignature rsa, dsa;
    ASSERT_TRUE(readSignature("appinstall-base_r.sis", 0, &rsa));
    ASSERT_TRUE(readSignature("appinstall-SignedFile.sis", 0, &dsa));
    Bytes a = certificate(rsa, 0), b = certificate(dsa, 0);
    EXPECT_EQ(trust::verifyIssuedBy(a.data(), a.size(), b.data(), b.size()).check,
              SignatureCheck::Mismatch);
    EXPECT_EQ(trust::verifyIssuedBy(b.data(), b.size(), a.data(), a.size()).check,
              SignatureCheck::Mismatch);
}

TEST(Trust, DeveloperCertificateExtensionsDecode) {
    SKIP_WITHOUT_SHARED_PACKAGES();
    PackageSignature package;
    ASSERT_TRUE(readSignature(kDevCertPackage, 2, &package));
    Bytes der = certificate(package, 0);
    trust::CertificateFacts facts = trust::readCertificate(der.data(), der.size());
    auto value = [&](const char* oid) {
        for (const auto& extension : facts.extensions) {
            if (extension.oid == oid) {
                return extension.value;
            }
        }
        return Bytes();
    };
    Bytes devices = value(trust::kDeviceIdListOid);
    Bytes secureIds = value(trust::kSecureIdListOid);
    Bytes vendorIds = value(trust::kVendorIdListOid);
    Bytes capabilities = value(trust::kCapabilitiesOid);
    EXPECT_EQ(trust::decodeDeviceIds(devices.data(), devices.size()),
              std::vector<std::string>{"11111111-222222-3-44"});
    EXPECT_EQ(trust::decodeIdList(secureIds.data(), secureIds.size()),
              std::vector<uint32_t>{0x11000006});
    EXPECT_EQ(trust::decodeIdList(vendorIds.data(), vendorIds.size()),
              std::vector<uint32_t>{0x70000001});
    // 03 04 04 7F FF F0: bits 1 to 19, every capability but TCB.
    EXPECT_EQ(trust::decodeCapabilities(capabilities.data(), capabilities.size()), 0xFFFFEu);
}

Bytes fromHex(const std::string& hex) {
    Bytes bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

TEST(Trust, ExtensionDecodersTakeOnlyTheirType) {
    using Ids = std::vector<uint32_t>;
    using Texts = std::vector<std::string>;
    const struct {
        const char* der;
        std::optional<uint32_t> capabilities;
        std::optional<Texts> devices;
        std::optional<Ids> ids;
    } cases[] = {
        {"030100", 0u, std::nullopt, std::nullopt},
        {"03020780", 1u, std::nullopt, std::nullopt},
        {"030600FFFFFFFF80", 0xFFFFFFFFu, std::nullopt, std::nullopt}, // bit 32 dropped
        {"0305047FFF", std::nullopt, std::nullopt, std::nullopt},      // cut short
        {"0300", std::nullopt, std::nullopt, std::nullopt},            // no count of unused bits
        {"04020000", std::nullopt, std::nullopt, std::nullopt},
        {"3000", std::nullopt, Texts{}, Ids{}},
        {"300413023132", std::nullopt, Texts{"12"}, std::nullopt},
        {"30070C054142434445", std::nullopt, Texts{"ABCDE"}, std::nullopt},
        {"30051603414243", std::nullopt, Texts{"ABC"}, std::nullopt},
        {"300A1E080035003000320037", std::nullopt, Texts{"5027"}, std::nullopt},
        {"30061A0441424344", std::nullopt, std::nullopt, std::nullopt}, // VisibleString
        {"300713023132020101", std::nullopt, std::nullopt, std::nullopt},
        {"3003020100", std::nullopt, std::nullopt, Ids{0}},
        {"3007020500FFFFFFFF", std::nullopt, std::nullopt, Ids{0xFFFFFFFF}},
        {"30030201FF", std::nullopt, std::nullopt, std::nullopt},         // -1
        {"30020200", std::nullopt, std::nullopt, std::nullopt},           // an empty INTEGER
        {"300702050100000000", std::nullopt, std::nullopt, std::nullopt}, // 2^32
        {"", std::nullopt, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.der);
        Bytes der = fromHex(c.der);
        EXPECT_EQ(trust::decodeCapabilities(der.data(), der.size()), c.capabilities);
        EXPECT_EQ(trust::decodeDeviceIds(der.data(), der.size()), c.devices);
        EXPECT_EQ(trust::decodeIdList(der.data(), der.size()), c.ids);
    }
}

TEST(Trust, DamagedCertificatesAreNotReadable) {
    SKIP_WITHOUT_SHARED_PACKAGES();
    PackageSignature package;
    ASSERT_TRUE(readSignature("appinstall-onechain.sis", 0, &package));
    const Bytes& blob = package.certificates; // three certificates: 468, 546 and 549 bytes
    Bytes der = certificate(package, 0);
    // Each cut is copied to a buffer of its own size, so that reading past it is caught.
    for (size_t size = 0; size < der.size(); ++size) {
        Bytes cut(der.begin(), der.begin() + size);
        ASSERT_FALSE(trust::readCertificate(cut.data(), cut.size()).readable) << size;
    }
    Bytes garbage = fromHex("3082FFFF0000DEADBEEF");
    EXPECT_FALSE(trust::readCertificate(garbage.data(), garbage.size()).readable);
    EXPECT_FALSE(trust::readCertificate(nullptr, 0).readable);
    Bytes longer = der;
    longer.push_back(0);
    EXPECT_FALSE(trust::readCertificate(longer.data(), longer.size()).readable);

    trust::SignatureResult unreadable = trust::verifySignature(
        garbage.data(), garbage.size(), kRsa, blob.data(), blob.size(), der.data(), 128);
    EXPECT_EQ(unreadable.check, SignatureCheck::NotChecked);
    EXPECT_EQ(unreadable.reason, "the certificate could not be read");
    EXPECT_EQ(trust::verifyIssuedBy(der.data(), der.size(), garbage.data(), garbage.size()).check,
              SignatureCheck::NotChecked);

    using Pieces = std::vector<std::pair<size_t, size_t>>;
    const struct {
        size_t size;
        Pieces pieces;
    } cuts[] = {
        {blob.size(), {{0, 468}, {468, 546}, {1014, 549}}},
        {blob.size() - 1, {{0, 468}, {468, 546}}},
        {1014, {{0, 468}, {468, 546}}},
        {467, {}},
        {0, {}},
    };
    for (const auto& c : cuts) {
        Bytes cut(blob.begin(), blob.begin() + c.size);
        EXPECT_EQ(trust::splitCertificates(cut.data(), cut.size()), c.pieces) << c.size;
    }
    Bytes trailing = blob;
    trailing.insert(trailing.end(), garbage.begin(), garbage.end());
    EXPECT_EQ(trust::splitCertificates(trailing.data(), trailing.size()).size(), 3u);
}

} // namespace
