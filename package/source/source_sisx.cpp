// The source of a Symbian OS 9 package, in the syntax of the package file
// format for Symbian OS v9.x: a block's files, then its embedded packages,
// then its If blocks, in the order the installer takes them.
#include <string>
#include <vector>

#include "package/source/pkg_syntax.h"
#include "package/source/source_lines.h"

namespace {

using sisx::BranchCondition;
using sisx::Controller;
using sisx::Expression;
using sisx::FileDescription;
using sisx::InstallBlock;
using sisx::kOperationInstall;
using sisx::kOperationNull;
using sisx::kOperationRun;
using sisx::kOperationText;

constexpr uint32_t kLanguageVariable = 0x1000;
constexpr uint32_t kVerifyOnRestore = 32768;

std::string versionText(const sisx::Version& v) {
    return std::to_string(v.major) + "," + std::to_string(v.minor) + "," + std::to_string(v.build);
}

// A dependency's UID in its brackets, its version range and its names.
std::string dependencyLine(const sisx::Dependency& d, const char* open, const char* close) {
    std::string line = open + uidText(d.uid) + close + ",";
    line += d.range.hasFrom ? versionText(d.range.from) : std::string("*,*,*");
    if (d.range.hasTo) {
        line += "~" + versionText(d.range.to);
    }
    return line + "," + quotedList(d.names);
}

void writeHeader(SourceLines& out, const Controller& c) {
    static const char* const kTypes[] = {"SA", "SP", "PU", "PA", "PP"};
    std::string line = "#" + quotedList(c.names) + ",(" + uidText(c.uid) + ")," +
                       std::to_string(c.versionMajor) + "," + std::to_string(c.versionMinor) + "," +
                       std::to_string(c.versionBuild);
    if (c.installType < 5) {
        line += std::string(",TYPE=") + kTypes[c.installType];
    }
    static const char* const kFlags[] = {"SH", "NR", "RU", "H"};
    for (int bit = 0; bit < 4; ++bit) {
        if ((c.installFlags & (1u << bit)) != 0) {
            line += std::string(",") + kFlags[bit];
        }
    }
    if (c.names.size() != c.languages.size()) {
        out.comment("The package has " + std::to_string(c.names.size()) + " names for " +
                    std::to_string(c.languages.size()) + " languages.");
    }
    if (c.installType >= 5) {
        out.comment("Install type " + std::to_string(c.installType) +
                    " has no name in the package file format.");
    }
    if ((c.installFlags & 0xF0) != 0) {
        out.comment("Install flags " + std::to_string(c.installFlags & 0xF0) +
                    " have no names in the package file format.");
    }
    out.line(line);
}

void writePreamble(SourceLines& out, const Controller& c) {
    writeLanguages(out, c.languages);
    writeHeader(out, c);
    if (!c.vendorNames.empty()) {
        out.line("%" + quotedList(c.vendorNames));
    }
    if (!c.uniqueVendorName.empty()) {
        out.line(":" + quoted(c.uniqueVendorName));
    }
    if (c.hasLogo) {
        out.commentedOut("=\"logo\"," + quoted(c.logo.mimeType) + "," + quoted(c.logo.target),
                         "the logo's data is not written");
    }
    for (const sisx::Dependency& device : c.targetDevices) {
        out.line(dependencyLine(device, "[", "]"));
    }
    for (const sisx::Dependency& other : c.dependencies) {
        out.line(dependencyLine(other, "(", ")"));
    }
    if (!c.properties.empty()) {
        std::string line = "+(";
        for (size_t i = 0; i < c.properties.size(); ++i) {
            line += (i == 0 ? "" : ",") + std::to_string(c.properties[i].key) + "=" +
                    std::to_string(c.properties[i].value);
        }
        out.line(line + ")");
    }
    if (!c.options.empty()) {
        std::string line = "!(";
        for (size_t i = 0; i < c.options.size(); ++i) {
            line += (i == 0 ? "" : ",") + quotedList(c.options[i]);
        }
        out.line(line + ")");
    }
}

// A file's operation and options as the install options of its line, and
// the bits they cannot say.
struct FileOptions {
    std::string text;
    uint32_t unsaid = 0;
};

FileOptions optionsOf(const FileDescription& file) {
    FileOptions o;
    uint32_t said = 0;
    switch (file.operation) {
    case 0: // makesis's own for a file of a language block: installed
    case kOperationInstall:
        o.text = ",FF";
        said = kVerifyOnRestore; // makesis's own choice: no words in the syntax
        break;
    case kOperationRun:
        o.text = (file.options & 8) != 0 ? ",FM," + quoted(file.mimeType) : ",FR";
        said = 8;
        if ((file.options & 6) == 6) {
            o.text += ",RB";
        } else if ((file.options & 2) != 0) {
            o.text += ",RI";
        } else if ((file.options & 4) != 0) {
            o.text += ",RR";
        }
        said |= 6;
        for (const auto& [bit, word] :
             {std::pair<uint32_t, const char*>{16, "RW"}, {32, "RS"}, {64, "RBS"}, {128, "RA"}}) {
            if ((file.options & bit) != 0) {
                o.text += std::string(",") + word;
                said |= bit;
            }
        }
        break;
    case kOperationText:
        o.text = ",FT";
        o.text += (file.options & 1024)   ? ",TS"
                  : (file.options & 2048) ? ",TA"
                  : (file.options & 4096) ? ",TE"
                                          : ",TC";
        said = 1024 | 2048 | 4096;
        break;
    case kOperationNull:
        o.text = ",FN";
        break;
    default:
        o.text = ",FF";
        o.unsaid = file.options;
        return o;
    }
    o.unsaid = file.options & ~said;
    return o;
}

bool isPreinstalled(const Controller& c) {
    return c.installType == 3 || c.installType == 4;
}

class SisxPrinter {
  public:
    SisxPrinter(SourceLines& out, const Package& package, const SourcePlaces& places)
        : out_(out), package_(package), places_(places) {}

