// The reader over the open package: every byte of it is read through readAt.
#include <cstring>

#include "common/paths.h"
#include "package/file_functions.h"
#include "package/names.h"
#include "package/sisx.h"

namespace {

// A name is held in 130 UTF-16 units with a zero one at the end, so at most 258
// bytes of it are read; the rest is cut off.
constexpr uint32_t kNameBytes = 258;

} // namespace

void FileFunctions::OpenSISFile(const char* path) {
    closePackage();
    inputHandle = platformOpenForRead(path);
    source = ByteSource::fromFile(inputHandle);
    cursor = 0;
}

void FileFunctions::openMemory(const void* data, size_t size) {
    closePackage();
    source = ByteSource::fromMemory(data, size);
    cursor = 0;
}

bool FileFunctions::closePackage() {
    const bool memory = source.kind() == ByteSource::Kind::Memory;
    sisx.reset();
    format = PackageFormat::None;
    if (inputHandle == kInvalidFile) {
        source = ByteSource();
        return memory;
    }
    if (!platformClose(inputHandle)) {
        return false;
    }
    inputHandle = kInvalidFile;
    source = ByteSource();
    return true;
}

uint32_t FileFunctions::readAt(void* buffer, uint32_t count, uint32_t offset) {
    const CheckedReader reader(source);
    if (offset != 0) {
        return static_cast<uint32_t>(reader.someAt(offset, buffer, count));
    }
    const uint32_t read = static_cast<uint32_t>(reader.someAt(cursor, buffer, count));
    cursor += read;
    return read;
}

void FileFunctions::readName(char* dest, uint32_t lengthInBytes, uint32_t offset, bool unicode) {
    dest[0] = '\0';
    // Offset 0 would read the record stream at the cursor; such a name is empty.
    if (lengthInBytes == 0 || offset == 0) {
        return;
    }
    unsigned char raw[kNameBytes];
    uint32_t wanted = lengthInBytes < kNameBytes ? lengthInBytes : kNameBytes;
    uint32_t got = readAt(raw, wanted, offset);
    decodeName(raw, got, unicode, dest, kPathSize);
}

uint32_t FileFunctions::writeOutput(const void* buffer, uint32_t count) {
    if (outputHandle == kInvalidFile) {
        return 0;
    }
    return platformWrite(outputHandle, buffer, count);
}

uint32_t FileFunctions::readHeader(PackageHeader* header) {
    std::memset(header->bytes, 0, sizeof header->bytes);
    return readAt(header->bytes, sizeof header->bytes, 0);
}

void FileFunctions::seekTo(uint32_t offset) {
    cursor = offset;
}

void FileFunctions::listLanguages(uint16_t count, uint32_t offset, LanguageCallback callback,
                                  void* context) {
    seekTo(offset);
    int16_t signedCount = static_cast<int16_t>(count);
    for (int16_t i = 0; i < signedCount; ++i) {
        unsigned char code[2];
        // A code the package does not hold ends the list rather than repeat the last one.
        if (readAt(code, 2, 0) != 2) {
            return;
        }
        if (callback != nullptr) {
            callback(context, le16(code));
        }
    }
}
