#include "package/inner_package_image.h"

#include <utility>

#include "package/sisx/sisx_image.h"

InnerPackageImage innerPackageImage(const Package& outer, uint32_t entry) {
    InnerPackageImage image;
    InnerPackage inner = readInnerPackage(outer, entry);
    image.result = inner.result;
    if (inner.result != InnerResult::Opened) {
        return image;
    }
    // A component of the older format is read from bytes of its own: those are
    // the package. An embedded Symbian OS 9 package is built around its controller.
    if (!inner.package->heldBytes.empty()) {
        image.bytes = std::move(inner.package->heldBytes);
        return image;
    }
    switch (sisx::packageImage(*inner.package->sisx, kMaxInnerPackageSize, &image.bytes)) {
    case sisx::ImageResult::Made:
        break;
    case sisx::ImageResult::TooLarge:
        image.result = InnerResult::TooLarge;
        break;
    default:
        image.result = InnerResult::Unreadable;
        break;
    }
    if (image.result != InnerResult::Opened) {
        image.bytes.clear();
    }
    return image;
}
