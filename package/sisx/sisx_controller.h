#pragma once
// A Symbian OS 9 controller as this program keeps it: what the header panel,
// the list and the extraction need of each package, install block and file.
#include <cstdint>
#include <string>
#include <vector>

#include "package/io/byte_source.h"

namespace sisx {

// A file description's operation, and the options of one that is shown or opened.
constexpr uint32_t kOperationInstall = 1;
constexpr uint32_t kOperationRun = 2;
constexpr uint32_t kOperationText = 4;
constexpr uint32_t kOperationNull = 8;
constexpr uint32_t kOptionOpenByMime = 8;

struct FileDescription {
    std::string target; // UTF-8, whole up to kMaxNameUnits units
    std::string mimeType;
    bool targetTooLong = false;
    bool hasCapabilities = false;
    uint32_t capabilities = 0; // bits 0 to 31 of the capabilities it asks for
    uint32_t operation = 0;
    uint32_t options = 0;
    uint64_t length = 0; // stored
    uint64_t uncompressedLength = 0;
    uint32_t fileIndex = 0;
    bool hasSha1 = false;
    unsigned char sha1[20] = {};
};

struct Version {
    int32_t major = 0;
    int32_t minor = 0;
    int32_t build = 0;
};

// A version range; a bound that is not given is open.
struct VersionRange {
    bool hasFrom = false;
    Version from;
    bool hasTo = false;
    Version to;
};

// A target device or platform, or another package, that a package needs.
struct Dependency {
    uint32_t uid = 0;
    VersionRange range;
    std::vector<std::string> names; // per language
};

// One signature of a chain: its algorithm and where its value lies in the
// controller's bytes.
struct Signature {
    std::string algorithm; // an object identifier in dotted form, as stored
    uint64_t offset = 0;
    uint64_t length = 0;
};

// A signature chain: the bytes of the controller from its first member up to
// `offset` are what it signs.
struct SignatureChain {
    uint64_t offset = 0;
    std::vector<Signature> signatures;
    uint64_t certificatesOffset = 0; // DER certificates one after another
    uint64_t certificatesLength = 0;
};

// When the package was made, as it records it (month 0 is January).
struct DateTime {
    uint16_t year = 0;
    uint8_t month = 0;
    uint8_t day = 0;
    uint8_t hours = 0;
    uint8_t minutes = 0;
    uint8_t seconds = 0;
};

struct Controller;

// A condition of an If or ElseIf as stored: an operator, its integer and
// string values, and its left and right operands where it has them.
struct Expression {
    uint32_t op = 0;
    int32_t value = 0;
    bool hasText = false;
    std::string text; // UTF-8
    std::vector<Expression> operands;
};

// One branch of an If block: its condition, and whether it is the If itself
// (else an ElseIf of the If before it).
struct BranchCondition {
    Expression condition;
    bool opensIf = true;
};

// An install block with its If blocks flattened: `branches` holds, for each If
// in stored order, its own block and then the block of each of its ElseIfs,
// and `conditions` the condition of each of them.
struct InstallBlock {
    std::vector<FileDescription> files;
    std::vector<Controller> embedded;
    std::vector<InstallBlock> branches;
    std::vector<BranchCondition> conditions;
};

// A property a package declares for others to test (AppProp).
struct Property {
    int32_t key = 0;
    int32_t value = 0;
};

struct Controller {
    uint32_t uid = 0;
    std::string firstName; // the name in the package's first language
    std::string uniqueVendorName;
    std::vector<std::string> names;       // per language, in the order of `languages`
    std::vector<std::string> vendorNames; // likewise
    int32_t versionMajor = 0;
    int32_t versionMinor = 0;
    int32_t versionBuild = 0;
    uint8_t installType = 0;
    uint8_t installFlags = 0;
    DateTime created;
    std::vector<uint32_t> languages;
    std::vector<Dependency> targetDevices;
    std::vector<Dependency> dependencies;
    std::vector<std::vector<std::string>> options; // each option's text per language
    std::vector<Property> properties;
    bool hasLogo = false;
    FileDescription logo;
    uint32_t dependencyCount = 0;
    uint32_t chainCount = 0;
    std::string firstAlgorithm; // of the first chain's first signature, as stored
    // Where, in the controller's bytes, its first member starts and each
    // signature chain starts: a chain signs the bytes between the two.
    uint64_t firstMemberOffset = 0;
    uint64_t endOffset = 0; // past its last member: the value runs from firstMemberOffset
    std::vector<uint64_t> chainOffsets;
    std::vector<SignatureChain> chains;
    InstallBlock block;
    uint32_t dataIndex = 0; // relative to the parent's data unit
};

// Nesting beyond these makes a controller unreadable: no real package comes
// near them, and they keep the reader's recursion shallow.
constexpr int kMaxEmbeddedDepth = 8;
constexpr int kMaxIfDepth = 64;
constexpr int kMaxExpressionDepth = 100;

// Parses the controller field (type and length included) that `controller`
// holds at its start. Returns false when any part of it cannot be read.
bool parseController(const ByteSource& controller, Controller* out);

} // namespace sisx
