#include "cli/inventory_records.h"

#include <algorithm>

#include "cli/json_text.h"
#include "cli/package_check.h"
#include "cli/texts.h"
#include "package/checks/digests.h"
#include "package/details/capabilities.h"
#include "package/texts/language_names.h"
#include "package/trust/trust.h"
#include "package/view/header_view.h"
#include "package/view/identity.h"

namespace {

enum Column {
    ColumnRecord,
    ColumnPath,
    ColumnInstallPath,
    ColumnSize,
    ColumnSha256,
    ColumnFormat,
    ColumnUid,
    ColumnNames,
    ColumnVendor,
    ColumnVersion,
    ColumnLanguages,
    ColumnPlatforms,
    ColumnSignedBy,
    ColumnCertificateExpiry,
    ColumnCapabilities,
    ColumnFileCount,
    ColumnCheck,
    ColumnCount
};

std::vector<std::string> languagesOf(const Package& package) {
    std::vector<std::string> names;
    for (uint32_t code : package.contents.languages) {
        names.push_back(languageLabel(package.kind, code));
    }
    return names;
}

// The signer's certificate of each chain, those that could be read.
std::vector<const trust::CertificateFacts*> signers(const PackageFacts& facts) {
    std::vector<const trust::CertificateFacts*> found;
    for (const ChainReport& chain : facts.chains) {
        if (!chain.certificates.empty() && chain.certificates.front().facts.readable) {
            found.push_back(&chain.certificates.front().facts);
        }
    }
    return found;
}

std::string isoTime(int64_t seconds) {
    std::string text = dateTimeText(seconds);
    text[10] = 'T';
    return text + "Z";
}

std::string earliestExpiry(const PackageFacts& facts) {
    const auto all = signers(facts);
    if (all.empty()) {
        return "";
    }
    int64_t earliest = all.front()->notAfter;
    for (const trust::CertificateFacts* signer : all) {
        earliest = std::min(earliest, signer->notAfter);
    }
    return isoTime(earliest);
}

std::string checkText(const PackageCheck& check) {
    return check.problems.empty() ? "ok" : joined(check.problems, "; ");
}

Field text(std::string value) {
    return Field{false, std::move(value)};
}
Field number(uint64_t value) {
    return Field{true, std::to_string(value)};
}

void describe(const Package& package, const PackageFacts& facts, Record* record) {
    Record& r = *record;
    r[ColumnFormat] = text(formatName(package));
    r[ColumnUid] = text(packageUid(package));
    if (package.readable()) {
        r[ColumnNames] = text(joined(packageNames(package), "; "));
        r[ColumnVendor] = text(packageVendor(package));
        r[ColumnPlatforms] = text(joined(packagePlatforms(package), "; "));
    }
    r[ColumnVersion] = text(boxOf(headerBoxes(package), HeaderField::AppVersion));
    r[ColumnLanguages] = text(joined(languagesOf(package), "; "));
    const auto signer = signers(facts);
    r[ColumnSignedBy] = text(facts.chains.empty() || signer.empty() ? "" : signer.front()->subject);
    r[ColumnCertificateExpiry] = text(earliestExpiry(facts));
    r[ColumnCapabilities] = text(capabilityNames(facts.capabilityUnion));
    r[ColumnFileCount] = number(fileCountOf(package.contents));
}

Record packageRecord(const OpenedPackage& opened, const PackageFacts& facts,
                     const PackageCheck& check) {
    Record record(ColumnCount);
    record[ColumnRecord] = text("package");
    record[ColumnPath] = text(opened.path());
    if (opened.result() != OpenResult::CannotOpen) {
        record[ColumnSize] = number(opened.size());
        record[ColumnSha256] = text(sha256Hex(opened.source()));
    }
    if (opened.package() != nullptr) {
        describe(*opened.package(), facts, &record);
    }
    record[ColumnCheck] = text(checkText(check));
    return record;
}

Record fileRecord(const std::string& path, const Package& package, const FileCheck& check) {
    const PackageFile& file = check.file;
    const PackageEntry& entry = package.contents.entries[file.entry];
    Record record(ColumnCount);
    record[ColumnRecord] = text("file");
    record[ColumnPath] = text(path);
    record[ColumnInstallPath] = text(package.contents.text(file.name));
    record[ColumnSize] = number(check.size);
    record[ColumnSha256] = text(hexText(check.sha256.data(), check.sha256.size()));
    record[ColumnLanguages] =
        text(file.language == kNoLanguage ? "" : languageLabel(package.kind, file.language));
    record[ColumnCapabilities] =
        text(entry.hasCapabilities ? capabilityNames(entry.capabilities) : "");
    record[ColumnCheck] =
        text(check.outcome.message == 0 ? "ok" : messageText(check.outcome.message));
    return record;
}

std::string csvField(const std::string& value) {
    if (value.find_first_of(",\"\r\n") == std::string::npos) {
        return value;
    }
    std::string quoted = "\"";
    for (char c : value) {
        quoted += c == '"' ? "\"\"" : std::string(1, c);
    }
    return quoted + "\"";
}

} // namespace

const std::vector<std::string> kInventoryColumns = {"record",       "path",
                                                    "install_path", "size",
                                                    "sha256",       "format",
                                                    "uid",          "names",
                                                    "vendor",       "version",
                                                    "languages",    "platforms",
                                                    "signed_by",    "certificate_expiry",
                                                    "capabilities", "file_count",
                                                    "check"};

std::vector<Record> inventoryRecords(const std::string& path, bool files, int64_t now,
                                     bool* intact) {
    const OpenedPackage opened(path);
    const Package* package = opened.package().get();
    const PackageFacts facts = package != nullptr ? gatherFacts(*package, now) : PackageFacts();
    const PackageCheck check = checkPackage(opened, facts, files);
    if (check.stopped) {
        return {};
    }
    *intact = check.problems.empty();
    std::vector<Record> records{packageRecord(opened, facts, check)};
    for (size_t i = 0; files && i < check.files.size(); ++i) {
        records.push_back(fileRecord(path, *package, check.files[i]));
    }
    return records;
}

Record folderRecord(const std::string& path, const std::string& said) {
    Record record(ColumnCount);
    record[ColumnRecord] = text("folder");
    record[ColumnPath] = text(path);
    record[ColumnCheck] = text(said);
    return record;
}

std::string jsonRecord(const Record& record) {
    // Columns in their order; a number that is not known is null.
    Json object = Json::object();
    for (size_t i = 0; i < record.size(); ++i) {
        if (record[i].number) {
            object[kInventoryColumns[i]] = std::stoull(record[i].text);
        } else if (i == ColumnSize || i == ColumnFileCount) {
            object[kInventoryColumns[i]] = nullptr;
        } else {
            object[kInventoryColumns[i]] = record[i].text;
        }
    }
    return jsonLine(object);
}

std::string csvRecord(const Record& record) {
    std::string row;
    for (size_t i = 0; i < record.size(); ++i) {
        row += (i == 0 ? "" : ",") + csvField(record[i].text);
    }
    return row + "\r\n";
}
