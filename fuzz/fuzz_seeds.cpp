// Writes the fuzzers' seed packages into a folder: one of every record and file
// type of the older format in both generations, multi-language records,
// components, long and odd names, sizes at the chunk boundaries, and Symbian OS 9
// packages with embedded packages, IF blocks, shared data and controllers kept
// uncompressed (so that the fuzzer can change their structure directly).
//   fuzz_seeds DIR
#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/support/sis_builder.h"
#include "tests/support/sisx_builder.h"

namespace fs = std::filesystem;

namespace {

int written = 0;

void save(const fs::path& dir, const std::string& name, const sis::Bytes& bytes) {
    if (sis::writeFile(dir / (name + ".sis"), bytes)) {
        ++written;
    }
}

void olderSeeds(const fs::path& dir) {
    for (int generation = 0; generation < 3; ++generation) {
        sis::Package p;
        p.release5 = generation == 0;
        p.noCompress = generation == 2;
        p.languages = {1, 2};
        for (uint32_t type = 0; type <= 5; ++type) {
            p.records.push_back(sis::simpleFile(type, "src" + std::to_string(type),
                                                "!:\\d\\f" + std::to_string(type) + ".txt",
                                                sis::textBytes("file " + std::to_string(type))));
        }
        p.records.push_back(sis::multiFile(0, "m", "!:\\d\\multi.rsc", {{1, 2}, {3, 4, 5}}));
        p.records.push_back(sis::options(2));
        p.records.push_back(sis::condition(3, {1, 0, 0, 0}));
        p.records.push_back(sis::simpleFile(0, "s", "!:\\d\\then.txt", sis::textBytes("then")));
        p.records.push_back(sis::condition(4, {2, 0, 0, 0}));
        p.records.push_back(sis::typeOnly(5));
        p.records.push_back(sis::typeOnly(6));
        p.records.push_back(sis::simpleFile(2, "c:\\sub\\component.sis", "", {0x7A, 0x1A}));
        p.records.push_back(sis::simpleFile(0, "s", "!:\\" + std::string(250, 'n'), {1}));
        p.records.push_back(sis::simpleFile(0, "s",
                                            "!:\\d\\B\xC3\xBC"
                                            "cher.txt",
                                            {2}));
        p.records.push_back(sis::simpleFile(0, "s", "!:\\d\\..\\up.txt", {3}));
        save(dir, "older-" + std::to_string(generation), sis::build(p).bytes);
    }
    for (size_t size : {65534u, 65535u, 65536u, 2u * 65535u}) {
        sis::Package p;
        p.records = {sis::simpleFile(0, "s", "!:\\chunk.bin", sis::Bytes(size, 'z'))};
        save(dir, "older-chunk-" + std::to_string(size), sis::build(p).bytes);
    }
}

sisxbuild::File sisxFile(const std::string& target, uint32_t operation, uint32_t options = 0) {
    sisxbuild::File file;
    file.target = target;
    file.operation = operation;
    file.options = options;
    file.content = sis::textBytes("content of " + target);
    return file;
}

void sisxSeeds(const fs::path& dir) {
    sisxbuild::Package inner;
    inner.uid = 0x20000003;
    inner.block.files = {sisxFile("!:\\sys\\bin\\deep.exe", 1)};
    sisxbuild::Package middle;
    middle.uid = 0x20000002;
    middle.block.files = {sisxFile("!:\\sys\\bin\\middle.dll", 1)};
    middle.block.embedded = {inner};

    sisxbuild::Package top;
    top.languages = {1, 2, 102};
    top.names = {"Demo", "Demo FR", "Demo EU"};
    top.chains = {"1.2.840.113549.1.1.5"};
    top.dependencies = 1;
    top.block.files = {
        sisxFile("!:\\sys\\bin\\demo.exe", 1),   sisxFile("!:\\private\\readme.txt", 4, 1024),
        sisxFile("!:\\sys\\bin\\run.exe", 2, 2), sisxFile("!:\\data\\open.doc", 2, 8),
        sisxFile("!:\\data\\gone.dat", 8),       sisxFile("", 4)};
    sisxbuild::File shared = sisxFile("!:\\sys\\bin\\shared.dll", 1);
    shared.fileIndex = 0;
    top.block.files.push_back(shared);
    top.block.embedded = {middle};
    sisxbuild::If branches;
    sisxbuild::Block english;
    english.files = {sisxFile("!:\\resource\\demo.rsc", 0)};
    sisxbuild::Block french;
    french.files = {sisxFile("!:\\resource\\demo.rsc", 0)};
    branches.branches = {english, french};
    top.block.ifs = {branches};

    for (int variant = 0; variant < 4; ++variant) {
        sisxbuild::Sisx sisx;
        sisx.package = top;
        sisx.compressController = variant != 1 && variant != 3;
        sisx.longLengths = variant == 2;
        if (variant == 3) {
            sisx.package.installType = 3; // preinstalled: files listed, no data
            sisx.dataUnits = 0;
        }
        save(dir, "sisx-" + std::to_string(variant), sisxbuild::build(sisx).bytes);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
        return 2;
    }
    const fs::path dir = fs::u8path(argv[1]);
    std::error_code error;
    fs::create_directories(dir, error);
    olderSeeds(dir);
    sisxSeeds(dir);
    std::printf("%d seed packages in %s\n", written, argv[1]);
    return written > 0 ? 0 : 1;
}
