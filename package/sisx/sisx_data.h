#pragma once
// Where the files of a Symbian OS 9 package keep their data: a FileData inside
// a DataUnit inside the Data field, found without holding the whole field.
#include <cstdint>
#include <vector>

#include "package/io/byte_source.h"
#include "package/sisx/sisx_field.h"
#include "package/model/contents.h"

namespace sisx {

// One file's data: FileData number `fileIndex` of DataUnit number `unit`.
struct DataKey {
    uint64_t unit;
    uint32_t fileIndex;
    bool operator<(const DataKey& other) const {
        return unit != other.unit ? unit < other.unit : fileIndex < other.fileIndex;
    }
    bool operator==(const DataKey& other) const {
        return unit == other.unit && fileIndex == other.fileIndex;
    }
};

// Where the data of each key lies, in the order of `keys` (sorted, without
// repeats), found in one pass over the units of the Data field `data` that stops
// after the last unit asked for. Offset, length and coding are filled in; a key
// whose unit or FileData is absent or unreadable gets the coding Missing.
std::vector<StoredLocation> findStoredData(const ByteSource& package, const Span& data,
                                           const std::vector<DataKey>& keys);

} // namespace sisx
