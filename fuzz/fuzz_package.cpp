// Feeds arbitrary bytes, read from memory, through everything the program does
// with a package: the header, the language list, and both walks with extraction
// to a scratch folder.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "package/file_functions.h"

namespace fs = std::filesystem;

namespace {

struct Scratch {
    fs::path root;
    fs::path package;
    fs::path out;
    Scratch() {
        root = fs::temp_directory_path() / ("vorandeck-fuzz-" + std::to_string(::getpid()));
        package = root / "input.sis"; // named, never written: the bytes stay in memory
        out = root / "out";
    }
};

int answerYes(void*, int kind, int, int, const char*) {
    return kind == 4 ? 6 : 1;
}

void settingsFor(void* context, ExtractSettings* settings) {
    std::memset(settings, 0, sizeof *settings);
    settings->defaultDest = 502;
    std::string out = static_cast<Scratch*>(context)->out.string();
    std::strncpy(settings->destDir, out.c_str(), sizeof settings->destDir - 1);
}

void ignoreLine(void*, uint32_t, const char* name) {
    // Touch every byte so that a missing terminator shows.
    volatile size_t length = std::strlen(name);
    (void)length;
}

void ignoreCode(void*, uint16_t) {}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Scratch scratch;
    std::error_code error;
    fs::remove_all(scratch.out, error);
    fs::create_directories(scratch.out, error);

    static FileFunctions files;
    std::strncpy(files.packagePath, scratch.package.string().c_str(), sizeof files.packagePath - 1);
    files.host.context = &scratch;
    files.host.showMessage = answerYes;
    files.host.readSettings = settingsFor;
    files.openMemory(data, size);
    PackageHeader header;
    if (files.readHeader(&header) != 0) {
        UidChecksum(header);
        files.listLanguages(header.languageCount(), header.languagesOffset(), ignoreCode, nullptr);
        WalkOutputs list = {};
        list.addListEntry = ignoreLine;
        files.walkRecords(header, WalkList, list);
        files.extractedCount = 0;
        files.walkRecords(header, WalkExtract, extractToDisk(files));
    }
    files.closePackage();
    fs::remove_all(scratch.out, error);
    return 0;
}
