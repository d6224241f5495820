#include "package/model/contents.h"

#include <cstring>

TextRef Contents::addName(const std::string& name) {
    TextRef ref;
    ref.offset = static_cast<uint32_t>(names.size());
    ref.length = static_cast<uint32_t>(name.size());
    names += name;
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
