#include "tests/package/package_fixture.h"

#include <zlib.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include "common/string_ids.h"
#include "tests/support/unix_shell.h"

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

bool makeSymbolicLink(const fs::path& target, const fs::path& link) {
#ifdef _WIN32
    if (unixPathOf(link).empty()) {
        const DWORD flags = fs::is_directory(target) ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0;
        return CreateSymbolicLinkW(link.wstring().c_str(), target.wstring().c_str(), flags) != 0;
    }
    // Wine's CreateSymbolicLinkW makes nothing; the shell makes a link Wine sees.
    return runUnixShell("ln -s '" + unixPathOf(target) + "' '" + unixPathOf(link) + "'");
#else
    std::error_code error;
    fs::create_symlink(target, link, error);
    return !error;
#endif
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

int RecordingHost::showMessage(int kind, int textId, int suffixId, const char* prefix) {
    messages.push_back({kind, textId, suffixId, prefix ? prefix : "(null)"});
    if (kind != KindQuestion || answers.empty()) {
        return kind != KindQuestion ? 1 : AnswerNo;
    }
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

// Recorded as a question whose prefix is the count of failed files.
int RecordingHost::askToGoOn(int textId, int32_t failures) {
    return showMessage(KindQuestion, textId, 0, std::to_string(failures).c_str());
}

bool RecordingHost::chooseFolder(const char* title, std::string* folder) {
    ++folderRequests;
    EXPECT_STREQ(title, "Select the destination Folder...");
    if (folders.empty()) {
        return false;
    }
    const std::optional<std::string> chosen = folders.front();
    folders.pop_front();
    if (!chosen) {
        return false;
    }
    *folder = *chosen;
    return true;
}

void RecordingHost::useFolder(const std::string& folder, bool overwrite) {
    settings.defaultDest = 502;
    settings.overwriteFiles = overwrite;
    settings.destDir = folder;
}

bool RecordingHost::extract(FileFunctions& files) {
    written = files.extractAll(settings, *this);
    return written != 0;
}

RecordedMessage extractError(int textId) {
    return {0, textId, 8, "(null)"};
}

Listed listedOf(const ByteSource& source, const Contents& contents) {
    Listed listed;
    for (const PackageEntry& entry : contents.entries) {
        listed.lines.push_back({entry.kind, contents.text(entry.name)});
    }
    for (const PackageFile& file : allFiles(source, contents)) {
        listed.requests.push_back({contents.extractionName(file), file.data.length,
                                   file.data.offset, file.data.originalLength});
    }
    return listed;
}

StoredData storedDataOf(const Package& package, const PackageFile& file) {
    StoredData data;
    data.bytes = package.source.range(file.data.offset, file.data.length);
    data.coding = file.data.coding;
    data.originalLength = file.data.originalLength;
    if (file.digest != kNoDigest) {
        data.hasSha1 = true;
        std::memcpy(data.sha1, package.contents.digests[file.digest].data(), sizeof data.sha1);
    }
    return data;
}

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

OpenPackage::OpenPackage(const sis::Package& package, const std::string& fileName)
    : built(sis::build(package)) {
    packagePath = dir.path() / pathOfUtf8(fileName);
    EXPECT_TRUE(sis::writeFile(packagePath, built.bytes));
    std::string utf8 = utf8Of(packagePath);
    EXPECT_EQ(files.OpenSISFile(utf8.c_str()), OpenResult::Opened);
    if (files.package) {
        header = files.package->epocHeader;
    }
}
