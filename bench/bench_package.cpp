// Measures the package library on packages made for the purpose, natively and
// (built for Windows) under Wine. Each measurement runs in a process of its own,
// so that the peak memory says what that one task took.
//   bench_package make-lists DIR COUNT...   simple, 10-language and component
//                                           packages of COUNT file records each
//   bench_package make-extract DIR DIVISOR  mixed.sis and mixed.sisx (the same
//                                           files as a Symbian OS 9 package):
//                                           about 200 MB of output (divided by
//                                           DIVISOR), half text-like and half
//                                           random, in files of 4 KB to 100 MB;
//                                           single.sis: one 100 MB file
//   bench_package list FILE                 the list walk
//   bench_package extract FILE FOLDER       the extraction to disk
//   bench_package inflate FILE              each stored stream inflated in memory
//                                           by one call, into a buffer of its size
//   bench_package write FILE FOLDER         the same output bytes written to disk
//   bench_package make-many DIR COUNT       COUNT small packages, half of each
//                                           format, in folders of 500, for check
//   bench_package read-inflate DIR          every package below DIR read whole
//                                           and its streams inflated in memory:
//                                           what checking them cannot beat
// Every measurement prints: milliseconds, count, output bytes, peak memory (KB);
// read-inflate prints the package bytes read in place of the output bytes.
#ifdef _WIN32
#include <windows.h>

#include <psapi.h>
#else
#include <sys/resource.h>
#endif

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/string_ids.h"
#include "package/checks/file_crc.h"
#include "package/details/details.h"
#include "package/file_functions.h"
#include "tests/support/sis_builder.h"
#include "tests/support/sisx_builder.h"

