#include "package/details/details_facts.h"

#include <cinttypes>
#include <cstdio>

#include "common/paths.h"
#include "package/details/capabilities.h"
#include "package/details/known_uids.h"

namespace {

constexpr uint32_t kRunAtInstall = 2;
constexpr uint32_t kRunAtRemoval = 4;

// The bytes of `length` at `offset` of the controller, or none when they do
// not lie inside it.
std::vector<unsigned char> slice(const std::vector<unsigned char>& bytes, uint64_t offset,
                                 uint64_t length) {
    if (offset > bytes.size() || length > bytes.size() - offset) {
        return {};
    }
    return std::vector<unsigned char>(bytes.begin() + static_cast<ptrdiff_t>(offset),
                                      bytes.begin() + static_cast<ptrdiff_t>(offset + length));
}

const trust::CertificateExtension* extension(const trust::CertificateFacts& facts,
                                             const char* oid) {
    for (const trust::CertificateExtension& e : facts.extensions) {
        if (e.oid == oid) {
            return &e;
        }
    }
    return nullptr;
}

CertificateReport readReport(std::vector<unsigned char> der) {
    CertificateReport report;
    report.der = std::move(der);
    report.facts = trust::readCertificate(report.der.data(), report.der.size());
    if (const auto* e = extension(report.facts, trust::kCapabilitiesOid)) {
        report.capabilities = trust::decodeCapabilities(e->value.data(), e->value.size());
    }
    if (const auto* e = extension(report.facts, trust::kDeviceIdListOid)) {
        report.deviceIds = trust::decodeDeviceIds(e->value.data(), e->value.size());
    }
    if (const auto* e = extension(report.facts, trust::kSecureIdListOid)) {
        report.secureIds = trust::decodeIdList(e->value.data(), e->value.size());
    }
    if (const auto* e = extension(report.facts, trust::kVendorIdListOid)) {
        report.vendorIds = trust::decodeIdList(e->value.data(), e->value.size());
    }
    return report;
}

ChainReport checkChain(const std::vector<unsigned char>& controller, uint64_t firstMember,
                       const sisx::SignatureChain& chain) {
    ChainReport report;
    const std::vector<unsigned char> blob =
        slice(controller, chain.certificatesOffset, chain.certificatesLength);
    for (const auto& [offset, size] : trust::splitCertificates(blob.data(), blob.size())) {
        report.certificates.push_back(readReport(
            std::vector<unsigned char>(blob.begin() + static_cast<ptrdiff_t>(offset),
                                       blob.begin() + static_cast<ptrdiff_t>(offset + size))));
    }
    for (size_t i = 0; i + 1 < report.certificates.size(); ++i) {
        const auto& der = report.certificates[i].der;
        const auto& next = report.certificates[i + 1].der;
        report.certificates[i].issuedByNext =
            trust::verifyIssuedBy(der.data(), der.size(), next.data(), next.size());
    }
    if (!chain.signatures.empty()) {
        const sisx::Signature& signature = chain.signatures.front();
        report.algorithm = signature.algorithm;
        const std::vector<unsigned char> value =
            slice(controller, signature.offset, signature.length);
        const uint64_t signedLength = chain.offset > firstMember ? chain.offset - firstMember : 0;
        const std::vector<unsigned char> data = slice(controller, firstMember, signedLength);
        if (report.certificates.empty() || !report.certificates.front().facts.readable) {
            report.signature.reason = "its signer's certificate cannot be read";
        } else {
            const auto& signer = report.certificates.front().der;
            report.signature =
                trust::verifySignature(signer.data(), signer.size(), signature.algorithm,
                                       data.data(), data.size(), value.data(), value.size());
        }
    }
    if (!report.certificates.empty()) {
        const trust::CertificateFacts& last = report.certificates.back().facts;
        report.root = last.readable ? wellKnownRoot(last.subject) : "";
        report.selfSigned = last.readable && last.selfSigned && report.root.empty();
    }
    return report;
}

// The folder a target puts a file into below \private\, as a UID, when it is
// one; false for any other target, and for a program's import folder, which
// others are meant to write into.
bool privateFolderOf(const std::string& target, uint32_t* uid) {
    const std::string prefix = "\\private\\";
    const std::string lower = asciiLowered(target);
    const size_t at = lower.find(prefix);
    if (at == std::string::npos || at > 2) {
        return false;
    }
    const std::string rest = lower.substr(at + prefix.size());
    unsigned value = 0;
    char separator = 0;
    if (std::sscanf(rest.c_str(), "%8x%c", &value, &separator) != 2 || separator != '\\' ||
        rest.compare(9, 7, "import\\") == 0) {
        return false;
    }
    *uid = value;
    return true;
}

void gatherFiles(const Package& package, PackageFacts* facts) {
    const Contents& contents = package.contents;
    const uint32_t owner = package.sisx->controller().uid;
    for (uint32_t i = 0; i < contents.entries.size(); ++i) {
        const PackageEntry& entry = contents.entries[i];
        const std::string target = contents.text(entry.name);
        if ((entry.runOptions & kRunAtInstall) != 0 || entry.kind == FileRunDuringInstall) {
            facts->runAtInstall.push_back(target);
        }
        if ((entry.runOptions & kRunAtRemoval) != 0) {
            facts->runAtRemoval.push_back(target);
        }
        uint32_t folder = 0;
        if (privateFolderOf(target, &folder) && folder != owner) {
            facts->intoOtherPrivateFolders.push_back(target);
        }
        if (!entry.hasCapabilities) {
            continue;
        }
        ExecutableReport executable;
        executable.target = target;
        executable.declared = entry.capabilities;
        if (entry.fileCount != 0) {
            executable.image = readExecutableFacts(
                filesOf(package.source, contents, i).front().data, package.source);
        }
        facts->capabilityUnion |= entry.capabilities & kNamedCapabilities;
        facts->executables.push_back(executable);
    }
}

} // namespace

std::string hexUid(uint32_t value) {
    char text[12];
    std::snprintf(text, sizeof text, "0x%08" PRIX32, value);
    return text;
}

PackageFacts gatherFacts(const Package& package, int64_t now) {
    PackageFacts facts;
    facts.now = now;
    if (!package.sisx || !package.readable()) {
        for (const PackageEntry& entry : package.contents.entries) {
            if (entry.kind == FileRunDuringInstall) {
                facts.runAtInstall.push_back(package.contents.text(entry.name));
            }
        }
        return facts;
    }
    const sisx::Controller& controller = package.sisx->controller();
    for (const sisx::SignatureChain& chain : controller.chains) {
        facts.chains.push_back(
            checkChain(package.sisx->controllerBytes(), controller.firstMemberOffset, chain));
    }
    gatherFiles(package, &facts);
    return facts;
}
