#pragma once
// Reading and arranging the settings key in the test prefix's real registry.
#include <windows.h>

#include <string>
#include <vector>

extern const char kSettingsKey[];

struct StoredValue {
    bool present = false;
    DWORD type = REG_NONE;
    std::vector<BYTE> data; // as the narrow functions see it
};

// Removes the settings key under root, and the vendor key above it when empty.
void deleteSettingsKey(HKEY root);
bool settingsKeyExists(HKEY root);
StoredValue storedValue(HKEY root, const char* name);
DWORD storedNumber(HKEY root, const char* name);
std::string storedText(HKEY root, const char* name); // up to the first terminator

// Creates the key when needed and stores one value.
void storeValue(HKEY root, const char* name, DWORD type, const void* data, DWORD size);
void storeNumber(HKEY root, const char* name, DWORD value);
void storeWideText(HKEY root, const char* name, const std::wstring& text);

// A key under which no lasting key can be created: it is volatile, and a volatile
// key takes volatile children only.
class RefusingRoot {
  public:
    RefusingRoot();
    ~RefusingRoot();
    RefusingRoot(const RefusingRoot&) = delete;
    RefusingRoot& operator=(const RefusingRoot&) = delete;
    HKEY key() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

// Starts a test with no settings key under either root, and puts back at its end
// whatever keys and values were there before.
class CleanSettingsKeys {
  public:
    CleanSettingsKeys();
    ~CleanSettingsKeys();
    CleanSettingsKeys(const CleanSettingsKeys&) = delete;
    CleanSettingsKeys& operator=(const CleanSettingsKeys&) = delete;

  private:
    struct Saved {
        bool existed = false;
        std::vector<StoredValue> values;
    };
    const HKEY kRoots[2] = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER};
    Saved saved_[2];
};
