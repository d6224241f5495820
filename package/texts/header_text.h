#pragma once
// The texts of the older format's header fields, one at a time.
#include <cstdint>
#include <string>

#include "package/epoc/format.h"
#include "package/texts/header_fields.h"

// A number as the panel shows it: hex is base 16, upper case, with "h"; else the
// value in base 10 as signed 32-bit (a 16-bit value arrives zero-extended).
std::string numberText(uint32_t value, bool hex);

std::string sisVersionText(uint32_t appUid1);
std::string installDriveText(const PackageHeader& header);
std::string flagsText(uint16_t flags);
std::string typeText(uint16_t packageType);
std::string appVersionText(int16_t major, int16_t minor, int32_t build);

// The integrity pair. A 16-bit check word shows as four hex digits and "h"; the
// calculated one is marked when it is not the word the package stores.
std::string checkWordText(uint16_t value);
std::string calculatedCheckText(uint16_t stored, uint16_t calculated);

// The text of `field` for `header`; "" for the integrity pair, which the
// header alone does not give.
std::string headerBoxText(const PackageHeader& header, HeaderField field);
