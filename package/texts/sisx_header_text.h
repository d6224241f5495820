#pragma once
// The header panel's texts for a Symbian OS 9 package, one box at a time and
// without any window, from the summary its reader gives.
#include <string>

#include "package/sisx/sisx_package.h"
#include "package/texts/header_fields.h"
#include "package/sisx/sisx_texts.h"

std::string sisxSignatureText(const SisxSummary& summary);

// The older format's checksum over the three UID words, which this format keeps.
uint32_t sisxCalculatedUidChecksum(const SisxSummary& summary);

// The integrity pair: the controller ("C") and data ("D") checksums as the
// package stores them, and as computed over what each covers, marked when a
// stored one differs. A checksum not stored or not computable shows as "-".
std::string sisxStoredChecksText(const SisxSummary& summary);
std::string sisxCalculatedChecksText(const SisxSummary& summary);
// Whether a checksum the package stores differs from the one computed.
bool sisxChecksDiffer(const SisxSummary& summary);

// The text of `field` for `summary`, but for the integrity pair. An unreadable
// controller leaves only the fields that come from the 16-byte header; fields
// the format has nothing for give "".
std::string sisxHeaderBoxText(const SisxSummary& summary, HeaderField field);
