#include "display/text.h"

#include <cstring>
#include <cwchar>

#include "common/utf16.h"

namespace {

// LoadString takes the id as a 16-bit resource number; anything wider would be
// folded onto an unrelated string.
bool isStringId(int id) {
    return id >= 0 && id <= 0xFFFF;
}

} // namespace

std::wstring widen(const char* utf8) {
    if (utf8 == nullptr || utf8[0] == '\0')
        return {};
    const int length = static_cast<int>(std::strlen(utf8));
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8, length, nullptr, 0);
    if (units <= 0)
        return {};
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, length, wide.data(), units);
    return wide;
}

size_t narrowInto(const wchar_t* text, char* buffer, size_t size) {
    if (buffer == nullptr || size == 0)
        return 0;
    buffer[0] = '\0';
    if (text == nullptr)
        return 0;
    return utf16ToUtf8(reinterpret_cast<const uint16_t*>(text), std::wcslen(text), buffer, size);
}

void loadStringWide(int id, wchar_t* buffer, size_t size) {
    if (buffer == nullptr || size == 0)
        return;
    buffer[0] = L'\0';
    if (!isStringId(id))
        return;
    // The size argument is an int; our buffers are far below its range.
    LoadStringW(GetModuleHandleW(nullptr), static_cast<UINT>(id), buffer, static_cast<int>(size));
}

void loadStringUtf8(int id, char* buffer, size_t size) {
    wchar_t wide[1024];
    loadStringWide(id, wide, 1024);
    narrowInto(wide, buffer, size);
}

void appendBounded(wchar_t* buffer, size_t size, const wchar_t* text) {
    if (buffer == nullptr || size == 0 || text == nullptr)
        return;
    size_t length = std::wcslen(buffer);
    for (; *text != L'\0'; ++text) {
        const size_t needed = isHighSurrogate(text[0]) && text[1] != L'\0' ? 2 : 1;
        if (length + needed > size - 1)
            break;
        buffer[length++] = text[0];
        if (needed == 2)
            buffer[length++] = *++text;
    }
    buffer[length] = L'\0';
}

void setItemText(HWND dialog, int id, const char* utf8) {
    SetDlgItemTextW(dialog, id, widen(utf8).c_str());
}

void getItemText(HWND dialog, int id, char* buffer, size_t size) {
    if (buffer == nullptr || size == 0)
        return;
    HWND control = GetDlgItem(dialog, id);
    const int length = control != nullptr ? GetWindowTextLengthW(control) : 0;
    std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
    if (length > 0)
        GetWindowTextW(control, wide.data(), length + 1);
    narrowInto(wide.c_str(), buffer, size);
}

bool narrowWhole(const wchar_t* text, char* buffer, size_t size) {
    if (text == nullptr || text[0] == L'\0' || buffer == nullptr)
        return false;
    const std::string whole = utf16ToUtf8(text);
    if (whole.size() >= size)
        return false;
    std::memcpy(buffer, whole.c_str(), whole.size() + 1);
    return true;
}