    void package(const Controller& c) {
        writePreamble(out_, c);
        if (package_.kind == PackageKind::SisxStub) {
            out_.comment("A stub: the package holds none of its files' data, so none is written; "
                         "the lines name the files it lists.");
        } else if (isPreinstalled(c)) {
            out_.comment("A preinstalled package: its files are on the phone, not in the "
                         "package; the lines name them where they would lie here.");
        }
        block(c, c.block);
    }

  private:
    const std::vector<PlacedFile>* filesOf(uint32_t entry) const {
        return entry < places_.entries.size() ? &places_.entries[entry] : nullptr;
    }

    // The source path of one file, or "" with `why` set when its line is to be a comment.
    std::string sourceOf(const Controller& owner, const FileDescription& file, uint32_t entry,
                         std::string* why) const {
        if (file.operation == kOperationNull) {
            return std::string();
        }
        if (package_.kind == PackageKind::SisxStub || isPreinstalled(owner)) {
            const std::string place = placeOfName(file.target);
            *why = place.empty() ? "its name is unsafe" : "";
            return place;
        }
        const std::vector<PlacedFile>* files = filesOf(entry);
        if (files == nullptr || files->empty()) {
            *why = file.target.empty() ? "a text without a target is not written"
                                       : "not written: no data";
            return "text" + std::to_string(entry + 1) + ".txt";
        }
        const SourceName name = sourceName(files->front());
        *why = name.why;
        return name.written ? name.path : placeOfName(file.target);
    }

    void fileLine(const Controller& owner, const FileDescription& file) {
        const uint32_t entry = entry_++;
        std::string why;
        const std::string source = sourceOf(owner, file, entry, &why);
        const FileOptions options = optionsOf(file);
        const std::string line = quoted(source) + "-" + quoted(file.target) + options.text;
        if (options.unsaid != 0) {
            out_.comment("Operation " + std::to_string(file.operation) + " options " +
                         std::to_string(options.unsaid) + " have no words in the syntax.");
        }
        if (why.empty()) {
            out_.line(line);
        } else {
            out_.commentedOut(line, why);
        }
    }

    void embeddedLine(const Controller& inner) {
        const uint32_t entry = entry_++;
        const PlacedFile saved =
            entry < places_.innerPackages.size() ? places_.innerPackages[entry] : PlacedFile();
        const SourceName name = sourceName(saved);
        const std::string line = "@" + quoted(name.written ? name.path : inner.firstName + ".sis") +
                                 ",(" + uidText(inner.uid) + ")";
        if (name.written) {
            out_.line(line);
        } else {
            out_.commentedOut(line, "the package inside could not be saved");
        }
        skipEntries(inner.block);
    }

