#include "package/sisx/sisx_controller.h"

#include "package/sisx/sisx_field.h"

namespace sisx {

namespace {

class ControllerParser {
  public:
    explicit ControllerParser(const ByteSource& source) : in_(source) {}

    bool parseTop(Controller* out) {
        const Span whole = wholeOf(in_.raw().source());
        const Span value = in_.field(kController, whole);
        controller(value, out);
        return in_.ok();
    }

  private:
    void controller(const Span& value, Controller* out);
    void info(const Span& parent, Controller* out);
    void languages(const Span& parent, Controller* out);
    void prerequisites(const Span& parent, Controller* out);
    void chain(const Span& parent, Controller* out);
    void options(const Span& parent, Controller* out);
    void properties(const Span& parent, Controller* out);
    void dateTime(const Span& parent, DateTime* out);
    Dependency dependency(const Span& value);
    Version version(const Span& parent);
    void logo(const Span& parent, Controller* out);
    void installBlock(const Span& parent, InstallBlock* out);
    void fileDescription(const Span& value, FileDescription* out);
    void ifBlock(const Span& value, InstallBlock* owner);
    void expression(const Span& parent, Expression* out);
    uint32_t u32Field(uint32_t type, const Span& parent);
    // An Array of String, each cut to 259 bytes.
    std::vector<std::string> strings(const Span& parent);

