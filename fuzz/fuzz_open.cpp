// Feeds arbitrary bytes, from memory, through all that Open does with a package
// of either format: the header and its checksum, the format's recognition, the
// language list, and the list walk. Nothing is written to disk.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "package/file_functions.h"
#include "package/sisx.h"

namespace {

void touchLine(void*, uint32_t, const char* name) {
    // Reading every byte shows a missing terminator.
    volatile size_t length = std::strlen(name);
    (void)length;
}

void touchCode(void*, uint16_t code) {
    volatile uint16_t seen = code;
    (void)seen;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FileFunctions files;
    files.openMemory(data, size);
    PackageHeader header;
    if (files.readHeader(&header) != 0) {
        UidChecksum(header);
        if (files.recognisePackage(header) == PackageFormat::Epoc) {
            files.listLanguages(header.languageCount(), header.languagesOffset(), touchCode,
                                nullptr);
        }
        WalkOutputs list = {};
        list.addListEntry = touchLine;
        files.walkPackage(header, WalkList, list);
        files.fileLineCount(header);
    }
    files.closePackage();
    return 0;
}
