// The package details over shared packages, with the clock fixed: what each
// says of itself, who signed it and until when, and what follows. Expected
// values come from the packages read with a separate script and openssl
// (x509 -subject -issuer -dates, dgst -sha1 -verify).
#include <cstring>
#include <fstream>

#include "package/details/details.h"
#include "package/io/little_endian.h"
#include "tests/package/package_fixture.h"
#include "tests/support/json_reader.h"
#include "tests/support/real_packages.h"

namespace {

constexpr int64_t k2027 = 1800000000; // 2027-01-15
constexpr int64_t k2005 = 1117584000; // 2005-06-01

std::string sharedPath(const std::string& folderAndName) {
    const size_t slash = folderAndName.rfind('/');
    const std::string folder = testsupport::sharedPackageFolder(folderAndName.substr(0, slash));
    return folder.empty() ? "" : folder + folderAndName.substr(slash);
}

std::string detailsOfBytes(const sis::Bytes& bytes, int64_t now) {
    FileFunctions files;
    if (files.openMemory(bytes.data(), bytes.size()) != OpenResult::Opened) {
        return "(not opened)";
    }
    return detailsText(describePackage(*files.package, now));
}

// The package with one character of its unique vendor name changed: the
// controller inflated, changed, stored again as it is, and the lengths of the
// fields around it mended. Its Data field follows unchanged.
sis::Bytes withControllerChanged(const sis::Bytes& original) {
    FileFunctions files;
    EXPECT_EQ(files.openMemory(original.data(), original.size()), OpenResult::Opened);
    std::vector<unsigned char> controller = files.package->sisx->controllerBytes();
    const uint64_t at = files.package->sisx->controller().firstMemberOffset;
    controller[static_cast<size_t>(at) + 32] ^= 0x01; // inside the Info field's first string
    sis::Bytes data;
    for (size_t pos = 24; pos + 8 <= original.size();) { // the Contents field's members
        const uint32_t type = le32(&original[pos]);
        const uint32_t length = le32(&original[pos + 4]);
        const size_t next = pos + 8 + length + (4 - length % 4) % 4;
        if (type == 30) {
            data.assign(original.begin() + static_cast<ptrdiff_t>(pos),
                        original.begin() + static_cast<ptrdiff_t>(std::min(next, original.size())));
        }
        pos = next;
    }
    auto word = [](sis::Bytes& out, uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            out.push_back(static_cast<uint8_t>(value >> (8 * i)));
        }
    };
    sis::Bytes compressed;
    word(compressed, 3, 4);
    word(compressed, 12 + controller.size(), 4);
    word(compressed, 0, 4); // stored as it is
    word(compressed, controller.size(), 8);
    compressed.insert(compressed.end(), controller.begin(), controller.end());
    compressed.resize(compressed.size() + (4 - compressed.size() % 4) % 4, 0);
    sis::Bytes out(original.begin(), original.begin() + 16);
    word(out, 12, 4);
    word(out, compressed.size() + data.size(), 4);
    out.insert(out.end(), compressed.begin(), compressed.end());
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

} // namespace

