#include "package/source/package_source.h"

#include "common/paths.h"
#include "common/string_table.h"
#include "common/version.h"
#include "package/details/details.h"
#include "package/extract/output_path.h"
#include "package/source/pkg_syntax.h"
#include "package/source/source_lines.h"

namespace {

// The first line of a message, without the blanks around it.
std::string messageLine(int id) {
    std::string text = programText(id);
    text = text.substr(0, text.find('\n'));
    const size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

const char* comparison(uint32_t op) {
    static const char* const kWords[] = {"=", "<>", ">", "<", ">=", "<="};
    return op < 6 ? kWords[op] : "";
}

// An operand of AND, OR or NOT stands in parentheses unless it is a primitive.
std::string grouped(const std::string& text, bool compound) {
    return compound ? "(" + text + ")" : text;
}

bool compoundSisx(const sisx::Expression& e) {
    return e.op >= 1 && e.op <= 9;
}

const sisx::Expression* operandOf(const sisx::Expression& e, size_t i) {
    return i < e.operands.size() ? &e.operands[i] : nullptr;
}

std::string sisxOperand(const sisx::Expression* e, bool* unsaid) {
    if (e == nullptr) {
        *unsaid = true;
        return "0";
    }
    return grouped(sisxCondition(*e, unsaid), compoundSisx(*e));
}

// A number of an operand that must be one (a UID or a key).
std::string sisxNumber(const sisx::Expression* e, bool uid, bool* unsaid) {
    if (e == nullptr || e->op != 16) {
        *unsaid = true;
        return "0";
    }
    return uid ? uidText(static_cast<uint32_t>(e->value)) : std::to_string(e->value);
}

bool compoundEpoc(const EpocScript& script, uint32_t node) {
    return node < script.conditions.size() && script.conditions[node].type <= 7;
}

std::string epocOperand(const EpocScript& script, uint32_t node, bool* unsaid) {
    return grouped(epocCondition(script, node, unsaid), compoundEpoc(script, node));
}

std::string epocNumber(const EpocScript& script, uint32_t node, bool uid, bool* unsaid) {
    if (node >= script.conditions.size() || script.conditions[node].type != 14) {
        *unsaid = true;
        return "0";
    }
    const uint32_t value = script.conditions[node].value;
    return uid ? uidText(value) : std::to_string(value);
}

std::string epocAttribute(uint32_t attribute, bool* unsaid) {
    if (attribute > 0x2000 && attribute <= 0x2000 + 128) {
        return "option" + std::to_string(attribute - 0x2000);
    }
    std::string name = attributeName(attribute, false);
    if (name.empty()) {
        *unsaid = true;
        return numberText(attribute);
    }
    return name;
}

} // namespace

std::string sisxCondition(const sisx::Expression& e, bool* unsaid) {
    const sisx::Expression* left = operandOf(e, 0);
    const sisx::Expression* right = operandOf(e, 1);
    switch (e.op) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
        return sisxOperand(left, unsaid) + comparison(e.op - 1) + sisxOperand(right, unsaid);
    case 7:
        return sisxOperand(left, unsaid) + " AND " + sisxOperand(right, unsaid);
    case 8:
        return sisxOperand(left, unsaid) + " OR " + sisxOperand(right, unsaid);
    case 9:
        return "NOT(" + (left ? sisxCondition(*left, unsaid) : std::string("0")) + ")";
    case 10:
        return "exists(" + quoted(e.text) + ")";
    case 11:
        return "appprop(" + sisxNumber(left, true, unsaid) + "," +
               sisxNumber(right, false, unsaid) + ")";
    case 12:
        return "package(" + sisxNumber(left, true, unsaid) + ")";
    case 13:
        return quoted(e.text);
    case 14:
        return "option" + std::to_string(e.value);
    case 15: {
        const std::string name = attributeName(static_cast<uint32_t>(e.value), true);
        if (name.empty()) {
            *unsaid = true;
            return numberText(e.value);
        }
        return name;
    }
    case 16:
        return numberText(e.value);
    default:
        *unsaid = true;
        return "0";
    }
}

