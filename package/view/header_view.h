#pragma once
// A package's header as every front end shows it: each field's text, the
// order and groups of the fields, and whether the package is whole.
#include <array>
#include <cstdint>
#include <string>

#include "package/package.h"
#include "package/texts/header_fields.h"

using HeaderBoxes = std::array<std::string, kHeaderFieldCount>;

// Each field's text for `package`; "" where its format has nothing to show.
HeaderBoxes headerBoxes(const Package& package);
inline const std::string& boxOf(const HeaderBoxes& boxes, HeaderField field) {
    return boxes[static_cast<size_t>(field)];
}

// The fields group by group, in the order the panel shows them.
struct HeaderPlace {
    HeaderField field;
    int group; // the string id of its group's name
};
extern const HeaderPlace kHeaderOrder[kHeaderFieldCount];
// The string id of a field's label (no colon).
int headerLabel(HeaderField field);

// What the package's own checks say of it.
struct Integrity {
    uint32_t storedUidChecksum = 0;
    uint32_t calculatedUidChecksum = 0;
    bool uidChecksumDiffers = false;
    // The older format's check word over the whole package.
    bool checkWordUnknown = false; // the package ends before it could be calculated
    bool checkWordDiffers = false;
    // Symbian OS 9's controller and data checksums: often wrong in real
    // packages, which phones install all the same, so not damage.
    bool checksumsDiffer = false;
    bool whole() const { return !uidChecksumDiffers && !checkWordUnknown && !checkWordDiffers; }
};
Integrity integrityOf(const Package& package);
