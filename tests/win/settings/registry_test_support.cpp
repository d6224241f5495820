#include "tests/win/settings/registry_test_support.h"

#include <cstring>

const char kSettingsKey[] = "SOFTWARE\\Vorandeck\\Vorandeck v1.0";

namespace {

const char kVendorKey[] = "SOFTWARE\\Vorandeck";
const char kRefusingKey[] = "Software\\VorandeckTestVolatile";

HKEY openSettingsKey(HKEY root) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

} // namespace

void deleteSettingsKey(HKEY root) {
    RegDeleteTreeA(root, kSettingsKey);
    RegDeleteKeyA(root, kSettingsKey);
    RegDeleteKeyA(root, kVendorKey); // fails, as it should, while other keys live there
}

bool settingsKeyExists(HKEY root) {
    HKEY key = openSettingsKey(root);
    if (key == nullptr)
        return false;
    RegCloseKey(key);
    return true;
}

StoredValue storedValue(HKEY root, const char* name) {
    StoredValue value;
    HKEY key = openSettingsKey(root);
    if (key == nullptr)
        return value;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.present = true;
        value.data.resize(size);
        RegQueryValueExA(key, name, nullptr, &value.type, value.data.data(), &size);
        value.data.resize(size);
    }
    RegCloseKey(key);
    return value;
}

DWORD storedNumber(HKEY root, const char* name) {
    const StoredValue value = storedValue(root, name);
    DWORD number = 0xDEADBEEF;
    if (value.present && value.data.size() == sizeof number)
        memcpy(&number, value.data.data(), sizeof number);
    return number;
}

std::string storedText(HKEY root, const char* name) {
    const StoredValue value = storedValue(root, name);
    std::string text(value.data.begin(), value.data.end());
    return text.substr(0, text.find('\0'));
}

void storeValue(HKEY root, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    if (name != nullptr)
        RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

void storeNumber(HKEY root, const char* name, DWORD value) {
    storeValue(root, name, REG_DWORD, &value, sizeof value);
}

void storeWideText(HKEY root, const char* name, const std::wstring& text) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    const std::wstring wideName(name, name + strlen(name));
    RegSetValueExW(key, wideName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

RefusingRoot::RefusingRoot() {
    RegDeleteTreeA(HKEY_CURRENT_USER, kRefusingKey);
    RegCreateKeyExA(HKEY_CURRENT_USER, kRefusingKey, 0, nullptr, REG_OPTION_VOLATILE,
                    KEY_ALL_ACCESS, nullptr, &key_, nullptr);
}

RefusingRoot::~RefusingRoot() {
    if (key_ != nullptr)
        RegCloseKey(key_);
    RegDeleteTreeA(HKEY_CURRENT_USER, kRefusingKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, kRefusingKey);
}

namespace {

const char* const kValueNames[] = {"OverwriteFiles", "AskExit", "DefaultDest", "SortFiles",
                                   "DestDir"};

} // namespace

CleanSettingsKeys::CleanSettingsKeys() {
    for (size_t i = 0; i < 2; ++i) {
        saved_[i].existed = settingsKeyExists(kRoots[i]);
        for (const char* name : kValueNames)
            saved_[i].values.push_back(storedValue(kRoots[i], name));
        deleteSettingsKey(kRoots[i]);
    }
}

CleanSettingsKeys::~CleanSettingsKeys() {
    for (size_t i = 0; i < 2; ++i) {
        deleteSettingsKey(kRoots[i]);
        if (!saved_[i].existed)
            continue;
        storeValue(kRoots[i], nullptr, REG_NONE, nullptr, 0);
        for (size_t v = 0; v < saved_[i].values.size(); ++v) {
            const StoredValue& value = saved_[i].values[v];
            if (value.present)
                storeValue(kRoots[i], kValueNames[v], value.type, value.data.data(),
                           static_cast<DWORD>(value.data.size()));
        }
    }
}
