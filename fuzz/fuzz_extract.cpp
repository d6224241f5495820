// Feeds arbitrary bytes, from memory, through the extraction of both formats
// into a fresh folder, with each destination setting in turn and every question
// answered, then checks that every file written lies below the destination and
// that nothing beside it changed. An escape aborts, which the fuzzer reports.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include <unistd.h>

#include "common/destinations.h"
#include "common/string_ids.h"
#include "package/extract/extract_host.h"
#include "package/file_functions.h"

namespace fs = std::filesystem;

namespace {

// root/ holds only the package's folder and the chosen and fixed folders; the
// package itself is never written (its bytes stay in memory) but is named there,
// so that the destination beside it and a name replacing it are both tried.
struct Scratch {
    fs::path root;
    fs::path packageFolder;
    fs::path chosen;
    fs::path fixed;
    fs::path bait; // outside every destination, which links below them point to
    uint32_t destination = DestNextToPackage;
    int answers = 0;

    Scratch() {
        // Ended after the process number, so that no other process's folder
        // starts with this name: one that does was written by this run.
        root = fs::temp_directory_path() /
               ("vorandeck-fuzz-" + std::to_string(::getpid()) + "-scratch");
        packageFolder = root / "package";
        chosen = root / "chosen";
        fixed = root / "fixed";
        bait = root / "bait";
    }
    fs::path destinationFolder() const {
        return destination == DestAskOncePerRun ? chosen
               : destination == DestFixedFolder ? fixed
                                                : packageFolder;
    }
};

Scratch scratch;

// Yes and No in turn, so both ways out of every question are taken.
int nextAnswer() {
    return ++scratch.answers % 2 != 0 ? AnswerYes : AnswerNo;
}

class ScratchHost : public ExtractHost {
  public:
    int showMessage(int kind, int, int, const char*) override {
        return kind == KindQuestion ? nextAnswer() : 1;
    }
    int askToGoOn(int, int32_t) override { return nextAnswer(); }
    void stepProgress() override {}
    bool chooseFolder(const char*, std::string* folder) override {
        *folder = scratch.chosen.string();
        return true;
    }
};

ExtractSettings settingsFor(uint32_t destination) {
    ExtractSettings settings;
    settings.defaultDest = destination;
    settings.overwriteFiles = scratch.answers % 3 == 0;
    settings.destDir = scratch.fixed.string();
    return settings;
}

void fail(const std::string& what) {
    std::fprintf(stderr, "extraction wrote outside its destination: %s\n", what.c_str());
    std::abort();
}

// Every entry below root must lie in the destination folder, bar the other
// (empty) folders made before the run.
void checkTree() {
    const fs::path destination = scratch.destinationFolder();
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(scratch.root, error);
         it != fs::recursive_directory_iterator(); it.increment(error)) {
        const fs::path& path = it->path();
        if (path == scratch.packageFolder || path == scratch.chosen || path == scratch.fixed ||
            path == scratch.bait || path == scratch.bait / "victim") {
            continue;
        }
        const auto relative = path.lexically_relative(destination);
        if (relative.empty() || *relative.begin() == "..") {
            fail(path.string());
        }
    }
    for (const auto& entry : fs::directory_iterator(scratch.root.parent_path(), error)) {
        const std::string name = entry.path().filename().string();
        if (name != scratch.root.filename().string() &&
            name.rfind(scratch.root.filename().string(), 0) == 0) {
            fail(entry.path().string()); // beside the scratch folder, named after it
        }
    }
}

// Descriptors open now: a run must close every file it makes.
size_t openDescriptors() {
    std::error_code error;
    size_t count = 0;
    for (auto it = fs::directory_iterator("/proc/self/fd", error); it != fs::directory_iterator();
         it.increment(error)) {
        ++count;
    }
    return count;
}

// Links that a careless run would write through: folders that install paths
// often begin with, a file and a dangling name, each pointing out of the
// destination into the bait folder.
void plantLinks(const fs::path& destination) {
    std::error_code error;
    for (const char* folder : {"sys", "system", "System", "resource", "private"}) {
        fs::create_directory_symlink(scratch.bait, destination / folder, error);
    }
    fs::create_symlink(scratch.bait / "victim", destination / "a.txt", error);
    fs::create_symlink(scratch.bait / "new", destination / "b.txt", error);
}

void resetTree() {
    std::error_code error;
    fs::remove_all(scratch.root, error);
    fs::create_directories(scratch.packageFolder, error);
    fs::create_directories(scratch.chosen, error);
    fs::create_directories(scratch.fixed, error);
    fs::create_directories(scratch.bait, error);
    std::FILE* victim = std::fopen((scratch.bait / "victim").string().c_str(), "wb");
    if (victim != nullptr) {
        std::fclose(victim);
    }
    // In one destination of the three, so that the others still write below
    // the folders that the links take.
    if (scratch.destination == DestFixedFolder) {
        plantLinks(scratch.fixed);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FileFunctions files;
    static ScratchHost host;
    const std::string packagePath = (scratch.packageFolder / "input.sis").string();
    for (uint32_t destination : {DestNextToPackage, DestAskOncePerRun, DestFixedFolder}) {
        scratch.destination = destination;
        resetTree();
        const size_t descriptors = openDescriptors();
        if (files.openMemory(data, size, packagePath) == OpenResult::Opened) {
            files.extractAll(settingsFor(destination), host);
        }
        files.closePackage();
        if (openDescriptors() > descriptors) {
            fail("an output file was left open");
        }
        checkTree();
        std::error_code sizeError;
        if (fs::file_size(scratch.bait / "victim", sizeError) != 0) {
            fail("a file written through a link");
        }
    }
    std::error_code error;
    fs::remove_all(scratch.root, error);
    return 0;
}
