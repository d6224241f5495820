// The walk over a Symbian OS 9 controller: depth first in stored order, a
// block's files, then its embedded packages, then its If branches.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "package/names.h"
#include "package/sisx.h"
#include "package/sisx_data.h"

namespace {

using sisx::Controller;
using sisx::DataKey;
using sisx::FileDescription;
using sisx::InstallBlock;

constexpr uint32_t kOperationRun = 2;
constexpr uint32_t kOperationText = 4;
constexpr uint32_t kOperationNull = 8;
constexpr uint32_t kOptionOpenByMime = 8;
constexpr size_t kMaxNameBytes = 259;

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

// Whether the extraction gets this file: one with a target whose data the package holds.
bool handedOn(const Controller& owner, const FileDescription& file) {
    return !file.target.empty() && file.operation != kOperationNull && !isPreinstalled(owner);
}

// Targets compare without their drive and without ASCII case, as the device's paths do.
std::string targetKey(const std::string& target) {
    std::string key = target.size() >= 2 && target[1] == ':' ? target.substr(2) : target;
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return key;
}

// How many handed-on files of one package share each target, and how many of
// them the walk has met so far.
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

// The target, numbered when it is shared; the number always fits.
std::string extractName(const std::string& target, TargetCounts* counts) {
    const std::string key = targetKey(target);
    if (counts->total[key] < 2) {
        return target;
    }
    const std::string number = std::to_string(++counts->seen[key]);
    std::vector<char> name(target.begin(), target.end());
    name.push_back('\0');
    const size_t kept = cutUtf8(name.data(), target.size(), kMaxNameBytes - number.size() + 1);
    return std::string(name.data(), kept) + number;
}

void collectKeys(const Controller& package, uint64_t unit, std::vector<DataKey>* keys);

void collectBlockKeys(const Controller& owner, const InstallBlock& block, uint64_t unit,
                      std::vector<DataKey>* keys) {
    for (const FileDescription& file : block.files) {
        if (handedOn(owner, file)) {
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

class Walker {
  public:
    Walker(WalkMode mode, const WalkOutputs& outputs, const std::vector<DataKey>& keys,
           const std::vector<StoredData>& data)
        : mode_(mode), outputs_(outputs), keys_(keys), data_(data) {}

    void package(const Controller& p, uint64_t unit) {
        TargetCounts counts;
        if (mode_ == WalkExtract) {
            countTargets(p, p.block, &counts);
        }
        block(p, p.block, unit, &counts);
    }

  private:
    void block(const Controller& owner, const InstallBlock& b, uint64_t unit,
               TargetCounts* counts) {
        for (const FileDescription& entry : b.files) {
            file(owner, entry, unit, counts);
        }
        for (const Controller& embedded : b.embedded) {
            list(FileComponent, embedded.firstName);
            package(embedded, unit + embedded.dataIndex);
        }
        for (const InstallBlock& branch : b.branches) {
            block(owner, branch, unit, counts);
        }
    }

    void file(const Controller& owner, const FileDescription& entry, uint64_t unit,
              TargetCounts* counts) {
        list(listKind(entry), entry.target);
        if (mode_ != WalkExtract || !handedOn(owner, entry) || outputs_.extractData == nullptr ||
            (outputs_.runEnded != nullptr && outputs_.runEnded(outputs_.context))) {
            return;
        }
        const DataKey key{unit, entry.fileIndex};
        const auto found = std::lower_bound(keys_.begin(), keys_.end(), key);
        StoredData data = data_[static_cast<size_t>(found - keys_.begin())];
        data.originalLength = entry.uncompressedLength;
        data.hasSha1 = entry.hasSha1;
        std::copy(entry.sha1, entry.sha1 + sizeof entry.sha1, data.sha1);
        const std::string name = extractName(entry.target, counts);
        outputs_.extractData(outputs_.context, name.c_str(), data);
    }

    void list(uint32_t kind, const std::string& name) {
        if (mode_ == WalkList && outputs_.addListEntry != nullptr) {
            outputs_.addListEntry(outputs_.context, kind, name.c_str());
        }
    }

    WalkMode mode_;
    const WalkOutputs& outputs_;
    const std::vector<DataKey>& keys_;
    const std::vector<StoredData>& data_;
};

} // namespace

void SisxPackage::walk(WalkMode mode, const WalkOutputs& outputs) const {
    if (!summary_.readable) {
        return;
    }
    std::vector<DataKey> keys;
    std::vector<StoredData> data;
    if (mode == WalkExtract) {
        collectKeys(top_, top_.dataIndex, &keys);
        std::sort(keys.begin(), keys.end());
        keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
        // Without a Data field every file's data is missing, as with an empty one.
        data = sisx::findStoredData(package_, hasData_ ? data_ : sisx::Span(), keys);
    }
    Walker(mode, outputs, keys, data).package(top_, top_.dataIndex);
}