    FieldReader in_;
    int embeddedDepth_ = 0;
    int ifDepth_ = 0;
    int expressionDepth_ = 0;
};

std::vector<std::string> ControllerParser::strings(const Span& parent) {
    std::vector<std::string> out;
    const Span list = in_.array(kString, parent);
    while (in_.more(list)) {
        const Span element = in_.element(list);
        out.push_back(in_.text(element, 259));
        in_.leave(element);
    }
    in_.leave(list);
    return out;
}

uint32_t ControllerParser::u32Field(uint32_t type, const Span& parent) {
    const Span span = in_.field(type, parent);
    in_.require(4, span);
    const uint32_t value = in_.raw().u32();
    in_.leave(span);
    return value;
}

void ControllerParser::controller(const Span& value, Controller* out) {
    out->firstMemberOffset = in_.position();
    out->endOffset = value.end;
    info(value, out);
    options(value, out);
    languages(value, out);
    prerequisites(value, out);
    properties(value, out);
    if (in_.peek(kLogo, value)) {
        logo(value, out);
    }
    installBlock(value, &out->block);
    while (in_.ok() && in_.peek(kSignatureCertificateChain, value)) {
        chain(value, out);
    }
    out->dataIndex = u32Field(kDataIndex, value);
}

void ControllerParser::info(const Span& parent, Controller* out) {
    const Span value = in_.field(kInfo, parent);
    out->uid = u32Field(kUid, value);
    out->uniqueVendorName = in_.string(value);
    out->names = strings(value);
    if (!out->names.empty()) {
        out->firstName = out->names.front();
    }
    out->vendorNames = strings(value);
    const Version v = version(value);
    out->versionMajor = v.major;
    out->versionMinor = v.minor;
    out->versionBuild = v.build;
    dateTime(value, &out->created);
    CheckedReader& raw = in_.raw();
    in_.require(2, value);
    out->installType = raw.u8();
    out->installFlags = raw.u8();
    in_.leave(value);
}

void ControllerParser::options(const Span& parent, Controller* out) {
    const Span value = in_.field(kSupportedOptions, parent);
    const Span list = in_.array(kSupportedOption, value);
    while (in_.more(list)) {
        const Span option = in_.element(list);
        std::vector<std::string> texts = strings(option);
        in_.leave(option);
        if (in_.ok()) {
            out->options.push_back(std::move(texts));
        }
    }
    in_.leave(list);
    in_.leave(value);
}

void ControllerParser::properties(const Span& parent, Controller* out) {
    const Span value = in_.field(kProperties, parent);
    const Span list = in_.array(kProperty, value);
    while (in_.more(list)) {
        const Span property = in_.element(list);
        in_.require(8, property);
        Property entry;
        entry.key = static_cast<int32_t>(in_.raw().u32());
        entry.value = static_cast<int32_t>(in_.raw().u32());
        in_.leave(property);
        if (in_.ok()) {
            out->properties.push_back(entry);
        }
    }
    in_.leave(list);
    in_.leave(value);
}

Version ControllerParser::version(const Span& parent) {
    const Span value = in_.field(kVersion, parent);
    CheckedReader& raw = in_.raw();
    in_.require(12, value);
    Version out;
    out.major = static_cast<int32_t>(raw.u32());
    out.minor = static_cast<int32_t>(raw.u32());
    out.build = static_cast<int32_t>(raw.u32());
    in_.leave(value);
    return out;
}

void ControllerParser::dateTime(const Span& parent, DateTime* out) {
    const Span value = in_.field(kDateTime, parent);
    CheckedReader& raw = in_.raw();
    const Span date = in_.field(kDate, value);
    in_.require(4, date);
    out->year = raw.u16();
    out->month = raw.u8();
    out->day = raw.u8();
    in_.leave(date);
    const Span time = in_.field(kTime, value);
    in_.require(3, time);
    out->hours = raw.u8();
    out->minutes = raw.u8();
    out->seconds = raw.u8();
    in_.leave(time);
    in_.leave(value);
}

Dependency ControllerParser::dependency(const Span& value) {
    Dependency out;
    out.uid = u32Field(kUid, value);
    if (in_.peek(kVersionRange, value)) {
        const Span range = in_.field(kVersionRange, value);
        out.range.hasFrom = true;
        out.range.from = version(range);
        if (in_.peek(kVersion, range)) {
            out.range.hasTo = true;
            out.range.to = version(range);
        }
        in_.leave(range);
    }
    out.names = strings(value);
    in_.leave(value);
    return out;
}

void ControllerParser::logo(const Span& parent, Controller* out) {
    const Span value = in_.field(kLogo, parent);
    const Span file = in_.field(kFileDescription, value);
    fileDescription(file, &out->logo);
    in_.leave(file);
    in_.leave(value);
    out->hasLogo = in_.ok();
}

void ControllerParser::languages(const Span& parent, Controller* out) {
    const Span value = in_.field(kSupportedLanguages, parent);
    const Span list = in_.array(kLanguage, value);
    while (in_.more(list)) {
        const Span language = in_.element(list);
        in_.require(4, language);
        const uint32_t code = in_.raw().u32();
        if (in_.ok()) {
            out->languages.push_back(code);
        }
        in_.leave(language);
    }
    in_.leave(value);
}

void ControllerParser::prerequisites(const Span& parent, Controller* out) {
    const Span value = in_.field(kPrerequisites, parent);
    const Span devices = in_.array(kDependency, value);
    while (in_.more(devices)) {
        Dependency device = dependency(in_.element(devices));
        if (in_.ok()) {
            out->targetDevices.push_back(std::move(device));
        }
    }
    in_.leave(devices);
    const Span dependencies = in_.array(kDependency, value);
    while (in_.more(dependencies)) {
        Dependency other = dependency(in_.element(dependencies));
        if (in_.ok()) {
            out->dependencies.push_back(std::move(other));
            ++out->dependencyCount;
        }
    }
    in_.leave(dependencies);
    in_.leave(value);
}

void ControllerParser::chain(const Span& parent, Controller* out) {
    SignatureChain chain;
    chain.offset = in_.position();
    const Span value = in_.field(kSignatureCertificateChain, parent);
    const Span signatures = in_.array(kSignature, value);
    for (bool first = out->chainCount == 0; in_.more(signatures); first = false) {
        const Span signature = in_.element(signatures);
        const Span algorithm = in_.field(kSignatureAlgorithm, signature);
        Signature entry;
        entry.algorithm = in_.string(algorithm);
        if (first) {
            out->firstAlgorithm = entry.algorithm;
        }
        in_.leave(algorithm);
        const Span blob = in_.field(kBlob, signature);
        entry.offset = blob.begin;
        entry.length = blob.length();
        in_.leave(blob);
        in_.leave(signature);
        chain.signatures.push_back(std::move(entry));
    }
    in_.leave(signatures);
    const Span certificates = in_.field(kCertificateChain, value);
    const Span blob = in_.field(kBlob, certificates);
    chain.certificatesOffset = blob.begin;
    chain.certificatesLength = blob.length();
    in_.leave(blob);
    in_.leave(certificates);
    in_.leave(value);
    if (in_.ok()) {
        ++out->chainCount;
        out->chainOffsets.push_back(chain.offset);
        out->chains.push_back(std::move(chain));
    }
}

void ControllerParser::installBlock(const Span& parent, InstallBlock* out) {
    const Span value = in_.field(kInstallBlock, parent);
    const Span files = in_.array(kFileDescription, value);
    while (in_.more(files)) {
        const Span file = in_.element(files);
        FileDescription description;
        fileDescription(file, &description);
        in_.leave(file);
        if (in_.ok()) {
            out->files.push_back(std::move(description));
        }
    }
    in_.leave(files);

    const Span embedded = in_.array(kController, value);
    ++embeddedDepth_;
    while (in_.more(embedded)) {
        if (embeddedDepth_ > kMaxEmbeddedDepth) {
            in_.fail();
            break;
        }
        const Span package = in_.element(embedded);
        Controller child;
        controller(package, &child);
        in_.leave(package);
        if (in_.ok()) {
            out->embedded.push_back(std::move(child));
        }
    }
    --embeddedDepth_;
    in_.leave(embedded);

    const Span ifs = in_.array(kIf, value);
    while (in_.more(ifs)) {
        const Span block = in_.element(ifs);
        ifBlock(block, out);
        in_.leave(block);
    }
    in_.leave(ifs);
    in_.leave(value);
}

void ControllerParser::fileDescription(const Span& value, FileDescription* out) {
    out->target = in_.name(value, &out->targetTooLong);
    out->mimeType = in_.string(value);
    if (in_.peek(kCapabilities, value)) {
        // A bit field of any length; the named capabilities are in its first word.
        const Span capabilities = in_.field(kCapabilities, value);
        unsigned char word[4] = {};
        in_.raw().someAt(capabilities.begin, word,
                         capabilities.length() < 4 ? static_cast<size_t>(capabilities.length())
                                                   : 4);
        out->capabilities = le32(word);
        out->hasCapabilities = true;
        in_.leave(capabilities);
    }
    const Span hash = in_.field(kHash, value);
    CheckedReader& raw = in_.raw();
    in_.require(4, hash);
    const uint32_t algorithm = raw.u32();
    const Span digest = in_.field(kBlob, hash);
    if (algorithm == 1 && digest.length() == sizeof out->sha1) {
        out->hasSha1 = raw.bytes(out->sha1, sizeof out->sha1);
    }
    in_.leave(digest);
    in_.leave(hash);
    in_.require(28, value);
    out->operation = raw.u32();
    out->options = raw.u32();
    out->length = raw.u64();
    out->uncompressedLength = raw.u64();
    out->fileIndex = raw.u32();
}

void ControllerParser::ifBlock(const Span& value, InstallBlock* owner) {
    if (++ifDepth_ > kMaxIfDepth) {
        in_.fail();
    }
    BranchCondition opening;
    expression(value, &opening.condition);
    InstallBlock branch;
    installBlock(value, &branch);
    if (in_.ok()) {
        owner->branches.push_back(std::move(branch));
        owner->conditions.push_back(std::move(opening));
    }
    const Span elseIfs = in_.array(kElseIf, value);
    while (in_.more(elseIfs)) {
        const Span elseIf = in_.element(elseIfs);
        BranchCondition alternativeCondition;
        alternativeCondition.opensIf = false;
        expression(elseIf, &alternativeCondition.condition);
        InstallBlock alternative;
        installBlock(elseIf, &alternative);
        in_.leave(elseIf);
        if (in_.ok()) {
            owner->branches.push_back(std::move(alternative));
            owner->conditions.push_back(std::move(alternativeCondition));
        }
    }
    in_.leave(elseIfs);
    --ifDepth_;
}

void ControllerParser::expression(const Span& parent, Expression* out) {
    if (!in_.ok()) {
        return;
    }
    const Span value = in_.field(kExpression, parent);
    if (++expressionDepth_ > kMaxExpressionDepth) {
        in_.fail();
    }
    in_.require(8, value);
    out->op = in_.raw().u32();
    out->value = static_cast<int32_t>(in_.raw().u32());
    if (in_.peek(kString, value)) {
        out->hasText = true;
        out->text = in_.string(value);
    }
    // Left, then right: each is there only when its type word says so.
    for (int operand = 0; operand < 2 && in_.ok() && in_.peek(kExpression, value); ++operand) {
        out->operands.emplace_back();
        expression(value, &out->operands.back());
    }
    in_.leave(value);
    --expressionDepth_;
}

} // namespace

bool parseController(const ByteSource& controller, Controller* out) {
    *out = Controller();
    ControllerParser parser(controller);
    return parser.parseTop(out);
}

} // namespace sisx
