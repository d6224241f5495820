#include "package/texts/language_names.h"

#include "common/string_ids.h"
#include "common/string_table.h"

namespace {

constexpr uint32_t kOlderNamedLanguages = 100;
constexpr uint32_t kLastNamedLanguage = 327; // of the Symbian OS 9 names

} // namespace

std::string languageName(PackageKind kind, uint32_t code) {
    const uint32_t named =
        kind == PackageKind::Epoc ? kOlderNamedLanguages : kLastNamedLanguage + 1;
    return code < named ? programText(IdsLanguageBase + static_cast<int>(code)) : "";
}

std::string languageLabel(PackageKind kind, uint32_t code) {
    const std::string name = languageName(kind, code);
    return name.empty() ? "language " + std::to_string(code) : name;
}
