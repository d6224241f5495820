// A Symbian OS 9 controller as the list shows it and the extraction writes it:
// depth first in stored order, a block's files, then its embedded packages,
// then its If branches.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "common/paths.h"
#include "package/sisx/sisx_data.h"
#include "package/sisx/sisx_package.h"

namespace {

using sisx::Controller;
using sisx::DataKey;
using sisx::FileDescription;
using sisx::InstallBlock;
using sisx::kOperationNull;
using sisx::kOperationRun;
using sisx::kOperationText;
using sisx::kOptionOpenByMime;

uint32_t listKind(const FileDescription& file) {
    switch (file.operation) {
    case kOperationRun:
        return (file.options & kOptionOpenByMime) != 0 ? FileOpenDuringInstall
                                                       : FileRunDuringInstall;
    case kOperationText:
        return FileShowDuringInstall;
    case kOperationNull:
        return FileUninstallOnly;
    default:
        return FileInstall;
    }
}

bool isPreinstalled(const Controller& package) {
    return package.installType == 3 || package.installType == 4;
}

// Whether the package holds data for this file.
bool holdsData(const Controller& owner, const FileDescription& file) {
    return file.operation != kOperationNull && !isPreinstalled(owner);
}

// Whether the extraction gets this file: one with a target whose data the package
// holds. A text shown without a target has its data placed in its entry all the
// same, for a package source to write, but no file to extract.
bool handedOn(const Controller& owner, const FileDescription& file) {
    return !file.target.empty() && holdsData(owner, file);
}

// Targets compare without their drive and without ASCII case, as the device's paths do.
std::string targetKey(const std::string& target) {
    return asciiLowered(withoutDrive(target));
}

// How many handed-on files of one package share each target, and how many of
// them have been met so far: files that share one are numbered.
struct TargetCounts {
    std::map<std::string, uint32_t> total;
    std::map<std::string, uint32_t> seen;
};

void countTargets(const Controller& owner, const InstallBlock& block, TargetCounts* counts) {
    for (const FileDescription& file : block.files) {
        if (handedOn(owner, file)) {
            ++counts->total[targetKey(file.target)];
        }
    }
    for (const InstallBlock& branch : block.branches) {
        countTargets(owner, branch, counts);
    }
}

void collectKeys(const Controller& package, uint64_t unit, std::vector<DataKey>* keys);

void collectBlockKeys(const Controller& owner, const InstallBlock& block, uint64_t unit,
                      std::vector<DataKey>* keys) {
    for (const FileDescription& file : block.files) {
        if (holdsData(owner, file)) {
            keys->push_back({unit, file.fileIndex});
        }
    }
    for (const Controller& embedded : block.embedded) {
        collectKeys(embedded, unit + embedded.dataIndex, keys);
    }
    for (const InstallBlock& branch : block.branches) {
        collectBlockKeys(owner, branch, unit, keys);
    }
}

void collectKeys(const Controller& package, uint64_t unit, std::vector<DataKey>* keys) {
    collectBlockKeys(package, package.block, unit, keys);
}

class ContentsBuilder {
  public:
    ContentsBuilder(const std::vector<DataKey>& keys, const std::vector<StoredLocation>& data,
                    bool holdsData)
        : keys_(keys), data_(data), holdsData_(holdsData) {}

    void package(const Controller& p, uint64_t unit) {
        TargetCounts counts;
        countTargets(p, p.block, &counts);
        block(p, p.block, unit, &counts);
    }

    Contents take() { return std::move(contents_); }

  private:
    void block(const Controller& owner, const InstallBlock& b, uint64_t unit,
               TargetCounts* counts) {
        for (const FileDescription& entry : b.files) {
            file(owner, entry, unit, counts);
        }
        for (const Controller& embedded : b.embedded) {
            PackageEntry line;
            line.name = contents_.addName(embedded.firstName);
            line.kind = FileComponent;
            contents_.entries.push_back(line);
            package(embedded, unit + embedded.dataIndex);
        }
        for (const InstallBlock& branch : b.branches) {
            block(owner, branch, unit, counts);
        }
    }

    void file(const Controller& owner, const FileDescription& description, uint64_t unit,
              TargetCounts* counts) {
        PackageEntry entry;
        entry.name = contents_.addName(description.target);
        entry.kind = static_cast<uint8_t>(listKind(description));
        entry.capabilities = description.capabilities;
        entry.hasCapabilities = description.hasCapabilities;
        entry.runOptions = description.operation == kOperationRun ? description.options : 0;
        entry.storedLength = description.length;
        entry.originalLength = description.uncompressedLength;
        if (holdsData(owner, description) && holdsData_) {
            if (handedOn(owner, description)) {
                entry.fileCount = 1;
                entry.nameTooLong = description.targetTooLong;
                const std::string key = targetKey(description.target);
                if (counts->total[key] >= 2) {
                    entry.number = ++counts->seen[key];
                }
            }
            const DataKey dataKey{unit, description.fileIndex};
            const auto found = std::lower_bound(keys_.begin(), keys_.end(), dataKey);
            const StoredLocation& data = data_[static_cast<size_t>(found - keys_.begin())];
            entry.dataOffset = data.offset;
            entry.dataLength = data.length;
            entry.coding = data.coding;
            if (description.hasSha1) {
                entry.digest = contents_.addDigest(description.sha1);
            }
        }
        contents_.entries.push_back(entry);
    }

    const std::vector<DataKey>& keys_;
    const std::vector<StoredLocation>& data_;
    const bool holdsData_;
    Contents contents_;
};

} // namespace

Contents SisxPackage::contents() const {
    if (!summary_.readable) {
        return Contents();
    }
    const uint64_t unit = baseUnit_ + top_.dataIndex;
    std::vector<DataKey> keys;
    collectKeys(top_, unit, &keys);
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    // Without a Data field every file's data is missing, as with an empty one.
    const std::vector<StoredLocation> data =
        isStub() ? std::vector<StoredLocation>()
                 : sisx::findStoredData(package_, hasData_ ? data_ : sisx::Span(), keys);
    ContentsBuilder builder(keys, data, !isStub());
    builder.package(top_, unit);
    Contents contents = builder.take();
    contents.languages = top_.languages;
    return contents;
}
