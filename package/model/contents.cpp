#include "package/model/contents.h"

#include <cstring>

namespace {

// A component lands in the top of the destination: its last element with the
// backslash before it. A name without a backslash is kept whole.
TextRef lastElement(const Contents& contents, TextRef name) {
    const char* text = contents.text(name);
    const char* last = std::strrchr(text, '\\');
    if (last != nullptr && last != text) {
        const uint32_t cut = static_cast<uint32_t>(last - text);
        name.offset += cut;
        name.length -= cut;
    }
    return name;
}

// A variant's name carries at most the first two digits of its number.
uint32_t firstTwoDigits(uint32_t number) {
    while (number >= 100) {
        number /= 10;
    }
    return number;
}

// Each language variant of a multi-language record, numbered by its place
// among the package's languages. The arrays lay whole in the package when it
// was read; a word it does not hold reads as 0, a variant without data.
void addVariants(const ByteSource& source, const Contents& contents, const PackageEntry& entry,
                 PackageFile file, std::vector<PackageFile>* files) {
    const uint32_t n = entry.fileCount;
    const uint64_t at = entry.dataOffset;
    CheckedReader values(source);
    for (uint32_t j = 0; j < n; ++j) {
        file.data.length = values.u32At(at + 4ull * j);
        file.data.offset = values.u32At(at + 4ull * n + 4ull * j);
        file.data.originalLength =
            entry.withOriginalLengths ? values.u32At(at + 8ull * n + 4ull * j) : file.data.length;
        file.data.coding =
            codingWhereStored(source, file.data.offset, file.data.length, entry.coding);
        file.number = firstTwoDigits(j + 1);
        file.language = contents.variantLanguage(entry, j);
        files->push_back(file);
    }
}

} // namespace

StoredCoding codingWhereStored(const ByteSource& source, uint64_t offset, uint64_t length,
                               StoredCoding coding) {
    if (offset == 0 || source.range(offset, length).size() == 0) {
        return StoredCoding::Missing;
    }
    return coding;
}

TextRef Contents::addName(std::string_view name) {
    TextRef ref;
    ref.offset = static_cast<uint32_t>(names.size());
    ref.length = static_cast<uint32_t>(name.size());
    names.append(name.data(), name.size());
    names += '\0';
    return ref;
}

std::string Contents::extractionName(const PackageFile& file) const {
    std::string name(text(file.name), file.name.length);
    if (file.number != 0) {
        name += std::to_string(file.number);
    }
    return name;
}

uint32_t Contents::addDigest(const unsigned char (&sha1)[20]) {
    Sha1Digest digest;
    std::memcpy(digest.data(), sha1, digest.size());
    digests.push_back(digest);
    return static_cast<uint32_t>(digests.size() - 1);
}

uint32_t Contents::variantLanguage(const PackageEntry& entry, uint32_t variant) const {
    return entry.languageVariants && variant < languages.size() ? languages[variant] : kNoLanguage;
}

std::vector<PackageFile> filesOf(const ByteSource& source, const Contents& contents,
                                 uint32_t index) {
    if (index >= contents.entries.size()) {
        return std::vector<PackageFile>();
    }
    return filesOfEntry(source, contents, index, contents.entries[index]);
}

std::vector<PackageFile> filesOfEntry(const ByteSource& source, const Contents& contents,
                                      uint32_t index, const PackageEntry& entry) {
    std::vector<PackageFile> files;
    if (entry.fileCount == 0) {
        return files;
    }
    PackageFile file;
    file.entry = index;
    file.name = entry.kind == FileComponent ? lastElement(contents, entry.name) : entry.name;
    file.number = entry.number;
    file.digest = entry.digest;
    file.nameTooLong = entry.nameTooLong;
    if (entry.languageVariants) {
        addVariants(source, contents, entry, file, &files);
        return files;
    }
    file.data.offset = entry.dataOffset;
    file.data.length = entry.dataLength;
    file.data.originalLength = entry.originalLength;
    file.data.coding = entry.coding;
    files.push_back(file);
    return files;
}

uint64_t fileCountOf(const Contents& contents) {
    uint64_t count = 0;
    for (const PackageEntry& entry : contents.entries) {
        count += entry.fileCount;
    }
    return count;
}

std::vector<PackageFile> allFiles(const ByteSource& source, const Contents& contents) {
    std::vector<PackageFile> files;
    forEachFile(source, contents, [&files](const PackageFile& file) {
        files.push_back(file);
        return true;
    });
    return files;
}
