#pragma once
// The facts the details are made of, gathered once: each signature chain
// checked and each certificate read, each executable's own header, the files
// run or put into other programs' folders. The sections and the findings are
// then only words about them.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "package/details/details.h"
#include "package/details/e32_image.h"
#include "package/trust/trust.h"

struct CertificateReport {
    std::vector<unsigned char> der;
    trust::CertificateFacts facts;
    std::optional<trust::SignatureResult> issuedByNext; // none for the last of a chain
    // Developer certificate constraints, when it carries them.
    std::optional<uint32_t> capabilities;
    std::optional<std::vector<std::string>> deviceIds;
    std::optional<std::vector<uint32_t>> secureIds;
    std::optional<std::vector<uint32_t>> vendorIds;
};

struct ChainReport {
    std::string algorithm;
    trust::SignatureResult signature;
    std::vector<CertificateReport> certificates;
    std::string root;        // the well-known root it ends at, or ""
    bool selfSigned = false; // it ends at a self-signed certificate that is no well-known root
};

struct ExecutableReport {
    std::string target;
    uint32_t declared = 0; // the capabilities the package declares for it
    ExecutableFacts image; // what its own header says
};

struct PackageFacts {
    int64_t now = 0;
    std::vector<ChainReport> chains;
    std::vector<ExecutableReport> executables;
    uint32_t capabilityUnion = 0;
    std::vector<std::string> runAtInstall;
    std::vector<std::string> runAtRemoval;
    std::vector<std::string> intoOtherPrivateFolders;
};

PackageFacts gatherFacts(const Package& package, int64_t now);

DetailSection signaturesSection(const Package& package, const PackageFacts& facts,
                                std::vector<CarriedCertificate>* certificates);
DetailSection capabilitiesSection(const Package& package, const PackageFacts& facts);
DetailSection findingsSection(const Package& package, const PackageFacts& facts);

std::string hexUid(uint32_t value);
