#pragma once
// The capabilities of Symbian OS 9 executables: their names by bit, and what a
// package needs before a phone grants each.
#include <cstdint>
#include <string>

// The capabilities named by bits 0 to 19; other bits name none.
constexpr uint32_t kNamedCapabilities = 0xFFFFF;

enum class CapabilityGroup {
    User,       // the user may grant it to a self-signed package at install time
    System,     // needs a trusted signature or a developer certificate
    Restricted, // needs the phone maker's approval as well
};

const char* capabilityName(int bit);
CapabilityGroup capabilityGroup(int bit);

// The names of the set bits, in bit order, separated by spaces.
std::string capabilityNames(uint32_t bits);
// The same, grouped: "user-grantable: ...; system: ...; restricted: ...",
// leaving out empty groups; "none" for no bit.
std::string groupedCapabilityNames(uint32_t bits);
// The bits of `bits` in `group`.
uint32_t capabilitiesIn(uint32_t bits, CapabilityGroup group);
