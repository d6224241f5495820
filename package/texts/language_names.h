#pragma once
// The one rule that names a language code of a package.
#include <cstdint>
#include <string>

#include "package/model/package_kind.h"

// The name of language `code` in a package of `kind`, from the program's
// strings; "" for a code the format has no name for. The older format's codes
// end at 99 (its last language, ELangOther, lies below them), so a higher code
// in such a package is no language of its; Symbian OS 9 names codes up to 327.
std::string languageName(PackageKind kind, uint32_t code);

// A language's name where a text must name it: its name, or "language N" for a
// code its format has no name for.
std::string languageLabel(PackageKind kind, uint32_t code);
