#include <cwchar>
#include <string>

#include "display/display_functions.h"
#include "common/string_ids.h"
#include "display/text.h"

namespace {

constexpr size_t kCaptionSize = 20;
constexpr size_t kStringSize = 150;
constexpr size_t kTextSize = 300;

UINT messageBoxType(int kind) {
    switch (kind) {
    case KindError:
        return MB_ICONERROR | MB_OK;
    case KindInformation:
        return MB_ICONINFORMATION | MB_OK;
    case KindSuccess:
        return MB_ICONEXCLAMATION | MB_OK;
    case KindAbout:
        return MB_ICONINFORMATION | MB_OK;
    case KindQuestion:
        return MB_ICONQUESTION | MB_YESNO;
    default:
        return 0;
    }
}

// Prefix and suffix exclude each other: a caller passing both gets the main text alone.
void composeText(wchar_t* text, int textId, int suffixId, const char* prefixText) {
    wchar_t string[kStringSize] = {};
    if (suffixId == 0 && prefixText != nullptr)
        appendBounded(text, kTextSize, widen(prefixText).c_str());
    loadStringWide(textId, string, kStringSize);
    appendBounded(text, kTextSize, string);
    if (suffixId != 0 && prefixText == nullptr) {
        loadStringWide(suffixId, string, kStringSize);
        appendBounded(text, kTextSize, string);
    }
}

} // namespace

int DisplayFunctions::showMessage(int kind, int textId, int suffixId, const char* prefixText) {
    wchar_t caption[kCaptionSize] = {};
    wchar_t text[kTextSize] = {};
    loadStringWide(kind, caption, kCaptionSize);
    composeText(text, textId, suffixId, prefixText);
    return MessageBoxW(mainWindow, text, caption, messageBoxType(kind));
}

int DisplayFunctions::showCountQuestion(int textId, long count) {
    wchar_t caption[kCaptionSize] = {};
    wchar_t string[kStringSize] = {};
    loadStringWide(KindQuestion, caption, kCaptionSize);
    loadStringWide(textId, string, kStringSize);
    // The number goes in by hand: a string from the table is never a format.
    std::wstring text = string;
    const size_t at = text.find(L"%d");
    if (at != std::wstring::npos)
        text.replace(at, 2, std::to_wstring(count));
    return MessageBoxW(mainWindow, text.c_str(), caption, messageBoxType(KindQuestion));
}
