// The settings store against the test prefix's real registry.
#include <gtest/gtest.h>

#include <string>

#include "settings/registry_functions.h"
#include "tests/win/settings/registry_test_support.h"
#include "tests/win/support/ui_driver.h"

namespace {

struct Fields {
    DWORD overwriteFiles;
    DWORD askExit;
    DWORD defaultDest;
    DWORD sortFiles;
    std::string destDir;
};

void expectFields(const RegistryFunctions& settings, const Fields& expected) {
    EXPECT_EQ(settings.OverwriteFiles, expected.overwriteFiles);
    EXPECT_EQ(settings.AskExit, expected.askExit);
    EXPECT_EQ(settings.DefaultDest, expected.defaultDest);
    EXPECT_EQ(settings.SortFiles, expected.sortFiles);
    EXPECT_EQ(std::string(settings.DestDir), expected.destDir);
}

void expectDefaultsStored(HKEY root) {
    const struct {
        const char* name;
        DWORD value;
    } defaults[] = {{"OverwriteFiles", 1}, {"AskExit", 1}, {"DefaultDest", 500}, {"SortFiles", 1}};
    for (const auto& entry : defaults) {
        const StoredValue stored = storedValue(root, entry.name);
        EXPECT_TRUE(stored.present) << entry.name;
        EXPECT_EQ(stored.type, static_cast<DWORD>(REG_DWORD)) << entry.name;
        EXPECT_EQ(storedNumber(root, entry.name), entry.value) << entry.name;
    }
    EXPECT_FALSE(storedValue(root, "DestDir").present);
}

class SettingsStore : public ::testing::Test {
  protected:
    CleanSettingsKeys clean_;
    UiScript script_; // an unexpected message box is recorded, never left hanging
};

TEST_F(SettingsStore, FirstStartCreatesTheKeyWithDefaults) {
    RegistryFunctions settings{RegistryFunctions::NoLoad{}};
    settings.loadSettings(HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER);

    EXPECT_EQ(settings.lastCreateResult, ERROR_SUCCESS);
    EXPECT_NE(settings.key, nullptr);
    expectFields(settings, {1, 1, 500, 1, ""});
    expectDefaultsStored(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(settingsKeyExists(HKEY_CURRENT_USER)) << "the fallback was not needed";
    EXPECT_TRUE(script_.boxes().empty());
}

TEST_F(SettingsStore, TheDefaultConstructorLoadsUnderTheLocalMachine) {
    RegistryFunctions settings;
    expectFields(settings, {1, 1, 500, 1, ""});
    expectDefaultsStored(HKEY_LOCAL_MACHINE);
}

struct StoredCase {
    const char* name;
    void (*arrange)();
    Fields expected;
};

const std::string kLongestFolder = "C:\\" + std::string(96, 'f'); // 99 characters

const StoredCase kStoredCases[] = {
    {"all five are read back",
     [] {
         storeNumber(HKEY_LOCAL_MACHINE, "OverwriteFiles", 0);
         storeNumber(HKEY_LOCAL_MACHINE, "AskExit", 0);
         storeNumber(HKEY_LOCAL_MACHINE, "SortFiles", 1);
         storeNumber(HKEY_LOCAL_MACHINE, "DefaultDest", 502);
         storeValue(HKEY_LOCAL_MACHINE, "DestDir", REG_SZ, "D:\\Out", 8);
     },
     {0, 0, 502, 1, "D:\\Out"}},
    {"a missing DestDir leaves it empty",
     [] {
         storeNumber(HKEY_LOCAL_MACHINE, "OverwriteFiles", 1);
         storeNumber(HKEY_LOCAL_MACHINE, "AskExit", 0);
         storeNumber(HKEY_LOCAL_MACHINE, "SortFiles", 0);
         storeNumber(HKEY_LOCAL_MACHINE, "DefaultDest", 501);
     },
     {1, 0, 501, 0, ""}},
    {"an existing empty key gets no defaults",
     [] { storeValue(HKEY_LOCAL_MACHINE, nullptr, REG_NONE, nullptr, 0); },
     {0, 0, 0, 0, ""}},
    {"a value larger than its field is left out",
     [] {
         const ULONGLONG wide = 1;
         storeValue(HKEY_LOCAL_MACHINE, "OverwriteFiles", REG_QWORD, &wide, sizeof wide);
         storeNumber(HKEY_LOCAL_MACHINE, "AskExit", 1);
         const std::string tooLong(199, 'x');
         storeValue(HKEY_LOCAL_MACHINE, "DestDir", REG_SZ, tooLong.c_str(), 200);
     },
     {0, 1, 0, 0, ""}},
    {"a stored 2 is kept as it is",
     [] { storeNumber(HKEY_LOCAL_MACHINE, "OverwriteFiles", 2); },
     {2, 0, 0, 0, ""}},
    {"a 100-byte DestDir as the program writes it fits",
     [] {
         std::string field = kLongestFolder;
         field.resize(100, '\0');
         storeValue(HKEY_LOCAL_MACHINE, "DestDir", REG_SZ, field.data(), 100);
     },
     {0, 0, 0, 0, kLongestFolder}},
    {"a folder outside the ANSI code page arrives as UTF-8",
     [] {
         storeWideText(HKEY_LOCAL_MACHINE, "DestDir",
                       L"C:\\B\u00fccher\\\u0395\u03bb\u03bb\u03ac\u03b4\u03b1");
     },
     {0, 0, 0, 0,
      "C:\\B\xc3\xbc"
      "cher\\\xce\x95\xce\xbb\xce\xbb\xce\xac\xce\xb4\xce\xb1"}},
    {"a folder whose UTF-8 form overflows the field is left out",
     [] { storeWideText(HKEY_LOCAL_MACHINE, "DestDir", L"C:\\" + std::wstring(60, L'\u00e9')); },
     {0, 0, 0, 0, ""}},
};

TEST_F(SettingsStore, ALaterStartReadsTheStoredValues) {
    for (const StoredCase& entry : kStoredCases) {
        SCOPED_TRACE(entry.name);
        deleteSettingsKey(HKEY_LOCAL_MACHINE);
        entry.arrange();
        RegistryFunctions settings{RegistryFunctions::NoLoad{}};
        settings.loadSettings(HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER);
        EXPECT_EQ(settings.lastCreateResult, ERROR_SUCCESS);
        expectFields(settings, entry.expected);
    }
    EXPECT_TRUE(script_.boxes().empty());
}

TEST_F(SettingsStore, AnExistingKeyIsNeitherRewrittenNorGivenDefaults) {
    storeNumber(HKEY_LOCAL_MACHINE, "AskExit", 0);
    RegistryFunctions settings{RegistryFunctions::NoLoad{}};
    settings.loadSettings(HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER);
    EXPECT_FALSE(storedValue(HKEY_LOCAL_MACHINE, "OverwriteFiles").present);
    EXPECT_FALSE(storedValue(HKEY_LOCAL_MACHINE, "DefaultDest").present);
    EXPECT_EQ(storedNumber(HKEY_LOCAL_MACHINE, "AskExit"), 0u);
}

TEST_F(SettingsStore, AnUnusableLocalMachineFallsBackToTheCurrentUser) {
    RefusingRoot refusing;
    ASSERT_NE(refusing.key(), nullptr);

    RegistryFunctions first{RegistryFunctions::NoLoad{}};
    first.loadSettings(refusing.key(), HKEY_CURRENT_USER);
    EXPECT_EQ(first.lastCreateResult, ERROR_SUCCESS);
    EXPECT_NE(first.key, nullptr);
    expectFields(first, {1, 1, 500, 1, ""});
    expectDefaultsStored(HKEY_CURRENT_USER);
    EXPECT_FALSE(settingsKeyExists(HKEY_LOCAL_MACHINE));

    first.writeNumber(first.askExitName, &first.AskExit, 0);
    first.writeDestDir("E:\\Kept");
    RegistryFunctions later{RegistryFunctions::NoLoad{}};
    later.loadSettings(refusing.key(), HKEY_CURRENT_USER);
    expectFields(later, {1, 0, 500, 1, "E:\\Kept"});
    EXPECT_TRUE(script_.boxes().empty());
}

TEST_F(SettingsStore, WhenNoKeyCanBeOpenedTheErrorIsShownAndEverySettingIsZero) {
    RefusingRoot refusing;
    ASSERT_NE(refusing.key(), nullptr);

    RegistryFunctions settings{RegistryFunctions::NoLoad{}};
    settings.loadSettings(refusing.key(), refusing.key());

    ASSERT_EQ(script_.boxes().size(), 1u);
    const CapturedBox& box = script_.boxes()[0];
    EXPECT_EQ(box.caption, L"Error");
    EXPECT_EQ(box.text, L"Registry Error!\nSettings may not be saved!\nClass: RegistryFunctions\n"
                        L"Public: Constructor");
    EXPECT_EQ(box.type(), static_cast<UINT>(MB_ICONINFORMATION | MB_OK));
    EXPECT_EQ(settings.key, nullptr);
    EXPECT_NE(settings.lastCreateResult, ERROR_SUCCESS);
    expectFields(settings, {0, 0, 0, 0, ""});
    EXPECT_FALSE(settingsKeyExists(HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(settingsKeyExists(HKEY_CURRENT_USER));

    // Without a key the writes still change the running settings.
    settings.writeNumber(settings.overwriteFilesName, &settings.OverwriteFiles, 1);
    settings.writeDestDir("F:\\Memory");
    expectFields(settings, {1, 0, 0, 0, "F:\\Memory"});
    EXPECT_EQ(script_.boxes().size(), 1u) << "failed writes report nothing";
}

TEST_F(SettingsStore, WritesLandWithTheirTypesAndSizes) {
    RegistryFunctions settings{RegistryFunctions::NoLoad{}};
    settings.loadSettings(HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER);
    settings.writeNumber(settings.defaultDestName, &settings.DefaultDest, 502);
    settings.writeDestDir("C:\\Short");

    const StoredValue number = storedValue(HKEY_LOCAL_MACHINE, "DefaultDest");
    EXPECT_EQ(number.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(number.data.size(), 4u);
    EXPECT_EQ(storedNumber(HKEY_LOCAL_MACHINE, "DefaultDest"), 502u);

    const StoredValue folder = storedValue(HKEY_LOCAL_MACHINE, "DestDir");
    EXPECT_EQ(folder.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(folder.data.size(), 100u) << "the whole field, whatever the text's length";
    EXPECT_EQ(storedText(HKEY_LOCAL_MACHINE, "DestDir"), "C:\\Short");
    EXPECT_EQ(std::string(settings.DestDir), "C:\\Short");
}

TEST_F(SettingsStore, TheWindowPlacementIsKeptWholeOrNotAtAll) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    placement.showCmd = SW_SHOWMAXIMIZED;
    placement.rcNormalPosition = {10, 20, 900, 700};
    const struct {
        const char* proves;
        DWORD type;
        DWORD size;
        UINT length; // what the stored structure says of itself
        bool kept;
    } cases[] = {
        {"as the program writes it", REG_BINARY, sizeof placement, sizeof placement, true},
        {"shorter", REG_BINARY, sizeof placement - 4, sizeof placement, false},
        {"saying it is of another size", REG_BINARY, sizeof placement, 12, false},
        {"of another type", REG_SZ, sizeof placement, sizeof placement, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.proves);
        deleteSettingsKey(HKEY_LOCAL_MACHINE);
        WINDOWPLACEMENT stored = placement;
        stored.length = c.length;
        storeValue(HKEY_LOCAL_MACHINE, "WindowPlacement", c.type, &stored, c.size);
        RegistryFunctions later{RegistryFunctions::NoLoad{}};
        later.loadSettings(HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER);
        EXPECT_EQ(later.WindowPlacement.length, c.kept ? sizeof placement : 0u);
        EXPECT_EQ(later.WindowPlacement.rcNormalPosition.right, c.kept ? 900 : 0);
    }
    // Written as the window closes, and read back at the next start.
    RegistryFunctions settings{RegistryFunctions::NoLoad{}};
    settings.loadSettings(HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER);
    placement.rcNormalPosition.right = 901;
    settings.writeWindowPlacement(placement);
    RegistryFunctions later{RegistryFunctions::NoLoad{}};
    later.loadSettings(HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER);
    EXPECT_EQ(later.WindowPlacement.showCmd, static_cast<UINT>(SW_SHOWMAXIMIZED));
    EXPECT_EQ(later.WindowPlacement.rcNormalPosition.right, 901);
}

TEST_F(SettingsStore, AFolderOutsideTheAnsiCodePageSurvivesARoundTrip) {
    const std::string folder = "C:\\\xe6\x97\xa5\xe6\x9c\xac\\\xce\xb1\xce\xb2";
    {
        RegistryFunctions settings{RegistryFunctions::NoLoad{}};
        settings.loadSettings(HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER);
        settings.writeDestDir(folder.c_str());
    }
    RegistryFunctions later{RegistryFunctions::NoLoad{}};
    later.loadSettings(HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER);
    EXPECT_EQ(std::string(later.DestDir), folder);
}

} // namespace