namespace {

namespace fs = std::filesystem;

size_t peakMemoryKB() {
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize / 1024;
#else
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<size_t>(usage.ru_maxrss);
#endif
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

void report(double ms, size_t count, uint64_t bytes) {
    std::printf("%.2f %zu %llu %zu\n", ms, count, static_cast<unsigned long long>(bytes),
                peakMemoryKB());
}

bool save(const fs::path& path, const sis::Package& package) {
    if (sis::writeFile(path, sis::build(package).bytes))
        return true;
    std::fprintf(stderr, "cannot write %s\n", path.string().c_str());
    return false;
}

// Names in an order unlike the sorted one, so a sorted list cannot just append.
std::string scrambledName(const char* folder, size_t i, size_t count) {
    return std::string("C:\\system\\apps\\") + folder + "\\f" +
           std::to_string((i * 7919 + 13) % count) + ".dat";
}

int makeLists(const fs::path& dir, int argc, char** argv) {
    fs::create_directories(dir);
    // Every file is one byte, stored as the same small stream.
    const sis::Bytes content = sis::textBytes("x");
    const sis::Bytes stored = sis::deflateBytes(content);
    for (int a = 0; a < argc; ++a) {
        const size_t count = std::stoul(argv[a]);
        sis::Package simple;
        sis::Package multi;
        multi.languages = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        sis::Package components;
        for (size_t i = 0; i < count; ++i) {
            sis::Record one = sis::simpleFile(0, "", scrambledName("s", i, count), content);
            one.variants[0].stored = stored;
            simple.records.push_back(one);
            sis::Record many = sis::multiFile(0, "", scrambledName("m", i, count),
                                              std::vector<sis::Bytes>(10, content));
            for (sis::Variant& variant : many.variants)
                variant.stored = stored;
            multi.records.push_back(many);
            sis::Record component = sis::simpleFile(2, scrambledName("c", i, count), "", content);
            component.variants[0].stored = stored;
            components.records.push_back(component);
        }
        const std::string n = std::to_string(count);
        if (!save(dir / ("simple-" + n + ".sis"), simple) ||
            !save(dir / ("multi10-" + n + ".sis"), multi) ||
            !save(dir / ("component-" + n + ".sis"), components))
            return 1;
    }
    return 0;
}

// Words from a small vocabulary: compresses about as well as program text.
sis::Bytes textLike(size_t size, uint32_t seed) {
    static const char* const kWords[] = {
        "the ",     "install ", "file ",  "package ", "of ",  "and ",      "system\\", "apps ",
        "to ",      "data ",    "phone ", "version ", "in ",  "resource ", "a ",       "name ",
        "Symbian ", "EPOC ",    "list\n", "is ",      "for ", "language ", "with ",    "0x1000 ",
        "return ",  "value ",   "int ",   "{\n",      "}\n",  "const ",    "char ",    "// ",
    };
    sis::Bytes out;
    out.reserve(size);
    uint32_t state = seed * 2654435761u + 1;
    while (out.size() < size) {
        state = state * 1664525u + 1013904223u;
        const char* word = kWords[(state >> 16) % (sizeof kWords / sizeof kWords[0])];
        for (const char* p = word; *p != '\0' && out.size() < size; ++p)
            out.push_back(static_cast<uint8_t>(*p));
    }
    return out;
}

sis::Record storedFile(size_t index, const sis::Bytes& content) {
    sis::Record record =
        sis::simpleFile(0, "", "C:\\bench\\f" + std::to_string(index) + ".dat", {});
    // The writer's own compression is its slowest level; packages are usually
    // made at zlib's default.
    uLongf size = compressBound(static_cast<uLong>(content.size()));
    sis::Bytes stored(size);
    compress2(stored.data(), &size, content.data(), static_cast<uLong>(content.size()),
              Z_DEFAULT_COMPRESSION);
    stored.resize(size);
    record.variants[0].content = content;
    record.variants[0].stored = stored;
    return record;
}

// The same files as a Symbian OS 9 package, each compressed by the writer.
bool saveSisx(const fs::path& path, const sis::Package& older) {
    sisxbuild::Sisx sisx;
    for (const sis::Record& record : older.records) {
        sisxbuild::File file;
        file.target = record.dest.text;
        file.content = record.variants[0].content;
        sisx.package.block.files.push_back(file);
    }
    if (sisxbuild::writeFile(path, sisxbuild::build(sisx)))
        return true;
    std::fprintf(stderr, "cannot write %s\n", path.string().c_str());
    return false;
}

int makeExtract(const fs::path& dir, size_t divisor) {
    fs::create_directories(dir);
    constexpr size_t kMB = 1u << 20;
    constexpr size_t kKB = 1u << 10;
    struct Run {
        size_t size;
        size_t count;
        bool text;
    };
    // About 100 MB of text-like and 100 MB of random output; the small files
    // alternate between the two.
    const Run runs[] = {{100 * kMB, 1, true}, {64 * kMB, 1, false}, {16 * kMB, 1, false},
                        {8 * kMB, 1, false},  {4 * kMB, 2, false},  {1 * kMB, 2, true},
                        {256 * kKB, 8, true}, {64 * kKB, 16, true}, {16 * kKB, 32, true},
                        {4 * kKB, 64, true}};
    sis::Package mixed;
    size_t index = 0;
    for (const Run& run : runs) {
        for (size_t i = 0; i < run.count; ++i, ++index) {
            const size_t size = std::max<size_t>(run.size / divisor, 1024);
            const bool text = run.count == 1 || run.size > kMB ? run.text : (i % 2 == 0);
            const uint32_t seed = static_cast<uint32_t>(index + 1);
            mixed.records.push_back(
                storedFile(index, text ? textLike(size, seed) : sis::patternBytes(size, seed)));
        }
    }
    sis::Package single;
    single.records.push_back(storedFile(0, textLike(100 * kMB / divisor, 7)));
    return save(dir / "mixed.sis", mixed) && save(dir / "single.sis", single) &&
                   saveSisx(dir / "mixed.sisx", mixed)
               ? 0
               : 1;
}

// An older package with its check word set, as the tools that make packages set it.
bool saveWithCrc(const fs::path& path, const sis::Package& package) {
    sis::Bytes bytes = sis::build(package).bytes;
    const PackageCrc crc = packageCrc(ByteSource::fromMemory(bytes.data(), bytes.size()));
    bytes[16] = static_cast<uint8_t>(crc.value);
    bytes[17] = static_cast<uint8_t>(crc.value >> 8);
    return sis::writeFile(path, bytes);
}

// Small packages as a folder of a phone's software might hold: 1 to 5 files
// of 2 to 40 KB each, alternately of the older format and of Symbian OS 9.
int makeMany(const fs::path& dir, size_t count) {
    constexpr size_t kPerFolder = 500;
    for (size_t i = 0; i < count; ++i) {
        const fs::path folder = dir / ("set" + std::to_string(i / kPerFolder));
        fs::create_directories(folder);
        sis::Package package;
        for (size_t f = 0; f < 1 + i % 5; ++f) {
            const size_t size = 2048 + (i * 7919 + f * 104729) % (38 * 1024);
            package.records.push_back(
                storedFile(f, textLike(size, static_cast<uint32_t>(i * 5 + f + 1))));
        }
        const std::string name = "p" + std::to_string(i);
        if (i % 2 == 0 ? !saveWithCrc(folder / (name + ".sis"), package)
                       : !saveSisx(folder / (name + ".sisx"), package))
            return 1;
    }
    return 0;
}

bool openPackage(FileFunctions& files, const char* path) {
    if (files.OpenSISFile(path) == OpenResult::Opened)
        return true;
    std::fprintf(stderr, "cannot read %s\n", path);
    return false;
}

// Open as the window does it: the package read into its contents (checksums
// included), then every entry's line.
int list(const char* path) {
    static FileFunctions files;
    const auto start = std::chrono::steady_clock::now();
    if (!openPackage(files, path))
        return 1;
    size_t lines = 0;
    size_t bytes = 0;
    for (const PackageEntry& entry : files.package->contents.entries) {
        bytes += std::strlen(files.package->contents.text(entry.name));
        ++lines;
    }
    report(millisecondsSince(start), lines, bytes);
    return lines > 0 ? 0 : 1;
}

// Answers nothing and shows nothing: the benchmark's packages raise no question.
class SilentHost : public ExtractHost {
  public:
    int showMessage(int, int, int, const char*) override { return AnswerNo; }
    int askToGoOn(int, int32_t) override { return AnswerNo; }
    void stepProgress() override {}
    bool chooseFolder(const char*, std::string*) override { return false; }
};

int extract(const char* path, const char* folder) {
    static FileFunctions files;
    if (!openPackage(files, path))
        return 1;
    ExtractSettings settings;
    settings.overwriteFiles = true;
    settings.defaultDest = 502;
    settings.destDir = folder;
    SilentHost host;
    const auto start = std::chrono::steady_clock::now();
    const int32_t written = files.extractAll(settings, host);
    const double ms = millisecondsSince(start);
    uint64_t bytes = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            bytes += entry.file_size();
    report(ms, static_cast<size_t>(written), bytes);
    return written > 0 ? 0 : 1;
}

// Each stored stream of the package, in either format.
struct Stream {
    sis::Bytes stored;
    uint32_t originalLength;
};

std::vector<Stream> streamsOf(const char* path) {
    static FileFunctions files;
    std::vector<Stream> streams;
    if (openPackage(files, path)) {
        for (const PackageFile& file : allFiles(files.package->source, files.package->contents)) {
            const ByteSource bytes =
                files.package->source.range(file.data.offset, file.data.length);
            Stream stream{sis::Bytes(static_cast<size_t>(bytes.size())),
                          static_cast<uint32_t>(file.data.originalLength)};
            bytes.readSome(0, stream.stored.data(), stream.stored.size());
            streams.push_back(std::move(stream));
        }
    }
    files.closePackage();
    return streams;
}

uint32_t largestOutput(const std::vector<Stream>& streams) {
    uint32_t largest = 0;
    for (const Stream& s : streams)
        largest = std::max(largest, s.originalLength);
    return largest;
}

int inflateInMemory(const char* path) {
    const std::vector<Stream> streams = streamsOf(path);
    // One output buffer, touched before the clock starts, so that neither
    // allocation nor first-touch page faults count against the limit.
    sis::Bytes output(largestOutput(streams), 1);
    uint64_t bytes = 0;
    const auto start = std::chrono::steady_clock::now();
    for (const Stream& s : streams) {
        uLongf size = s.originalLength;
        if (uncompress(output.data(), &size, s.stored.data(),
                       static_cast<uLong>(s.stored.size())) != Z_OK)
            return 1;
        bytes += size;
    }
    report(millisecondsSince(start), streams.size(), bytes);
    return 0;
}

int writeSameBytes(const char* path, const char* folder) {
    std::vector<sis::Bytes> outputs;
    for (const Stream& s : streamsOf(path)) {
        uLongf size = s.originalLength;
        outputs.emplace_back(size);
        uncompress(outputs.back().data(), &size, s.stored.data(),
                   static_cast<uLong>(s.stored.size()));
    }
    constexpr uint32_t kWriteChunk = 1u << 20;
    uint64_t bytes = 0;
    const auto start = std::chrono::steady_clock::now();
    for (size_t i = 0; i < outputs.size(); ++i) {
        const std::string name = std::string(folder) + "/f" + std::to_string(i) + ".dat";
        CreateResult result;
        const FileHandle file = platformCreateOutput(name.c_str(), true, &result);
        if (file == kInvalidFile)
            return 1;
        const sis::Bytes& data = outputs[i];
        for (size_t at = 0; at < data.size(); at += kWriteChunk) {
            const uint32_t count =
                static_cast<uint32_t>(std::min<size_t>(kWriteChunk, data.size() - at));
            bytes += platformWrite(file, data.data() + at, count);
        }
        platformClose(file);
    }
    report(millisecondsSince(start), outputs.size(), bytes);
    return 0;
}

// A package's bytes and where its streams lie in them.
struct HeldPackage {
    std::string path;
    uint64_t size = 0;
    std::vector<StoredLocation> streams;
};

std::vector<HeldPackage> packagesBelow(const char* dir) {
    std::vector<HeldPackage> found;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (!entry.is_regular_file())
            continue;
        FileFunctions files;
        if (!openPackage(files, entry.path().u8string().c_str()))
            continue;
        HeldPackage held{entry.path().u8string(), files.package->source.size(), {}};
        for (const PackageFile& file : allFiles(files.package->source, files.package->contents))
            held.streams.push_back(file.data);
        found.push_back(std::move(held));
    }
    std::sort(found.begin(), found.end(),
              [](const HeldPackage& a, const HeldPackage& b) { return a.path < b.path; });
    return found;
}

// Each package read whole into memory, then each stream inflated from there by
// one call; the buffers are made and touched before the clock starts.
int readAndInflate(const char* dir) {
    const std::vector<HeldPackage> packages = packagesBelow(dir);
    uint64_t largestPackage = 0, largestOutput = 0, bytes = 0;
    for (const HeldPackage& p : packages) {
        largestPackage = std::max(largestPackage, p.size);
        for (const StoredLocation& s : p.streams)
            largestOutput = std::max(largestOutput, s.originalLength);
    }
    sis::Bytes input(largestPackage, 1);
    sis::Bytes output(largestOutput, 1);
    const auto start = std::chrono::steady_clock::now();
    for (const HeldPackage& p : packages) {
        const FileHandle file = platformOpenForRead(p.path.c_str());
        const uint64_t got = platformReadAt(file, 0, input.data(), static_cast<uint32_t>(p.size));
        platformClose(file);
        bytes += got;
        for (const StoredLocation& s : p.streams) {
            uLongf size = static_cast<uLongf>(s.originalLength);
            if (s.coding == StoredCoding::Zlib &&
                uncompress(output.data(), &size, input.data() + s.offset,
                           static_cast<uLong>(s.length)) != Z_OK)
                return 1;
        }
    }
    report(millisecondsSince(start), packages.size(), bytes);
    return 0;
}

} // namespace

