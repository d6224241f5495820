#include "package/view/identity.h"

#include <algorithm>

#include "package/details/details_facts.h"
#include "package/details/known_uids.h"

namespace {

std::string platformText(uint32_t uid) {
    const std::string name = platformName(uid);
    return name.empty() ? hexUid(uid) : hexUid(uid) + " " + name;
}

} // namespace

std::string formatName(const Package& package) {
    switch (package.kind) {
    case PackageKind::Sisx:
        return "sisx";
    case PackageKind::SisxStub:
        return "sisx-stub";
    default:
        return isRelease5(package.epocHeader) ? "sis-er5" : "sis";
    }
}

std::string packageUid(const Package& package) {
    if (!package.sisx) {
        return hexUid(package.epocHeader.appUid());
    }
    return hexUid(package.readable() ? package.sisx->controller().uid
                                     : package.sisx->summary().uid3);
}

std::vector<std::string> packageNames(const Package& package) {
    std::vector<std::string> names =
        package.sisx ? package.sisx->controller().names : package.epocFacts.componentNames;
    names.erase(std::remove(names.begin(), names.end(), std::string()), names.end());
    return names;
}

std::string packageVendor(const Package& package) {
    if (!package.sisx) {
        return "";
    }
    const sisx::Controller& controller = package.sisx->controller();
    if (!controller.uniqueVendorName.empty() || controller.vendorNames.empty()) {
        return controller.uniqueVendorName;
    }
    return controller.vendorNames.front();
}

std::vector<std::string> packagePlatforms(const Package& package) {
    std::vector<std::string> platforms;
    if (package.sisx) {
        for (const sisx::Dependency& device : package.sisx->controller().targetDevices) {
            platforms.push_back(platformText(device.uid));
        }
    } else {
        for (const EpocRequisite& requisite : package.epocFacts.requisites) {
            if (platformName(requisite.uid)[0] != '\0') {
                platforms.push_back(platformText(requisite.uid));
            }
        }
    }
    return platforms;
}
