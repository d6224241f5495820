#include "package/source/source_writer.h"

#include <algorithm>
#include <array>
#include <future>
#include <map>
#include <optional>
#include <set>
#include <tuple>

#include "common/destinations.h"
#include "common/paths.h"
#include "common/string_ids.h"
#include "common/string_table.h"
#include "package/details/details.h"
#include "package/extract_files.h"
#include "package/checks/digests.h"
#include "package/inner_package_image.h"
#include "package/io/platform.h"
#include "package/io/whole_file.h"
#include "package/opened_package.h"
#include "package/source/certificate_files.h"
#include "package/source/package_source.h"
#include "package/source/pkg_syntax.h"
#include "package/trust/trust.h"

namespace {

// Packages inside packages are written no deeper than the reader opens them.
constexpr int kMaxSourceDepth = 8;

std::string lastElementOf(const std::string& path) {
    const size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string stemOf(const std::string& name) {
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// Every folder of `path` made, from the first that is missing.
bool makeFolderPath(const std::string& path) {
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || isPathSeparator(path[i])) {
            const std::string part = path.substr(0, i);
            if (!platformIsDirectory(part.c_str()) && !platformMakeDirectory(part.c_str()) &&
                !platformIsDirectory(part.c_str())) {
                return false;
            }
        }
    }
    return true;
}

std::array<unsigned char, 32> sha256Bytes(const std::vector<unsigned char>& bytes) {
    trust::Sha256 sha256;
    sha256.update(bytes.data(), bytes.size());
    return sha256.final();
}

// The entries of a Symbian OS 9 package that are its own, not those of the
// packages inside it, which their own sources name.
void markOwnEntries(const sisx::InstallBlock& block, bool own, std::vector<bool>* marks) {
    for (size_t i = 0; i < block.files.size(); ++i) {
        marks->push_back(own);
    }
    for (const sisx::Controller& inner : block.embedded) {
        marks->push_back(own);
        markOwnEntries(inner.block, false, marks);
    }
    for (const sisx::InstallBlock& branch : block.branches) {
        markOwnEntries(branch, own, marks);
    }
}

std::vector<bool> ownEntries(const Package& package) {
    std::vector<bool> marks;
    if (package.sisx && package.sisx->readable()) {
        markOwnEntries(package.sisx->controller().block, true, &marks);
    }
    marks.resize(package.contents.entries.size(), !package.sisx);
    return marks;
}

// A name for a file of a package's own name: what Windows cannot take in a
// name becomes '_'.
std::string fileNameOf(const std::string& name) {
    std::string out;
    for (const char c : name) {
        const unsigned char byte = static_cast<unsigned char>(c);
        out += byte < 0x20 || std::string("\\/:*?\"<>|").find(c) != std::string::npos ? '_' : c;
    }
    while (!out.empty() && (out.back() == ' ' || out.back() == '.')) {
        out.pop_back();
    }
    return out.empty() ? "package" : out;
}

// Writes `bytes` whole or not at all. A file that is there is replaced when
// `replace`, else when the host's answer to the extraction's question is Yes.
bool writeWhole(const std::string& path, const std::vector<unsigned char>& bytes, bool replace,
                ExtractHost& host, FileOutcome* outcome) {
    if (!replace && platformPathKind(path.c_str()) != PathKind::Missing &&
        host.showMessage(KindQuestion, IdsAlreadyExists, 0, path.c_str()) != AnswerYes) {
        *outcome = {FileResult::Skipped, 0};
        return true;
    }
    switch (saveWholeFile(path, bytes.data(), bytes.size())) {
    case SaveResult::Saved:
        *outcome = {FileResult::Written, 0};
        return true;
    case SaveResult::CannotCreate:
        *outcome = {FileResult::Failed, IdsCreateError};
        return false;
    case SaveResult::DiskFull:
        *outcome = {FileResult::Failed, IdsWriteDiskFull};
        return false;
    default:
        *outcome = {FileResult::Failed, IdsWriteFailed};
        return false;
    }
}

using DataKey = std::tuple<uint64_t, uint64_t, uint64_t, StoredCoding>;

// A file's bytes as the extraction's checks produce them, kept in memory.
class HeldBytes : public ContentSink {
  public:
    void take(const unsigned char* bytes, uint32_t count) override {
        bytes_.insert(bytes_.end(), bytes, bytes + count);
    }
    const std::vector<unsigned char>& bytes() const { return bytes_; }

