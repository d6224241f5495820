// The source of a package of the older format, in the syntax of the package
// file format for Symbian OS v6.1 to v8: the package stores its lines in the
// reverse of the order the installer takes them, so they are printed from the
// last record to the first.
#include <string>
#include <vector>

#include "package/source/pkg_syntax.h"
#include "package/source/source_lines.h"

namespace {

void writeHeader(SourceLines& out, const Package& package) {
    const PackageHeader& h = package.epocHeader;
    static const char* const kTypes[] = {"SISAPP",    "SISSYSTEM", "SISOPTION",
                                         "SISCONFIG", "SISPATCH",  "SISUPGRADE"};
    std::string line = "#" + quotedList(package.epocFacts.componentNames) + ",(" +
                       uidText(h.appUid()) + ")," + std::to_string(h.versionMajor()) + "," +
                       std::to_string(h.versionMinor()) + "," + std::to_string(h.versionBuild());
    const int16_t type = h.packageType();
    if (type >= 0 && type < 6) {
        line += std::string(",TYPE=") + kTypes[type];
    } else {
        out.comment("Package type " + std::to_string(type) +
                    " has no name in the package file format.");
    }
    static const std::pair<uint16_t, const char*> kFlags[] = {
        {0x0001, "IU"}, {0x0002, "ID"}, {0x0008, "NC"}, {0x0010, "SH"}};
    uint16_t said = 0;
    for (const auto& [bit, word] : kFlags) {
        if ((h.flags() & bit) != 0) {
            line += std::string(",") + word;
            said |= bit;
        }
    }
    if ((h.flags() & ~said) != 0) {
        out.comment("Header flags " + std::to_string(h.flags() & ~said) +
                    " have no names in the package file format.");
    }
    out.line(line);
}

void writeRequisites(SourceLines& out, const Package& package) {
    for (const EpocRequisite& r : package.epocFacts.requisites) {
        out.line("(" + uidText(r.uid) + ")," + std::to_string(r.versionMajor) + "," +
                 std::to_string(r.versionMinor) + "," + std::to_string(r.variant) + "," +
                 quotedList(r.names));
    }
}

// A file's install options from its type and details word, and the details
// they cannot say.
struct FileOptions {
    std::string text;
    uint32_t unsaid = 0;
};

FileOptions optionsOf(const EpocScript& script, const EpocRecord& record) {
    FileOptions o;
    const uint32_t d = record.details;
    switch (record.fileType) {
    case FileInstall:
        o.text = ",FF";
        o.unsaid = d;
        break;
    case FileShowDuringInstall: {
        static const char* const kButtons[] = {",TC", ",TS", ",TA", ",TE"};
        o.text = std::string(",FT") + (d < 4 ? kButtons[d] : ",TC");
        o.unsaid = d < 4 ? 0 : d;
        break;
    }
    case FileRunDuringInstall:
    case FileOpenDuringInstall: {
        if (record.fileType == FileRunDuringInstall) {
            static const char* const kWhen[] = {",RI", ",RR", ",RB"};
            o.text = std::string(",FR") + ((d & 0xFF) < 3 ? kWhen[d & 0xFF] : "");
            o.unsaid = (d & 0xFF) < 3 ? 0 : (d & 0xFF);
        } else {
            const bool named = record.mimeType < script.mimeTypes.size();
            o.text = ",FM," + quoted(named ? script.mimeTypes[record.mimeType] : std::string());
            o.unsaid = d & 0xFF;
        }
        o.text += (d & 0x100) != 0 ? ",RE" : "";
        o.text += (d & 0x200) != 0 ? ",RW" : "";
        o.unsaid |= d & ~0x3FFu;
        break;
    }
    case FileUninstallOnly:
        o.text = ",FN";
        o.unsaid = d;
        break;
    default:
        break;
    }
    return o;
}

class EpocPrinter {
  public:
    EpocPrinter(SourceLines& out, const Package& package, const SourcePlaces& places)
        : out_(out), package_(package), script_(package.epocScript), places_(places) {}

