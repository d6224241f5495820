#include "package/source/certificate_files.h"

#include "package/io/platform.h"

std::string certificateFileName(const CarriedCertificate& certificate) {
    return "chain" + std::to_string(certificate.chain) + "-cert" +
           std::to_string(certificate.index) + ".cer";
}

int saveCertificates(const PackageDetails& details, const std::string& folder, bool replace) {
    int written = 0;
    for (const CarriedCertificate& certificate : details.certificates) {
        const std::string path = folder + "\\" + certificateFileName(certificate);
        CreateResult result;
        const FileHandle file = platformCreateOutput(path.c_str(), replace, &result);
        if (file == kInvalidFile) {
            continue;
        }
        const uint32_t size = static_cast<uint32_t>(certificate.der.size());
        written += platformWrite(file, certificate.der.data(), size) == size ? 1 : 0;
        platformClose(file);
    }
    return written;
}