  private:
    std::vector<unsigned char> bytes_;
};

// A text shown without a target is held in memory up to this size to be written.
constexpr uint64_t kMaxShownTextSize = 64u * 1024 * 1024;

class SourceWriter {
  public:
    SourceWriter(const SourceSettings& settings, ExtractHost& host, SourceRun* run)
        : settings_(settings), host_(host), run_(run) {}

    // `digest` is the package's SHA-256 when its file is not `package.source`
    // alone (an embedded package's, of the file it was saved as, "" for none);
    // otherwise it is taken over the source while the files are written.
    void write(const Package& package, const std::string& packagePath, const std::string& name,
               const std::string& folder, int depth, std::optional<std::string> digest) {
        if (!makeFolderPath(folder)) {
            ownProblem(folder, {FileResult::Failed, IdsInvalidDirectory});
            return;
        }
        std::future<std::string> digesting;
        if (!digest) {
            digesting =
                std::async(std::launch::async, [&package] { return sha256Hex(package.source); });
        }
        SourcePlaces places;
        places.entries.resize(package.contents.entries.size());
        places.innerPackages.resize(package.contents.entries.size());
        ExtractSettings extract;
        extract.overwriteFiles = settings_.overwriteFiles;
        extract.defaultDest = DestFixedFolder;
        extract.destDir = folder;
        ExtractionRun run(package.source, package.contents, packagePath.c_str(), extract, host_);
        if (holdsFileData(package)) {
            writeFiles(package, run, &places);
            writeShownTexts(package, run, &places);
            writeUntargetedTexts(package, run, folder, &places);
        }
        SourceOrigin origin = originOf(package, name, folder);
        origin.sha256 = digest ? *digest : digesting.get();
        writeInnerPackages(package, folder, depth, &places);
        writeSource(package, origin, places, folder + "\\" + stemOf(name) + ".pkg", depth);
    }

  private:
    void problem(const std::string& path, const FileOutcome& outcome) {
        run_->problems.push_back({path, outcome});
    }

    // A problem of the run's own, not of a file the extraction run took: the
    // host hears of it as of the extraction's failures.
    void ownProblem(const std::string& path, const FileOutcome& outcome) {
        problem(path, outcome);
        if (outcome.message != 0) {
            // A message that follows a name (" could not be written!") takes it
            // as it is; another is said of it.
            const std::string prefix = programText(outcome.message)[0] == ' ' ? path : path + ": ";
            host_.showMessage(KindError, outcome.message, 0, prefix.c_str());
        }
    }

    // Counts `outcome` and says where the file is, "" when it is not there.
    PlacedFile placed(const std::string& name, const FileOutcome& outcome, bool own = false) {
        run_->written += outcome.result == FileResult::Written ? 1 : 0;
        run_->skipped += outcome.result == FileResult::Skipped ? 1 : 0;
        run_->failed += outcome.result == FileResult::Failed ? 1 : 0;
        if (outcome.result == FileResult::Skipped || outcome.message != 0) {
            own ? ownProblem(name, outcome) : problem(name, outcome);
        }
        const bool there =
            outcome.result == FileResult::Written || outcome.result == FileResult::Skipped;
        return {there ? placeOfName(name) : std::string(), there ? 0 : outcome.message};
    }