std::string epocCondition(const EpocScript& script, uint32_t node, bool* unsaid) {
    if (node >= script.conditions.size()) {
        *unsaid = true;
        return "0";
    }
    const EpocCondition& c = script.conditions[node];
    switch (c.type) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
        return epocOperand(script, c.left, unsaid) + comparison(c.type) +
               epocOperand(script, c.right, unsaid);
    case 6:
        return epocOperand(script, c.left, unsaid) + " AND " + epocOperand(script, c.right, unsaid);
    case 7:
        return epocOperand(script, c.left, unsaid) + " OR " + epocOperand(script, c.right, unsaid);
    case 8:
        if (c.left < script.conditions.size() && script.conditions[c.left].type == 12) {
            return "exists(" + quoted(script.conditions[c.left].text) + ")";
        }
        *unsaid = true;
        return "0";
    case 9:
        return "devcap(" + epocNumber(script, c.left, false, unsaid) + ")";
    case 10:
        return "appcap(" + epocNumber(script, c.left, true, unsaid) + "," +
               epocNumber(script, c.right, false, unsaid) + ")";
    case 11:
        return "NOT(" + epocCondition(script, c.left, unsaid) + ")";
    case 12:
        return quoted(c.text);
    case 13:
        return epocAttribute(c.value, unsaid);
    case 14:
        return numberText(c.value);
    default:
        *unsaid = true;
        return "0";
    }
}

void writeOrigin(SourceLines& out, const SourceOrigin& origin) {
    out.comment("Package source written by Vorandeck " VORANDECK_VERSION " from " +
                origin.packageName);
    if (!origin.sha256.empty()) {
        out.comment("SHA-256 of " + origin.packageName + ": " + origin.sha256);
    }
    for (const ChainSigner& signer : origin.signers) {
        std::string files;
        for (const std::string& file : signer.files) {
            files += (files.empty() ? "" : ", ") + file;
        }
        out.comment("Signature chain " + std::to_string(signer.chain) + ": signed by " +
                    signer.subject + ", valid until " + dateText(signer.notAfter) +
                    (files.empty() ? "" : "; its certificates: " + files));
    }
    if (!origin.signers.empty()) {
        out.comment("makesis does not sign: sign the rebuilt package with signsis and a "
                    "certificate and key of your own.");
    }
}

void writeLanguages(SourceLines& out, const std::vector<uint32_t>& languages) {
    std::string line = "&";
    for (size_t i = 0; i < languages.size(); ++i) {
        const std::string code = languageCode(languages[i]);
        if (code.empty()) {
            out.comment("Language " + std::to_string(languages[i]) +
                        " has no code in the package file format: it is left out below.");
            continue;
        }
        line += (line.size() > 1 ? "," : "") + code;
    }
    if (line.size() > 1) {
        out.line(line);
    }
}

SourceName sourceName(const PlacedFile& file) {
    SourceName name;
    name.path = file.path;
    name.written = !file.path.empty();
    if (!name.written) {
        name.why = "not written: " +
                   (file.message != 0 ? messageLine(file.message) : std::string("no data"));
    }
    return name;
}

std::string placeOfName(const std::string& name) {
    char place[kPathSize];
    if (composeOutputPath("", name.c_str(), nullptr, place) != OutputPath::Composed) {
        return std::string();
    }
    return place + 1; // after the separator that joined it to the empty folder
}

std::string packageSource(const Package& package, const SourceOrigin& origin,
                          const SourcePlaces& places) {
    SourceLines out;
    writeOrigin(out, origin);
    if (package.sisx) {
        writeSisxSource(out, package, places);
    } else {
        writeEpocSource(out, package, places);
    }
    return out.take();
}
