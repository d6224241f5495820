// "Before you install": what follows from the facts for installing the package
// on a phone, one plain sentence each, and only where a fact of this package is
// behind it. The rules, and the public Symbian documentation they come from:
// [S] "Capabilities (Symbian Signed)", Nokia Developer Wiki: which signatures can
//     grant which capabilities; self-signed packages get user capabilities only;
//     developer certificates are bound to listed devices.
//     http://www.developer.nokia.com/Community/Wiki/Capabilities_(Symbian_Signed)
// [U] "Application UIDs", S60 3rd Edition C++ Developer's Library: the protected
//     range needs a trusted signature; 0xA0000000-0xAFFFFFFF is for self-signed
//     packages, 0xE0000000-0xEFFFFFFF for testing.
//     https://cortex.p.gen.nz/nokia/symbian/S60%203rd%20Edition%20C%2B%2B%20Developer%27s%20Library%20v1.1/GUID-EA05F9B6-52C7-4BD9-8B9A-4BA3456E70B5.html
// [C] "Certificate management", Nokia X6-00 user guide: "Expired certificate" and
//     "Certificate not valid yet" are judged against the phone's date and time.
//     https://nokia-x6-00.helpdoc.net/en/nokia-x6-00-user-guide/settings-2/phone-settings/security-settings/certificate-management
// [F] "SIS File Format", A. Thoukydides: the format changed with Symbian OS 9.1;
//     https://thoukydides.github.io/riscos-psifs/sis.html
// [P] "Symbian OS Platform Security", ch. 3 (Franklin Heath wiki): an
//     executable's capabilities and secure ID are set in its own header; a
//     program's private folder is \private\<its secure ID>\, and only its
//     import folder is open to installed packages of others.
#include "package/details/capabilities.h"
#include "package/details/details_facts.h"
#include "package/details/known_uids.h"

namespace {

std::string commonName(const std::string& subject) {
    const size_t at = subject.find("CN=");
    if (at == std::string::npos) {
        return subject;
    }
    const size_t end = subject.find(", ", at);
    return subject.substr(at + 3, end == std::string::npos ? std::string::npos : end - at - 3);
}

void add(DetailSection& section, const char* label, const std::string& sentence) {
    section.lines.push_back({label, sentence});
}

bool anyChainTrusted(const PackageFacts& facts) {
    for (const ChainReport& chain : facts.chains) {
        if (!chain.selfSigned) {
            return true;
        }
    }
    return false;
}

// What a phone makes of each certificate of a chain on the computer's date.
void certificateFindings(DetailSection& section, const ChainReport& chain, int64_t now) {
    for (const CertificateReport& c : chain.certificates) {
        const trust::CertificateFacts& f = c.facts;
        if (!f.readable) {
            continue;
        }
        if (now > f.notAfter) {
            add(section, "Certificate expired",
                "The certificate \"" + commonName(f.subject) + "\" expired on " +
                    dateText(f.notAfter) +
                    ": a phone refuses the package (\"Certificate "
                    "expired\") unless its date is set to before that day.");
        } else if (now < f.notBefore) {
            add(section, "Certificate not yet valid",
                "The certificate \"" + commonName(f.subject) + "\" is not valid before " +
                    dateText(f.notBefore) + ": a phone dated earlier refuses the package.");
        }
        if (c.deviceIds) {
            add(section, "Developer certificate",
                "It is signed with a developer certificate limited to " +
                    std::to_string(c.deviceIds->size()) +
                    " phones by their IMEIs: it installs on those only.");
        }
    }
}

void signatureFindings(DetailSection& section, const Package& package, const PackageFacts& facts) {
    if (facts.chains.empty()) {
        add(section, "Unsigned",
            "The package is not signed: a phone installs it only if its installer allows "
            "unsigned software, and its programs can be granted user capabilities at most.");
    }
    for (size_t k = 0; k < facts.chains.size(); ++k) {
        const ChainReport& chain = facts.chains[k];
        if (chain.signature.check == trust::SignatureCheck::Mismatch) {
            add(section, "Signature does not match",
                "The signature of chain " + std::to_string(k + 1) +
                    " does not match its bytes: the package was changed after it was signed, "
                    "and a phone refuses it.");
        }
        certificateFindings(section, chain, facts.now);
    }
    const bool selfSigned = !facts.chains.empty() && !anyChainTrusted(facts);
    if (selfSigned) {
        add(section, "Self-signed",
            "It is self-signed: a phone asks the user before installing it and can grant its "
            "programs user capabilities only.");
    }
    const uint32_t beyond =
        facts.capabilityUnion & ~capabilitiesIn(facts.capabilityUnion, CapabilityGroup::User);
    if ((facts.chains.empty() || selfSigned) && beyond != 0) {
        add(section, "Capabilities beyond its signature",
            "Its programs ask for " + capabilityNames(beyond) +
                ", which an unsigned or self-signed package cannot be granted: a phone refuses "
                "to install it.");
    }
    const uint32_t uid = package.sisx->controller().uid;
    if ((facts.chains.empty() || selfSigned) && isProtectedUid(uid)) {
        add(section, "Protected UID",
            "Its UID " + hexUid(uid) +
                " lies in the protected range, which only a package with a trusted signature may "
                "use: a phone refuses it unsigned or self-signed.");
    }
    for (const ExecutableReport& e : facts.executables) {
        if ((facts.chains.empty() || selfSigned) && e.image.kind == ExecutableKind::E32Image &&
            isProtectedUid(e.image.secureId)) {
            add(section, "Protected secure ID",
                e.target + " has the secure ID " + hexUid(e.image.secureId) +
                    " in the protected range, which an unsigned or self-signed package may not "
                    "install.");
        }
    }
}

void fileFindings(DetailSection& section, const PackageFacts& facts) {
    for (const ExecutableReport& e : facts.executables) {
        if (e.image.kind == ExecutableKind::Emulator) {
            add(section, "Emulator build",
                e.target + " is a Windows executable, built for the emulator: it does not run "
                           "on a phone.");
        }
    }
    for (const std::string& target : facts.runAtInstall) {
        add(section, "Runs during installation", target + " is run while the package installs.");
    }
    for (const std::string& target : facts.runAtRemoval) {
        add(section, "Runs during removal", target + " is run when the package is removed.");
    }
    for (const std::string& target : facts.intoOtherPrivateFolders) {
        add(section, "Another program's private folder",
            target + " goes into the private folder of another program; the installer allows "
                     "that only to a package with the right to write there.");
    }
}

} // namespace

DetailSection findingsSection(const Package& package, const PackageFacts& facts) {
    DetailSection section{"Before you install", {}};
    if (!package.sisx) {
        add(section, "Older format",
            "It is a package of the older format: phones of Symbian OS 9 and later (S60 3rd "
            "Edition on) do not install it.");
    } else if (package.kind == PackageKind::SisxStub) {
        add(section, "Stub", "It is a stub: it holds no file data and installs nothing by itself.");
    } else if (!package.readable()) {
        add(section, "Unreadable", "Its contents cannot be read: a phone refuses it.");
        return section;
    }
    if (package.sisx && package.readable()) {
        signatureFindings(section, package, facts);
    }
    fileFindings(section, facts);
    return section;
}
