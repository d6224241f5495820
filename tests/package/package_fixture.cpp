#include "tests/package/package_fixture.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <ostream>
#include <random>

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    std::mt19937_64 random(static_cast<uint64_t>(now));
    for (;;) {
        fs::path candidate = fs::temp_directory_path() /
                             ("vorandeck-package-" + std::to_string(random() % 1000000000) + "-" +
                              std::to_string(counter++));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            path_ = candidate;
            return;
        }
    }
}

sis::Bytes readAll(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::error_code error;
    const uintmax_t size = fs::file_size(path, error);
    sis::Bytes bytes(error ? 0 : static_cast<size_t>(size));
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

TempDir::~TempDir() {
    std::error_code error;
    fs::remove_all(path_, error);
}

std::vector<std::string> TempDir::files() const {
    return filesBelow(path_);
}

std::vector<std::string> TempDir::filesBelow(const fs::path& folder) {
    std::vector<std::string> out;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            auto relative = entry.path().lexically_relative(folder).generic_u8string();
            out.push_back(std::string(relative.begin(), relative.end()));
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

void PrintTo(const RecordedMessage& message, std::ostream* os) {
    *os << "{kind " << message.kind << ", text " << message.textId << ", suffix "
        << message.suffixId << ", prefix \"" << message.prefix << "\"}";
}

void PrintTo(const ExtractRequest& request, std::ostream* os) {
    *os << "{\"" << request.name << "\", " << request.storedLength << ", " << request.storedOffset
        << ", " << request.originalLength << "}";
}

void PrintTo(const ListEntry& entry, std::ostream* os) {
    *os << "{" << entry.kind << ", \"" << entry.name << "\"}";
}

namespace {

int recordMessage(void* context, int kind, int textId, int suffixId, const char* prefix) {
    auto* host = static_cast<RecordingHost*>(context);
    host->messages.push_back({kind, textId, suffixId, prefix ? prefix : "(null)"});
    if (kind != 4) {
        return 1;
    }
    if (host->answers.empty()) {
        return 7;
    }
    int answer = host->answers.front();
    host->answers.pop_front();
    return answer;
}

// Recorded as a question whose prefix is the count of failed files.
int askToGoOn(void* context, int textId, int32_t failures) {
    return recordMessage(context, 4, textId, 0, std::to_string(failures).c_str());
}

void countStep(void* context) {
    ++static_cast<RecordingHost*>(context)->progressSteps;
}

bool pickFolder(void* context, const char* title, char* folder, size_t size) {
    auto* host = static_cast<RecordingHost*>(context);
    ++host->folderRequests;
    EXPECT_STREQ(title, "Select the destination Folder...");
    if (host->folders.empty() || !host->folders.front()) {
        if (!host->folders.empty()) {
            host->folders.pop_front();
        }
        return false;
    }
    std::string chosen = *host->folders.front();
    host->folders.pop_front();
    if (chosen.size() + 1 > size) {
        return false;
    }
    std::memcpy(folder, chosen.c_str(), chosen.size() + 1);
    return true;
}

void giveSettings(void* context, ExtractSettings* out) {
    *out = static_cast<RecordingHost*>(context)->settings;
}

void recordLine(void* context, uint32_t kind, const char* name) {
    static_cast<RecordingOutputs*>(context)->lines.push_back({kind, name});
}

void recordRequest(void* context, const char* name, uint32_t storedLength, uint32_t storedOffset,
                   uint32_t originalLength) {
    static_cast<RecordingOutputs*>(context)->requests.push_back(
        {name, storedLength, storedOffset, originalLength});
}

void recordSisxLine(void* context, uint32_t kind, const char* name) {
    static_cast<SisxRecording*>(context)->lines.push_back({kind, name});
}

void recordSisxData(void* context, const char* name, const StoredData& data) {
    static_cast<SisxRecording*>(context)->extracted.push_back({name, data});
}

} // namespace

bool restoreStored(const StoredData& data, size_t limit, std::vector<unsigned char>* out) {
    std::vector<unsigned char> stored(static_cast<size_t>(data.bytes.size()));
    if (data.bytes.readSome(0, stored.data(), stored.size()) != stored.size()) {
        return false;
    }
    if (data.coding == StoredCoding::AsIs) {
        *out = stored;
        return true;
    }
    if (data.coding != StoredCoding::Zlib) {
        return false;
    }
    out->assign(limit + 1, 0);
    uLongf length = static_cast<uLongf>(out->size());
    const int status =
        uncompress(out->data(), &length, stored.data(), static_cast<uLong>(stored.size()));
    out->resize(length);
    return status == Z_OK;
}

WalkOutputs SisxRecording::outputs() {
    WalkOutputs out = {};
    out.context = this;
    out.addListEntry = recordSisxLine;
    out.extractData = recordSisxData;
    return out;
}

void RecordingHost::attach(FileFunctions& files) {
    files.host.context = this;
    files.host.showMessage = recordMessage;
    files.host.askToGoOn = askToGoOn;
    files.host.stepProgress = countStep;
    files.host.chooseFolder = pickFolder;
    files.host.readSettings = giveSettings;
}

void RecordingHost::useFolder(const std::string& folder, uint32_t overwrite) {
    settings.defaultDest = 502;
    settings.overwriteFiles = overwrite;
    std::memset(settings.destDir, 0, sizeof settings.destDir);
    std::strncpy(settings.destDir, folder.c_str(), sizeof settings.destDir - 1);
}

RecordedMessage extractError(int textId) {
    return {0, textId, 8, "(null)"};
}

WalkOutputs RecordingOutputs::outputs() {
    WalkOutputs out = {};
    out.context = this;
    out.addListEntry = recordLine;
    out.extractStored = recordRequest;
    return out;
}

OpenPackage::OpenPackage(const sis::Package& package, const std::string& fileName)
    : built(sis::build(package)) {
    packagePath = dir.path() / pathOfUtf8(fileName);
    EXPECT_TRUE(sis::writeFile(packagePath, built.bytes));
    std::string utf8 = utf8Of(packagePath);
    std::strncpy(files.packagePath, utf8.c_str(), sizeof files.packagePath - 1);
    files.OpenSISFile(files.packagePath);
    EXPECT_NE(files.inputHandle, kInvalidFile);
    files.readHeader(&header);
}

RecordingOutputs OpenPackage::list() {
    RecordingOutputs recorded;
    files.walkRecords(header, WalkList, recorded.outputs());
    return recorded;
}

RecordingOutputs OpenPackage::extractRequests() {
    RecordingOutputs recorded;
    files.walkRecords(header, WalkExtract, recorded.outputs());
    return recorded;
}