    // The embedded package's own lines belong to its own source.
    void skipEntries(const InstallBlock& b) {
        entry_ += static_cast<uint32_t>(b.files.size());
        for (const Controller& inner : b.embedded) {
            ++entry_;
            skipEntries(inner.block);
        }
        for (const InstallBlock& branch : b.branches) {
            skipEntries(branch);
        }
    }

    void block(const Controller& owner, const InstallBlock& b) {
        for (const FileDescription& file : b.files) {
            fileLine(owner, file);
        }
        for (const Controller& inner : b.embedded) {
            embeddedLine(inner);
        }
        size_t i = 0;
        while (i < b.branches.size() && i < b.conditions.size()) {
            size_t end = i + 1;
            while (end < b.branches.size() && end < b.conditions.size() &&
                   !b.conditions[end].opensIf) {
                ++end;
            }
            if (!languageFiles(owner, b, i, end)) {
                ifBlock(owner, b, i, end);
            }
            i = end;
        }
    }

    static bool isElse(const Expression& e) {
        return (e.op == 9 && e.operands.size() == 1 && e.operands[0].op == 16 &&
                e.operands[0].value == 0) ||
               (e.op == 16 && e.value != 0);
    }

    void ifBlock(const Controller& owner, const InstallBlock& b, size_t first, size_t end) {
        for (size_t k = first; k < end; ++k) {
            const Expression& condition = b.conditions[k].condition;
            bool unsaid = false;
            if (k + 1 == end && k > first && isElse(condition)) {
                out_.line("ELSE");
            } else {
                const std::string text = sisxCondition(condition, &unsaid);
                if (unsaid) {
                    out_.comment("Part of the next condition has no words in the syntax.");
                }
                out_.line((k == first ? "IF " : "ELSEIF ") + text);
            }
            out_.deeper();
            block(owner, b.branches[k]);
            out_.shallower();
        }
        out_.line("ENDIF");
    }

    // Whether branch k of [first, end) tests LANGUAGE = the package's kth language.
    bool testsLanguage(const Expression& e, size_t k) const {
        const std::vector<uint32_t>& languages = package_.contents.languages;
        return k < languages.size() && e.op == 1 && e.operands.size() == 2 &&
               e.operands[0].op == 15 && e.operands[0].value == kLanguageVariable &&
               e.operands[1].op == 16 && static_cast<uint32_t>(e.operands[1].value) == languages[k];
    }

    // An If block that makesis made of a {"a" "b"}-"target" line: one file per
    // language, in the languages' order, all to one target. Printed back in
    // that form when every variant was written.
    bool languageFiles(const Controller& owner, const InstallBlock& b, size_t first, size_t end) {
        if (end - first != package_.contents.languages.size() || end - first < 2) {
            return false;
        }
        const FileDescription* model = nullptr;
        std::string sources;
        uint32_t entry = entry_;
        for (size_t k = first; k < end; ++k) {
            const InstallBlock& branch = b.branches[k];
            if (!testsLanguage(b.conditions[k].condition, k - first) || branch.files.size() != 1 ||
                !branch.embedded.empty() || !branch.branches.empty()) {
                return false;
            }
            const FileDescription& file = branch.files.front();
            if (model != nullptr &&
                (file.target != model->target || file.operation != model->operation ||
                 file.options != model->options)) {
                return false;
            }
            model = &file;
            std::string why;
            const std::string source = sourceOf(owner, file, entry++, &why);
            if (!why.empty()) {
                return false;
            }
            sources += (sources.empty() ? "" : " ") + quoted(source);
        }
        entry_ = entry;
        out_.line("{" + sources + "}-" + quoted(model->target) + optionsOf(*model).text);
        return true;
    }

    SourceLines& out_;
    const Package& package_;
    const SourcePlaces& places_;
    uint32_t entry_ = 0;
};

} // namespace

void writeSisxSource(SourceLines& out, const Package& package, const SourcePlaces& places) {
    if (!package.sisx || !package.sisx->readable()) {
        out.comment("The package's controller cannot be read: nothing of it can be written.");
        return;
    }
    SisxPrinter(out, package, places).package(package.sisx->controller());
}