    // The files of the package's own lines; a file whose data another line
    // already wrote whole is named by that one's path, and written once.
    void writeFiles(const Package& package, ExtractionRun& run, SourcePlaces* places) {
        const std::vector<bool> own = ownEntries(package);
        std::map<DataKey, PlacedFile> done;
        const FileChoice chosen = [&](const PackageFile& file) {
            if (!own[file.entry]) {
                return false;
            }
            const DataKey key{file.data.offset, file.data.length, file.data.originalLength,
                              file.data.coding};
            const auto found = done.find(key);
            if (file.data.offset != 0 && found != done.end()) {
                places->entries[file.entry].push_back(found->second);
                return false;
            }
            return true;
        };
        run_->stopped = !extractFiles(
            run, package, chosen, [&](const PackageFile& file, const FileOutcome& outcome) {
                const PlacedFile where = placed(package.contents.extractionName(file), outcome);
                places->entries[file.entry].push_back(where);
                if (!where.path.empty()) {
                    done.emplace(DataKey{file.data.offset, file.data.length,
                                         file.data.originalLength, file.data.coding},
                                 where);
                }
            });
    }

    // The older format's texts shown during install, which extraction passes over.
    void writeShownTexts(const Package& package, ExtractionRun& run, SourcePlaces* places) {
        const EpocScript& script = package.epocScript;
        places->shownTexts.resize(script.shownTexts.size());
        for (size_t i = 0; i < script.shownTexts.size() && !run_->stopped; ++i) {
            const std::vector<PackageFile> files =
                filesOfEntry(package.source, package.contents, 0, script.shownTexts[i]);
            for (const PackageFile& file : files) {
                const FileOutcome outcome = run.extract(file);
                if (outcome.result == FileResult::RunEnded) {
                    run_->stopped = true;
                    break;
                }
                places->shownTexts[i].push_back(
                    placed(package.contents.extractionName(file), outcome));
            }
        }
    }

    // Symbian OS 9's texts shown without a target: no file of extraction's, so
    // produced and checked as extraction would, and written as text<N>.txt.
    void writeUntargetedTexts(const Package& package, ExtractionRun& run, const std::string& folder,
                              SourcePlaces* places) {
        const std::vector<bool> own = ownEntries(package);
        for (uint32_t e = 0; e < package.contents.entries.size() && package.sisx; ++e) {
            const PackageEntry& entry = package.contents.entries[e];
            if (!own[e] || entry.kind != FileShowDuringInstall || entry.fileCount != 0 ||
                entry.dataOffset == 0 || entry.originalLength > kMaxShownTextSize) {
                continue;
            }
            PackageFile file;
            file.entry = e;
            file.digest = entry.digest;
            file.data = {entry.dataOffset, entry.dataLength, entry.originalLength, entry.coding};
            const std::string name = "text" + std::to_string(e + 1) + ".txt";
            HeldBytes text;
            FileOutcome outcome = run.verify(file, &text);
            if (outcome.result == FileResult::Written && outcome.message == 0) {
                writeWhole(folder + "\\" + name, text.bytes(), settings_.overwriteFiles, host_,
                           &outcome);
            } else if (outcome.result == FileResult::Written) {
                outcome.result = FileResult::Failed;
            }
            places->entries[e].push_back(placed(name, outcome, true));
        }
    }

    SourceOrigin originOf(const Package& package, const std::string& name,
                          const std::string& folder) {
        SourceOrigin origin;
        origin.packageName = name;
        const PackageDetails details = describePackage(package, settings_.now);
        saveCertificates(details, folder, settings_.overwriteFiles);
        for (const CarriedCertificate& certificate : details.certificates) {
            if (certificate.index == 1) {
                const trust::CertificateFacts facts =
                    trust::readCertificate(certificate.der.data(), certificate.der.size());
                origin.signers.push_back({certificate.chain, facts.subject, facts.notAfter, {}});
            }
            if (!origin.signers.empty() && origin.signers.back().chain == certificate.chain) {
                origin.signers.back().files.push_back(certificateFileName(certificate));
            }
        }
        return origin;
    }

