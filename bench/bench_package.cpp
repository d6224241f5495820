// Measures the list walk and the extraction on packages made for the purpose.
//   bench_extract make DIR        writes the packages into DIR
//   bench_extract run FILE OUTDIR lists and extracts FILE into OUTDIR, printing
//                                 times and this process's peak resident memory
// Each package is measured in a process of its own, so that the peak memory says
// what extracting that package took.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "package/file_functions.h"
#include "tests/support/sis_builder.h"

namespace {

struct Sample {
    const char* name;
    size_t fileCount;
    size_t fileSize;
    bool stored; // kept as is rather than compressed
};

const Sample kSamples[] = {
    {"zlib-4x1MB.sis", 4, 1u << 20, false},
    {"zlib-4x32MB.sis", 4, 32u << 20, false},
    {"stored-4x32MB.sis", 4, 32u << 20, true},
    {"zlib-20000x1KB.sis", 20000, 1024, false},
};

int make(const std::filesystem::path& dir) {
    std::filesystem::create_directories(dir);
    for (const Sample& sample : kSamples) {
        sis::Package package;
        package.noCompress = sample.stored;
        for (size_t i = 0; i < sample.fileCount; ++i) {
            const std::string name = "C:\\bench\\f" + std::to_string(i) + ".bin";
            package.records.push_back(sis::simpleFile(
                0, "", name, sis::patternBytes(sample.fileSize, static_cast<uint32_t>(i + 1))));
        }
        if (!sis::writeFile(dir / sample.name, sis::build(package).bytes)) {
            std::fprintf(stderr, "cannot write %s\n", sample.name);
            return 1;
        }
    }
    return 0;
}

struct Counter {
    size_t lines = 0;
};

void countLine(void* context, uint32_t, const char*) {
    ++static_cast<Counter*>(context)->lines;
}

void readFixedFolder(void* context, ExtractSettings* out) {
    out->overwriteFiles = 1;
    out->defaultDest = 502;
    std::snprintf(out->destDir, sizeof out->destDir, "%s", static_cast<const char*>(context));
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int run(const char* file, const char* outDir) {
    static FileFunctions files;
    files.host.context = const_cast<char*>(outDir);
    files.host.readSettings = readFixedFolder;
    std::snprintf(files.packagePath, sizeof files.packagePath, "%s", file);
    files.OpenSISFile(files.packagePath);
    PackageHeader header;
    if (files.inputHandle == kInvalidFile || files.readHeader(&header) == 0) {
        std::fprintf(stderr, "cannot read %s\n", file);
        return 1;
    }
    const double packageMB = static_cast<double>(std::filesystem::file_size(file)) / (1 << 20);

    Counter counter;
    auto start = std::chrono::steady_clock::now();
    files.walkRecords(header, WalkList, WalkOutputs{&counter, countLine, nullptr});
    const double listSeconds = secondsSince(start);

    start = std::chrono::steady_clock::now();
    files.walkRecords(header, WalkExtract, extractToDisk(files));
    const double extractSeconds = secondsSince(start);

    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%-22s %8.1f MB %6zu files  list %8.2f ms  extract %8.1f ms (%7.1f MB/s)  "
                "peak RSS %6ld KB\n",
                std::filesystem::path(file).filename().string().c_str(), packageMB, counter.lines,
                listSeconds * 1000, extractSeconds * 1000, packageMB / extractSeconds,
                usage.ru_maxrss);
    files.closePackage();
    return files.extractedCount == static_cast<int32_t>(counter.lines) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "make") == 0)
        return make(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "run") == 0)
        return run(argv[2], argv[3]);
    std::fprintf(stderr, "usage: bench_extract make DIR | run FILE OUTDIR\n");
    return 2;
}
