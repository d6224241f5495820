// Where an extracted file goes, and its folders and output file.
#include "package/extract/output_path.h"

#include <cstring>

#include "common/destinations.h"
#include "common/paths.h"
#include "common/string_ids.h"
#include "package/io/names.h"
#include "package/extract/safe_name.h"

namespace {

// Windows compares paths without regard to ASCII case or the kind of slash.
bool samePath(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        const bool separators = isPathSeparator(*a) && isPathSeparator(*b);
        if (!separators && asciiLower(*a) != asciiLower(*b)) {
            return false;
        }
    }
    return *a == '\0' && *b == '\0';
}

// Appends each element of the install name to `out` (which holds `length`
// bytes) after one backslash.
OutputPath appendElements(const char* install, char* out, size_t length) {
    const char* p = install;
    bool named = false;
    for (;;) {
        while (isPathSeparator(*p)) {
            ++p;
        }
        if (*p == '\0') {
            break;
        }
        size_t elementLength = 0;
        while (p[elementLength] != '\0' && !isPathSeparator(p[elementLength])) {
            ++elementLength;
        }
        if (!isSafePathElement(p, elementLength)) {
            return OutputPath::Unsafe;
        }
        if (elementLength + 1 > kPathSize - 1 - length) {
            return OutputPath::TooLong;
        }
        out[length++] = '\\';
        std::memcpy(out + length, p, elementLength);
        length += elementLength;
        out[length] = '\0';
        p += elementLength;
        named = *p == '\0';
    }
    // Nothing to name the file by, or a name that ends in a separator and so
    // names a folder.
    return named ? OutputPath::Composed : OutputPath::Unsafe;
}

} // namespace

OutputPath composeOutputPath(const char* base, const char* installName, const char* packagePath,
                             char* out) {
    out[0] = '\0';
    const size_t baseLength = std::strlen(base);
    if (baseLength > kPathSize - 1) {
        return OutputPath::TooLong;
    }
    std::memcpy(out, base, baseLength + 1);
    OutputPath result = appendElements(withoutDrive(installName).data(), out, baseLength);
    // Any path of kPathUnits fits the buffer; within it, the units are what counts.
    if (result == OutputPath::Composed && utf16Units(out) > kPathUnits) {
        result = OutputPath::TooLong;
    }
    if (result == OutputPath::Composed && packagePath != nullptr && samePath(out, packagePath)) {
        out[0] = '\0';
        return OutputPath::IsPackage;
    }
    if (result != OutputPath::Composed) {
        out[0] = '\0';
    }
    return result;
}

void folderOf(const char* path, char* out) {
    out[0] = '\0';
    const char* last = nullptr;
    for (const char* p = path; *p != '\0'; ++p) {
        if (isPathSeparator(*p)) {
            last = p;
        }
    }
    if (last != nullptr && static_cast<size_t>(last - path) < kPathSize) {
        std::memcpy(out, path, static_cast<size_t>(last - path));
        out[last - path] = '\0';
    }
}