    void writeInnerPackages(const Package& package, const std::string& folder, int depth,
                            SourcePlaces* places) {
        const std::vector<bool> own = ownEntries(package);
        for (uint32_t e = 0; e < package.contents.entries.size() && !run_->stopped; ++e) {
            if (!own[e] || !namesInnerPackage(package, e)) {
                continue;
            }
            // An older component is a package file of its own, read from memory.
            std::optional<std::string> digest;
            const std::string saved = package.sisx ? saveEmbedded(package, e, folder, &digest)
                                      : places->entries[e].empty()
                                          ? std::string()
                                          : places->entries[e].front().path;
            places->innerPackages[e] = {saved, saved.empty() ? IdsCantRead : 0};
            if (depth + 1 >= kMaxSourceDepth) {
                ownProblem(saved, {FileResult::Failed, IdsInnerTooDeep});
                continue;
            }
            const InnerPackage inner = readInnerPackage(package, e);
            if (inner.result != InnerResult::Opened) {
                ownProblem(saved, {FileResult::Failed, innerMessage(inner.result)});
                continue;
            }
            const std::string name =
                saved.empty() ? fileNameOf(package.contents.text(package.contents.entries[e].name))
                              : lastElementOf(saved);
            write(*inner.package, folder + "\\" + name, name, folder + "\\" + stemOf(name),
                  depth + 1, digest);
        }
    }

    // An embedded Symbian OS 9 package saved beside the .pkg under its own
    // name; its path below the folder, or "" when it could not be saved.
    std::string saveEmbedded(const Package& package, uint32_t entry, const std::string& folder,
                             std::optional<std::string>* digest) {
        const InnerPackageImage image = innerPackageImage(package, entry);
        *digest = image.result == InnerResult::Opened ? hexText(sha256Bytes(image.bytes).data(), 32)
                                                      : std::string();
        std::string name = fileNameOf(package.contents.text(package.contents.entries[entry].name));
        if (image.result != InnerResult::Opened) {
            const int message = innerMessage(image.result);
            ownProblem(name + ".sis", {FileResult::Failed, message != 0 ? message : IdsCantRead});
            return std::string();
        }
        for (int n = 2; !taken_.insert(asciiLowered(folder + "\\" + name)).second; ++n) {
            name = fileNameOf(package.contents.text(package.contents.entries[entry].name)) + " (" +
                   std::to_string(n) + ")";
        }
        name += ".sis";
        FileOutcome outcome;
        writeWhole(folder + "\\" + name, image.bytes, settings_.overwriteFiles, host_, &outcome);
        return placed(name, outcome, true).path;
    }

    void writeSource(const Package& package, const SourceOrigin& origin, const SourcePlaces& places,
                     const std::string& path, int depth) {
        FileOutcome outcome;
        if (writeWhole(path, pkgFileBytes(packageSource(package, origin, places)),
                       settings_.overwriteFiles, host_, &outcome)) {
            // The package's own source first: the sources inside were written before it.
            run_->sources.insert(depth == 0 ? run_->sources.begin() : run_->sources.end(), path);
        }
        if (outcome.result != FileResult::Written) {
            ownProblem(lastElementOf(path), outcome);
        }
    }

    const SourceSettings& settings_;
    ExtractHost& host_;
    SourceRun* run_;
    std::set<std::string> taken_;
};

} // namespace

std::string sourceFileName(const std::string& packagePath) {
    return stemOf(lastElementOf(packagePath)) + ".pkg";
}

SourceRun writePackageSource(const Package& package, const std::string& packagePath,
                             const std::string& folder, const SourceSettings& settings,
                             ExtractHost& host) {
    SourceRun run;
    SourceWriter(settings, host, &run)
        .write(package, packagePath, lastElementOf(packagePath), folder, 0, std::nullopt);
    return run;
}