    void records() {
        const std::vector<EpocRecord>& records = script_.records;
        for (size_t i = records.size(); i-- > 0;) {
            record(records[i]);
        }
    }

  private:
    // The sources of a line's files side by side, as {"a" "b"} needs them when
    // there are several; "" and `why` when one was not written.
    std::string sources(const std::vector<PlacedFile>* files, std::string* why) const {
        if (files == nullptr || files->empty()) {
            *why = "not written: no data";
            return quoted("");
        }
        std::string text;
        for (const PlacedFile& file : *files) {
            const SourceName name = sourceName(file);
            if (!name.written && why->empty()) {
                *why = name.why;
            }
            text += (text.empty() ? "" : " ") + quoted(name.path);
        }
        return files->size() == 1 ? text : "{" + text + "}";
    }

    const std::vector<PlacedFile>* entryFiles(uint32_t entry) const {
        return entry < places_.entries.size() ? &places_.entries[entry] : nullptr;
    }

    void fileRecord(const EpocRecord& r) {
        if (r.entry >= package_.contents.entries.size()) {
            out_.comment("A file record of type " + std::to_string(r.fileType) +
                         " has no line in the package file format.");
            return;
        }
        const PackageEntry& entry = package_.contents.entries[r.entry];
        const std::string name = package_.contents.text(entry.name);
        std::string why;
        std::string line;
        if (r.fileType == FileComponent) {
            line = "@" + sources(entryFiles(r.entry), &why) + ",(" + uidText(r.details) + ")";
        } else if (r.fileType == FileShowDuringInstall) {
            const std::vector<PlacedFile>* shown =
                r.at < places_.shownTexts.size() ? &places_.shownTexts[r.at] : nullptr;
            line = sources(shown, &why) + "-\"\"";
        } else if (r.fileType == FileUninstallOnly) {
            line = "\"\"-" + quoted(name);
        } else {
            line = sources(entryFiles(r.entry), &why) + "-" + quoted(name);
        }
        const FileOptions options = optionsOf(script_, r);
        if (r.fileType != FileComponent) {
            line += options.text;
        }
        if (options.unsaid != 0) {
            out_.comment("File details " + std::to_string(options.unsaid) +
                         " have no words in the syntax.");
        }
        if (why.empty()) {
            out_.line(line);
        } else {
            out_.commentedOut(line, why);
        }
    }

    void conditionLine(const char* word, uint32_t node) {
        bool unsaid = false;
        const std::string text = epocCondition(script_, node, &unsaid);
        if (unsaid) {
            out_.comment("Part of the next condition has no words in the syntax.");
        }
        out_.line(word + text);
    }

    void record(const EpocRecord& r) {
        switch (r.kind) {
        case EpocRecordKind::File:
            fileRecord(r);
            break;
        case EpocRecordKind::Options: {
            std::string line = "!(";
            for (uint32_t i = 0; i < r.count && r.at + i < script_.options.size(); ++i) {
                line += (i == 0 ? "" : ",") + quotedList(script_.options[r.at + i]);
            }
            out_.line(line + ")");
            break;
        }
        case EpocRecordKind::If:
            conditionLine("IF ", r.at);
            out_.deeper();
            break;
        case EpocRecordKind::ElseIf:
            out_.shallower();
            conditionLine("ELSEIF ", r.at);
            out_.deeper();
            break;
        case EpocRecordKind::Else:
            out_.shallower();
            out_.line("ELSE");
            out_.deeper();
            break;
        case EpocRecordKind::EndIf:
            out_.shallower();
            out_.line("ENDIF");
            break;
        }
    }

    SourceLines& out_;
    const Package& package_;
    const EpocScript& script_;
    const SourcePlaces& places_;
};

} // namespace

void writeEpocSource(SourceLines& out, const Package& package, const SourcePlaces& places) {
    writeLanguages(out, package.contents.languages);
    writeHeader(out, package);
    writeRequisites(out, package);
    EpocPrinter(out, package, places).records();
}
