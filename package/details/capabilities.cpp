#include "package/details/capabilities.h"

namespace {

struct Capability {
    const char* name;
    CapabilityGroup group;
};

// Names by bit as Symbian OS numbers them (e32capability.h, TCapability).
// Groups as the Symbian Signed programme gave them: user capabilities that a
// self-signed package may ask the user for; system ones that need a trusted
// signature or a developer certificate; and restricted and manufacturer ones
// that need the phone maker's approval besides. Source: "Capabilities (Symbian
// Signed)", Nokia Developer Wiki,
// http://www.developer.nokia.com/Community/Wiki/Capabilities_(Symbian_Signed)
const Capability kCapabilities[20] = {
    {"TCB", CapabilityGroup::Restricted},
    {"CommDD", CapabilityGroup::Restricted},
    {"PowerMgmt", CapabilityGroup::System},
    {"MultimediaDD", CapabilityGroup::Restricted},
    {"ReadDeviceData", CapabilityGroup::System},
    {"WriteDeviceData", CapabilityGroup::System},
    {"DRM", CapabilityGroup::Restricted},
    {"TrustedUI", CapabilityGroup::System},
    {"ProtServ", CapabilityGroup::System},
    {"DiskAdmin", CapabilityGroup::Restricted},
    {"NetworkControl", CapabilityGroup::Restricted},
    {"AllFiles", CapabilityGroup::Restricted},
    {"SwEvent", CapabilityGroup::System},
    {"NetworkServices", CapabilityGroup::User},
    {"LocalServices", CapabilityGroup::User},
    {"ReadUserData", CapabilityGroup::User},
    {"WriteUserData", CapabilityGroup::User},
    {"Location", CapabilityGroup::User},
    {"SurroundingsDD", CapabilityGroup::System},
    {"UserEnvironment", CapabilityGroup::User},
};

} // namespace

const char* capabilityName(int bit) {
    return bit >= 0 && bit < 20 ? kCapabilities[bit].name : "";
}

CapabilityGroup capabilityGroup(int bit) {
    return bit >= 0 && bit < 20 ? kCapabilities[bit].group : CapabilityGroup::Restricted;
}

std::string capabilityNames(uint32_t bits) {
    std::string text;
    for (int bit = 0; bit < 20; ++bit) {
        if ((bits & (1u << bit)) != 0) {
            text += (text.empty() ? "" : " ") + std::string(kCapabilities[bit].name);
        }
    }
    return text;
}

uint32_t capabilitiesIn(uint32_t bits, CapabilityGroup group) {
    uint32_t out = 0;
    for (int bit = 0; bit < 20; ++bit) {
        if ((bits & (1u << bit)) != 0 && kCapabilities[bit].group == group) {
            out |= 1u << bit;
        }
    }
    return out;
}

std::string groupedCapabilityNames(uint32_t bits) {
    const struct {
        CapabilityGroup group;
        const char* label;
    } groups[] = {{CapabilityGroup::User, "user-grantable"},
                  {CapabilityGroup::System, "system"},
                  {CapabilityGroup::Restricted, "restricted"}};
    std::string text;
    for (const auto& g : groups) {
        const uint32_t in = capabilitiesIn(bits, g.group);
        if (in != 0) {
            text += (text.empty() ? "" : "; ") + std::string(g.label) + ": " + capabilityNames(in);
        }
    }
    return text.empty() ? "none" : text;
}
