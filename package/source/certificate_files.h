#pragma once
// The certificates a package carries, written as files: chain<K>-cert<N>.cer
// (DER), the signer's first, for whoever signs the package again.
#include <string>

#include "package/details/details.h"

// The file name certificate `certificate` is written under.
std::string certificateFileName(const CarriedCertificate& certificate);

// Writes each certificate of `details` into `folder` (UTF-8), replacing files
// of those names when `replace`; how many were written.
int saveCertificates(const PackageDetails& details, const std::string& folder, bool replace = true);
