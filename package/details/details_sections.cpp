// The signatures and capabilities sections: words about the facts gathered.
#include "package/details/capabilities.h"
#include "package/details/details_facts.h"
#include "package/details/known_uids.h"

namespace {

std::string algorithmText(const std::string& oid) {
    if (oid == trust::kRsaSha1Oid) {
        return "RSA-SHA1 (" + oid + ")";
    }
    if (oid == trust::kDsaSha1Oid) {
        return "DSA-SHA1 (" + oid + ")";
    }
    return oid;
}

std::string signatureText(const trust::SignatureResult& result) {
    switch (result.check) {
    case trust::SignatureCheck::Valid:
        return "valid";
    case trust::SignatureCheck::Mismatch:
        return "does not match: the package was changed after it was signed";
    default:
        return "not checked: " + result.reason;
    }
}

std::string checkText(const trust::SignatureResult& result) {
    switch (result.check) {
    case trust::SignatureCheck::Valid:
        return "yes";
    case trust::SignatureCheck::Mismatch:
        return "no";
    default:
        return "not checked: " + result.reason;
    }
}

std::string idsText(const std::vector<uint32_t>& ids) {
    std::string text;
    for (uint32_t id : ids) {
        text += (text.empty() ? "" : ", ") + hexUid(id);
    }
    return text.empty() ? "none" : text;
}

std::string joined(const std::vector<std::string>& texts) {
    std::string text;
    for (const std::string& t : texts) {
        text += (text.empty() ? "" : ", ") + t;
    }
    return text.empty() ? "none" : text;
}

void addCertificate(DetailSection& section, const std::string& prefix,
                    const CertificateReport& report, int64_t now) {
    const trust::CertificateFacts& f = report.facts;
    if (!f.readable) {
        section.lines.push_back({prefix, "not readable"});
        return;
    }
    section.lines.push_back({prefix + " subject", f.subject});
    section.lines.push_back({prefix + " issuer", f.issuer});
    section.lines.push_back({prefix + " serial number", f.serialNumber});
    section.lines.push_back(
        {prefix + " valid from",
         dateTimeText(f.notBefore) + " UTC" +
             (now < f.notBefore ? ", not valid before " + dateText(f.notBefore) : "")});
    section.lines.push_back({prefix + " valid to",
                             dateTimeText(f.notAfter) + " UTC" +
                                 (now > f.notAfter ? ", expired on " + dateText(f.notAfter) : "")});
    section.lines.push_back({prefix + " self-signed", f.selfSigned ? "yes" : "no"});
    if (report.issuedByNext) {
        section.lines.push_back(
            {prefix + " signed by the next certificate", checkText(*report.issuedByNext)});
    }
    const std::string root = wellKnownRoot(f.subject);
    if (!root.empty() && f.selfSigned) {
        section.lines.push_back({prefix + " root", root});
    }
    if (report.capabilities) {
        section.lines.push_back(
            {prefix + " grants capabilities", groupedCapabilityNames(*report.capabilities)});
    }
    if (report.deviceIds) {
        section.lines.push_back(
            {prefix + " limited to devices (IMEIs)", joined(*report.deviceIds)});
    }
    if (report.secureIds) {
        section.lines.push_back({prefix + " limited to secure IDs", idsText(*report.secureIds)});
    }
    if (report.vendorIds) {
        section.lines.push_back({prefix + " limited to vendor IDs", idsText(*report.vendorIds)});
    }
    if (!f.policyOids.empty()) {
        section.lines.push_back({prefix + " policies", joined(f.policyOids)});
    }
}

void addEpocSignature(DetailSection& section, const PackageHeader& header) {
    if (header.signatureOffset() == 0) {
        section.lines.push_back({"Signature", "none"});
        return;
    }
    section.lines.push_back(
        {"Certificates", "a block at offset " + std::to_string(header.certificatesOffset()) +
                             " and a signature at offset " +
                             std::to_string(header.signatureOffset()) + ": not read"});
}

} // namespace

DetailSection signaturesSection(const Package& package, const PackageFacts& facts,
                                std::vector<CarriedCertificate>* certificates) {
    DetailSection section{"Signatures", {}};
    if (!package.sisx) {
        addEpocSignature(section, package.epocHeader);
        return section;
    }
    if (facts.chains.empty()) {
        section.lines.push_back({"Signature", "none: the package is not signed"});
    }
    for (size_t k = 0; k < facts.chains.size(); ++k) {
        const ChainReport& chain = facts.chains[k];
        const std::string name = "Chain " + std::to_string(k + 1);
        section.lines.push_back({name + " algorithm", algorithmText(chain.algorithm)});
        section.lines.push_back({name + " signature", signatureText(chain.signature)});
        for (size_t j = 0; j < chain.certificates.size(); ++j) {
            const std::string prefix = name + " certificate " + std::to_string(j + 1);
            addCertificate(section, prefix, chain.certificates[j], facts.now);
            certificates->push_back({k + 1, j + 1, chain.certificates[j].der});
        }
    }
    return section;
}

DetailSection capabilitiesSection(const Package& package, const PackageFacts& facts) {
    DetailSection section{"Capabilities", {}};
    if (!package.sisx) {
        section.lines.push_back({"Executables", "the older format declares no capabilities"});
        return section;
    }
    for (const ExecutableReport& e : facts.executables) {
        const std::string target = e.target.empty() ? "(no target)" : e.target;
        section.lines.push_back({target, groupedCapabilityNames(e.declared)});
        if (e.image.kind == ExecutableKind::Emulator) {
            section.lines.push_back(
                {target, "built for the emulator (a Windows executable), not for a phone"});
        } else if (e.image.kind == ExecutableKind::E32Image) {
            const bool differs =
                (e.image.capabilities & kNamedCapabilities) != (e.declared & kNamedCapabilities);
            const std::string ids =
                "secure ID " + hexUid(e.image.secureId) + ", vendor ID " + hexUid(e.image.vendorId);
            section.lines.push_back({target + " in its own header",
                                     differs ? ids + "; capabilities " +
                                                   groupedCapabilityNames(e.image.capabilities) +
                                                   ", which differ from what the package declares"
                                             : ids + "; the capabilities the package declares"});
        }
    }
    section.lines.push_back(
        {"All executables", facts.executables.empty()
                                ? "none asks for capabilities"
                                : groupedCapabilityNames(facts.capabilityUnion)});
    return section;
}
