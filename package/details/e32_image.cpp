#include "package/details/e32_image.h"

#include <cstring>
#include <vector>

#include "package/io/inflate_stream.h"
#include "package/io/little_endian.h"

namespace {

// The header of an EKA2 image, as Symbian OS's f32image.h lays it out
// (E32ImageHeader, E32ImageHeaderComp, E32ImageHeaderV): "EPOC" at 16, the
// flags at 44 whose header format is V from 0x02000000, and the security
// information (SSecurityInfo) at 128: secure ID, vendor ID, capabilities.
constexpr size_t kHeaderBytes = 144;
constexpr size_t kSignatureAt = 16;
constexpr size_t kFlagsAt = 44;
constexpr uint32_t kFormatMask = 0x0F000000;
constexpr uint32_t kFormatV = 0x02000000;
constexpr size_t kSecureIdAt = 128;
constexpr size_t kVendorIdAt = 132;
constexpr size_t kCapabilitiesAt = 136;

// Keeps the first bytes inflated, and no more.
struct FirstBytes : InflateSink {
    std::vector<unsigned char> bytes;
    bool take(const unsigned char* data, uint32_t count) override {
        const size_t room = kHeaderBytes - bytes.size();
        bytes.insert(bytes.end(), data, data + (count < room ? count : room));
        return bytes.size() < kHeaderBytes;
    }
};

std::vector<unsigned char> firstBytes(const StoredLocation& data, const ByteSource& package) {
    const ByteSource stored = package.range(data.offset, data.length);
    if (data.coding == StoredCoding::AsIs) {
        std::vector<unsigned char> bytes(kHeaderBytes);
        bytes.resize(stored.readSome(0, bytes.data(), bytes.size()));
        return bytes;
    }
    FirstBytes sink;
    if (data.coding != StoredCoding::Zlib) {
        return sink.bytes;
    }
    unsigned char input[4096];
    unsigned char output[2][4096];
    const InflateBuffers buffers{input, sizeof input, {output[0], output[1]}, sizeof output[0]};
    InflateStream stream(true);
    if (stream.start()) {
        stream.run(stored, 0, buffers, sink);
    }
    return sink.bytes;
}

} // namespace

ExecutableFacts readExecutableFacts(const StoredLocation& data, const ByteSource& package) {
    ExecutableFacts facts;
    const std::vector<unsigned char> bytes = firstBytes(data, package);
    if (bytes.size() >= 2 && bytes[0] == 'M' && bytes[1] == 'Z') {
        facts.kind = ExecutableKind::Emulator;
        return facts;
    }
    if (bytes.size() < kHeaderBytes || std::memcmp(bytes.data() + kSignatureAt, "EPOC", 4) != 0 ||
        (le32(bytes.data() + kFlagsAt) & kFormatMask) != kFormatV) {
        return facts;
    }
    facts.kind = ExecutableKind::E32Image;
    facts.secureId = le32(bytes.data() + kSecureIdAt);
    facts.vendorId = le32(bytes.data() + kVendorIdAt);
    facts.capabilities = le32(bytes.data() + kCapabilitiesAt);
    return facts;
}