TEST(PackageDetails, SharedPackagesSayWhoMadeThemAndWhoSignedThem) {
    const struct {
        const char* package;
        int64_t now;
        std::vector<std::string> present;
        std::vector<std::string> absent;
    } cases[] = {
        {"sisx/appinstall-SignedFile.sis",
         k2027,
         {"Name: File01", "Unique vendor name: Vendor",
          "UID: 0x10001226 (protected range 0x00000000-0x7FFFFFFF)",
          "Chain 1 algorithm: DSA-SHA1 (1.2.840.10040.4.3)", "Chain 1 signature: valid",
          "Chain 1 certificate 1 subject: emailAddress=noone@nowhere.com, CN=Joe Bloggs, "
          "OU=Development, O=Acme Ltd, C=GB",
          "Chain 1 certificate 1 serial number: 00",
          "Chain 1 certificate 1 valid from: 2005-03-08 11:26:57 UTC",
          "Chain 1 certificate 1 valid to: 2006-03-08 11:26:57 UTC, expired on 2006-03-08",
          "Chain 1 certificate 1 self-signed: yes",
          "Certificate expired: The certificate \"Joe Bloggs\" expired on 2006-03-08",
          "Self-signed: ", "Protected UID: Its UID 0x10001226"},
         {}},
        {"sisx/appinstall-SignedFile.sis",
         k2005,
         {"Chain 1 certificate 1 valid to: 2006-03-08 11:26:57 UTC\n"},
         {"expired", "Certificate not yet valid"}},
        {"sisx/appinstall-expired.sis",
         k2027,
         {"UID: 0x89334541 (unprotected range 0x80000000 and above)",
          "Chain 1 certificate 1 valid to: 1981-03-08 15:43:12 UTC, expired on 1981-03-08",
          "Chain 1 signature: valid"},
         {"Protected UID"}},
        {"sisx/series60remote-Python_2.0.0.sis",
         k2027,
         {"Name: Python runtime", "Vendor: Nokia",
          "Target device: 0x101F7961 S60 3rd Edition, version 0.0.0 or later",
          "Target device: 0x1028315F S60 5th Edition",
          "Chain 1 algorithm: RSA-SHA1 (1.2.840.113549.1.1.5)", "Chain 1 signature: valid",
          "Chain 1 certificate 1 subject: CN=Nokia Content, O=Nokia",
          "Chain 1 certificate 1 issuer: CN=Nokia Online CA, O=Nokia",
          "Chain 1 certificate 1 valid from: 2009-10-05 10:49:10 UTC",
          "Chain 1 certificate 1 self-signed: no",
          "!:\\sys\\bin\\Python25.dll in its own header: secure ID 0x20022EE8"},
         {"Self-signed", "Unsigned", "Capabilities beyond its signature", "differ"}},
        {"sisx/appinstall-unsigned.sis",
         k2027,
         {"Signature: none: the package is not signed", "Unsigned: The package is not signed"},
         {"Chain 1"}},
        {"sisx/appinstall-unsupported_signature_fake_rsa_sha1_md5.sis",
         k2027,
         {"Chain 1 algorithm: 1.2.840.113549.1.1.4", "Chain 1 signature: not checked: "},
         {"Chain 1 signature: valid"}},
        {"sisx/appinstall-allsignedrev.sis",
         k2027,
         {"Chain 1 certificate 1 policies: 1.2.826.0.1.1796587.1.1.2.0, "
          "1.2.826.0.1.1796587.1.1.2.1, 1.2.826.0.1.1796587.1.1.2.2, "
          "1.2.826.0.1.1796587.1.1.2.3"},
         {}},
        {"sisx/stubs/appinstall-test_stub.sis",
         k2027,
         {"Kind: a stub", "UID: 0x10281A41", "Stub: It is a stub"},
         {}},
    };
    for (const auto& c : cases) {
        const std::string path = sharedPath(c.package);
        if (path.empty()) {
            GTEST_SKIP() << "shared test data not found in " << VORANDECK_TESTDATA;
        }
        SCOPED_TRACE(c.package);
        const std::string text = detailsOfBytes(readAll(pathOfUtf8(path)), c.now);
        for (const std::string& line : c.present) {
            EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
        }
        for (const std::string& line : c.absent) {
            EXPECT_EQ(text.find(line), std::string::npos) << line;
        }
    }
}