// Opening a package and making its details, as the details window does.
int details(const char* path) {
    static FileFunctions files;
    if (!openPackage(files, path))
        return 1;
    const auto start = std::chrono::steady_clock::now();
    const std::string text = detailsText(describePackage(*files.package, 1800000000));
    report(millisecondsSince(start), files.package->contents.entries.size(), text.size());
    return text.empty() ? 1 : 0;
}

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "make-lists" && argc >= 4)
        return makeLists(argv[2], argc - 3, argv + 3);
    if (command == "make-extract" && argc == 4)
        return makeExtract(argv[2], std::stoul(argv[3]));
    if (command == "list" && argc == 3)
        return list(argv[2]);
    if (command == "extract" && argc == 4)
        return extract(argv[2], argv[3]);
    if (command == "inflate" && argc == 3)
        return inflateInMemory(argv[2]);
    if (command == "write" && argc == 4)
        return writeSameBytes(argv[2], argv[3]);
    if (command == "details" && argc == 3)
        return details(argv[2]);
    if (command == "make-many" && argc == 4)
        return makeMany(argv[2], std::stoul(argv[3]));
    if (command == "read-inflate" && argc == 3)
        return readAndInflate(argv[2]);
    std::fprintf(stderr, "usage: bench_package make-lists DIR COUNT... | make-extract DIR DIVISOR"
                         " | list FILE | extract FILE FOLDER | inflate FILE | write FILE FOLDER"
                         " | details FILE | make-many DIR COUNT | read-inflate DIR\n");
    return 2;
}
