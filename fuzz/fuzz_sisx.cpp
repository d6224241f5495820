// Feeds arbitrary bytes to the Symbian OS 9 reader from memory: summary, list
// walk, and extract walk with every handed-on file's stored bytes read through.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "package/sisx.h"

namespace {

void touchLine(void*, uint32_t, const char* name) {
    volatile size_t length = std::strlen(name);
    (void)length;
}

void touchData(void*, const char* name, const StoredData& data) {
    volatile size_t length = std::strlen(name);
    (void)length;
    unsigned char chunk[4096];
    for (uint64_t at = 0; at < data.bytes.size(); at += sizeof chunk) {
        data.bytes.readSome(at, chunk, sizeof chunk);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SisxPackage package(ByteSource::fromMemory(data, size));
    WalkOutputs outputs = {};
    outputs.addListEntry = touchLine;
    outputs.extractData = touchData;
    package.walk(WalkList, outputs);
    package.walk(WalkExtract, outputs);
    return 0;
}
