#include "display/language_names.h"

#include "common/string_ids.h"
#include "display/text.h"

namespace {

constexpr uint32_t kOlderNamedLanguages = 100;
constexpr uint32_t kLastNamedLanguage = 327; // of the Symbian OS 9 names
constexpr size_t kNameSize = 250;

} // namespace

std::wstring languageName(PackageKind kind, uint32_t code) {
    const uint32_t named =
        kind == PackageKind::Epoc ? kOlderNamedLanguages : kLastNamedLanguage + 1;
    if (code >= named)
        return std::wstring();
    wchar_t name[kNameSize] = {};
    loadStringWide(IdsLanguageBase + static_cast<int>(code), name, kNameSize);
    return name;
}
