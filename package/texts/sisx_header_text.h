#pragma once
// The header panel's texts for a Symbian OS 9 package, one box at a time and
// without any window, from the summary its reader gives.
#include <string>

#include "package/sisx/sisx_package.h"
#include "package/sisx/sisx_texts.h"

std::string sisxSignatureText(const SisxSummary& summary);

// The integrity pair: the controller ("C") and data ("D") checksums as the
// package stores them, and as computed over what each covers, marked when a
// stored one differs. A checksum not stored or not computable shows as "-".
std::string sisxStoredChecksText(const SisxSummary& summary);
std::string sisxCalculatedChecksText(const SisxSummary& summary);
// Whether a checksum the package stores differs from the one computed.
bool sisxChecksDiffer(const SisxSummary& summary);

// The text of box `controlId` (1002 to 1027) for `summary`. An unreadable
// controller leaves only the boxes that come from the 16-byte header; boxes the
// format has nothing for, and ids outside the panel, give "".
std::string sisxHeaderBoxText(const SisxSummary& summary, int controlId);