TEST(PackageDetails, OlderPackagesSayTheirFormatAndComponentNames) {
    const std::string folder = testsupport::sharedPackageFolder("real");
    if (folder.empty()) {
        GTEST_SKIP() << "shared test data not found in " << VORANDECK_TESTDATA;
    }
    for (const std::string& name : testsupport::packageNamesIn(folder)) {
        SCOPED_TRACE(name);
        const std::string text = detailsOfBytes(readAll(pathOfUtf8(folder + "/" + name)), k2027);
        EXPECT_NE(text.find("Format: the older format of "), std::string::npos);
        EXPECT_NE(text.find("Older format: It is a package of the older format"),
                  std::string::npos);
        EXPECT_EQ(text.find("Chain 1"), std::string::npos);
    }
}

TEST(PackageDetails, ChangedAfterSigningDoesNotMatch) {
    const std::string path = sharedPath("sisx/appinstall-SignedFile.sis");
    if (path.empty()) {
        GTEST_SKIP() << "shared test data not found in " << VORANDECK_TESTDATA;
    }
    const sis::Bytes original = readAll(pathOfUtf8(path));
    const std::string text = detailsOfBytes(withControllerChanged(original), k2027);
    EXPECT_NE(text.find("Chain 1 signature: does not match: the package was changed after it was "
                        "signed"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Signature does not match: "), std::string::npos);
}

TEST(PackageDetails, EveryPackageDescribesItselfWithoutHarm) {
    // Whole, damaged, stubs and the older format: every package gives its five
    // sections, and every certificate it carries can be saved.
    for (const char* below : {"real", "sisx", "sisx/damaged", "sisx/stubs"}) {
        const std::string folder = testsupport::sharedPackageFolder(below);
        for (const std::string& name : testsupport::packageNamesIn(folder)) {
            SCOPED_TRACE(name);
            FileFunctions files;
            const sis::Bytes bytes = readAll(pathOfUtf8(folder + "/" + name));
            ASSERT_EQ(files.openMemory(bytes.data(), bytes.size()), OpenResult::Opened);
            const PackageDetails details = describePackage(*files.package, k2027);
            ASSERT_EQ(details.sections.size(), 5u);
            for (const CarriedCertificate& certificate : details.certificates) {
                EXPECT_FALSE(certificate.der.empty());
            }
        }
    }
}

TEST(PackageDetails, EverySignedPackageGivesItsCertificatesAndSignatureResults) {
    // Derived from each package's controller with a separate script and openssl:
    // subjects (RFC 2253 order), validity dates, and `openssl dgst -sha1 -verify`.
    testsupport::JsonValue expected;
    std::string error;
    ASSERT_TRUE(testsupport::readJsonFile(
        VORANDECK_SOURCE_DIR "/tests/package/details_expected.json", &expected, &error))
        << error;
    const std::string folder = testsupport::sharedPackageFolder("sisx");
    if (folder.empty()) {
        GTEST_SKIP() << "shared test data not found in " << VORANDECK_TESTDATA;
    }
    EXPECT_EQ(expected.members.size(), 51u);
    for (const auto& [name, chains] : expected.members) {
        SCOPED_TRACE(name);
        const std::string text = detailsOfBytes(readAll(pathOfUtf8(folder + "/" + name)), k2027);
        for (size_t k = 0; k < chains.items.size(); ++k) {
            const testsupport::JsonValue& chain = chains.items[k];
            const std::string prefix = "Chain " + std::to_string(k + 1);
            const std::string signature =
                chain["signature"].text == "valid" ? "valid\n" : chain["signature"].text + ": ";
            EXPECT_NE(text.find(prefix + " signature: " + signature), std::string::npos) << prefix;
            for (size_t j = 0; j < chain["certificates"].items.size(); ++j) {
                const testsupport::JsonValue& c = chain["certificates"].items[j];
                const std::string cert = prefix + " certificate " + std::to_string(j + 1);
                for (const std::string& line :
                     {cert + " subject: " + c["subject"].text + "\n",
                      cert + " valid from: " + c["validFrom"].text + " UTC",
                      cert + " valid to: " + c["validTo"].text + " UTC"}) {
                    EXPECT_NE(text.find(line), std::string::npos) << line;
                }
            }
        }
    }
}
