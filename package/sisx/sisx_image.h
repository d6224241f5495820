#pragma once
// A Symbian OS 9 package written anew around the top controller of an opened
// one: what an embedded package becomes as a package file of its own.
#include <cstdint>
#include <vector>

#include "package/sisx/sisx_package.h"

namespace sisx {

enum class ImageResult {
    Made,
    TooLarge, // it would come to more than the size allowed
    Failed,   // the controller could not be compressed
};

// The package file that holds `package`'s top controller byte for byte, so
// that its signatures still verify, with the data units it and the packages it
// embeds read, each at the unit number their DataIndex fields give, and
// controller and data checksums made for the new fields. A stub's image is a
// stub: the controller field alone. `package` must be readable.
ImageResult packageImage(const SisxPackage& package, uint64_t maxSize,
                         std::vector<unsigned char>* out);

} // namespace sisx
