#include "cli/package_check.h"

#include <map>

#include "cli/quiet_host.h"
#include "cli/texts.h"
#include "common/string_ids.h"
#include "common/string_table.h"
#include "package/trust/trust.h"
#include "package/view/header_view.h"

namespace {

// Files named after a message that several of them gave.
constexpr size_t kNamesShown = 3;

// Counts what a file came to, and hashes it when asked.
class ProducedBytes final : public ContentSink {
  public:
    explicit ProducedBytes(bool hash) : hash_(hash) {}
    void take(const unsigned char* bytes, uint32_t count) override {
        size_ += count;
        if (hash_) {
            sha256_.update(bytes, count);
        }
    }
    FileCheck result(const PackageFile& file, const FileOutcome& outcome) {
        FileCheck check{file, outcome, size_, {}};
        if (hash_) {
            check.sha256 = sha256_.final();
        }
        return check;
    }

  private:
    bool hash_;
    uint64_t size_ = 0;
    trust::Sha256 sha256_;
};

// "UID Checksum: 1h, Calculated Checksum: 2h": two fields as the window labels them.
std::string pairText(const HeaderBoxes& boxes, HeaderField stored, HeaderField calculated) {
    return std::string(programText(headerLabel(stored))) + ": " + boxOf(boxes, stored) + ", " +
           programText(headerLabel(calculated)) + ": " + boxOf(boxes, calculated);
}

void checkWords(const Package& package, PackageCheck* check) {
    const Integrity integrity = integrityOf(package);
    const HeaderBoxes boxes = headerBoxes(package);
    if (integrity.uidChecksumDiffers) {
        check->problems.push_back(
            pairText(boxes, HeaderField::UidChecksum, HeaderField::CalculatedChecksum));
    }
    if (integrity.checkWordUnknown) {
        check->problems.push_back(messageText(IdsCantRead));
    } else if (integrity.checkWordDiffers) {
        check->problems.push_back(
            pairText(boxes, HeaderField::StoredCheck, HeaderField::CalculatedCheck));
    }
    if (integrity.checksumsDiffer) {
        check->notes.push_back(
            pairText(boxes, HeaderField::StoredCheck, HeaderField::CalculatedCheck));
    }
}

// One problem for each message the files gave, naming the first few files.
void reportFiles(const Contents& contents, const std::vector<FileCheck>& files,
                 PackageCheck* check) {
    std::vector<int> order;
    std::map<int, std::vector<std::string>> named;
    for (size_t i = 0; i < files.size(); ++i) {
        const int message = files[i].outcome.message;
        if (message == 0) {
            continue;
        }
        if (named[message].empty()) {
            order.push_back(message);
        }
        named[message].push_back(contents.extractionName(files[i].file));
    }
    for (int message : order) {
        const std::vector<std::string>& names = named[message];
        std::string list;
        for (size_t i = 0; i < names.size() && i < kNamesShown; ++i) {
            list += (i == 0 ? "" : ", ") + names[i];
        }
        if (names.size() > kNamesShown) {
            list += " and " + std::to_string(names.size() - kNamesShown) + " more";
        }
        const std::string text = messageText(message);
        // "... was not extracted: its name is unsafe!" follows the names it is about.
        check->problems.push_back(text[0] == ' ' ? list + text : text + " (" + list + ")");
    }
}

void checkFiles(const OpenedPackage& opened, bool hashFiles, PackageCheck* check) {
    const Package& package = *opened.package();
    QuietHost host;
    ExtractionRun run(package.source, package.contents, opened.path().c_str(), ExtractSettings(),
                      host);
    const bool whole = forEachFile(package.source, package.contents, [&](const PackageFile& file) {
        ProducedBytes bytes(hashFiles);
        const FileOutcome outcome = run.verify(file, &bytes);
        if (outcome.result == FileResult::RunEnded) {
            return false;
        }
        check->files.push_back(bytes.result(file, outcome));
        return true;
    });
    if (!whole) {
        check->stopped = true;
        return;
    }
    reportFiles(package.contents, check->files, check);
}

std::string detailValue(const DetailSection& section, const std::string& label) {
    for (const DetailLine& line : section.lines) {
        if (line.label == label) {
            return line.value;
        }
    }
    return "";
}

void checkSignatures(const Package& package, const PackageFacts& facts, PackageCheck* check) {
    std::vector<CarriedCertificate> certificates;
    const DetailSection section = signaturesSection(package, facts, &certificates);
    for (size_t k = 0; k < facts.chains.size(); ++k) {
        if (facts.chains[k].signature.check == trust::SignatureCheck::Mismatch) {
            const std::string label = "Chain " + std::to_string(k + 1) + " signature";
            check->problems.push_back(label + ": " + detailValue(section, label));
        }
    }
}

} // namespace

PackageCheck checkPackage(const OpenedPackage& opened, const PackageFacts& facts, bool hashFiles) {
    PackageCheck check;
    const Package* package = opened.package().get();
    if (package == nullptr) {
        check.problems.push_back(messageText(openMessage(opened.result())));
        return check;
    }
    checkWords(*package, &check);
    if (!package->readable()) {
        check.problems.push_back(messageText(IdsCantRead));
        return check;
    }
    checkFiles(opened, hashFiles, &check);
    checkSignatures(*package, facts, &check);
    return check;
}
