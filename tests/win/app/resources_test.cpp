// What the executable carries besides its dialogs and strings: the icon, the
// version record and the manifest (the test executable carries the same script).
#include <windows.h>

#include <string>

#include "common/resource_ids.h"
#include "common/version.h"
#include "tests/win/app/app_test_support.h"

namespace {

// RT_MANIFEST and RT_GROUP_ICON in their wide forms, whatever UNICODE says.
const LPCWSTR kManifestType = MAKEINTRESOURCEW(24);
const LPCWSTR kIconGroupType = MAKEINTRESOURCEW(14);

std::string resourceText(LPCWSTR name, LPCWSTR type) {
    HRSRC found = FindResourceW(nullptr, name, type);
    if (found == nullptr)
        return {};
    const char* data = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
    return std::string(data, SizeofResource(nullptr, found));
}

std::wstring versionString(const std::vector<unsigned char>& record, const wchar_t* name) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
    if (!VerQueryValueW(record.data(), path.c_str(), &value, &length) || length == 0)
        return {};
    return static_cast<const wchar_t*>(value);
}

TEST(ProgramResources, VersionRecordNamesTheProgramAndItsVersion) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(self, &ignored);
    ASSERT_GT(size, 0u);
    std::vector<unsigned char> record(size);
    ASSERT_TRUE(GetFileVersionInfoW(self, 0, size, record.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(record.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    const WORD version[] = {VORANDECK_VERSION_NUMBERS};
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(version[1], version[0]));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(version[3], version[2]));
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(record.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);

    const struct {
        const wchar_t* name;
        const wchar_t* text;
    } strings[] = {
        {L"FileDescription", L"Vorandeck Application"},
        {L"FileVersion", L"" VORANDECK_VERSION_TEXT},
        {L"ProductVersion", L"" VORANDECK_VERSION_TEXT},
        {L"InternalName", L"Vorandeck"},
        {L"ProductName", L"Vorandeck"},
    };
    for (const auto& entry : strings)
        EXPECT_EQ(versionString(record, entry.name), entry.text) << utf8(entry.name);
}

TEST(ProgramResources, ManifestAsksForCommonControlsSixAndPerMonitorDpiOnThisArchitecture) {
    const std::string manifest = resourceText(MAKEINTRESOURCEW(1), kManifestType);
    ASSERT_FALSE(manifest.empty());
    const std::string architecture =
        sizeof(void*) == 8 ? "processorArchitecture=\"amd64\"" : "processorArchitecture=\"X86\"";
    const char* wanted[] = {
        "version=\"1.0.0.0\"",
        "type=\"win32\"",
        "<description>Vorandeck - Analyse EPOC SIS Files</description>",
        "name=\"Microsoft.Windows.Common-Controls\"",
        "version=\"6.0.0.0\"",
        "publicKeyToken=\"6595b64144ccf1df\"",
        "language=\"*\"",
        // Windows 8.1 reads the first, Windows 10 1607 and later the second.
        ">true/pm</dpiAware>",
        ">PerMonitorV2, PerMonitor</dpiAwareness>",
    };
    for (const char* text : wanted)
        EXPECT_NE(manifest.find(text), std::string::npos) << text;
    // Both the program and its dependency name the architecture it was built for.
    const size_t first = manifest.find(architecture);
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(manifest.find(architecture, first + 1), std::string::npos);
}

#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width;
    BYTE height;
    BYTE colours;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD id;
};
struct IconGroup {
    WORD reserved;
    WORD type;
    WORD count;
    IconGroupEntry entries[1];
};
#pragma pack(pop)

TEST(ProgramResources, IconIsOneSixteenPixelImage) {
    const std::string group = resourceText(MAKEINTRESOURCEW(IDI_VORANDECK), kIconGroupType);
    ASSERT_GE(group.size(), sizeof(IconGroup));
    const auto* icon = reinterpret_cast<const IconGroup*>(group.data());
    EXPECT_EQ(icon->type, 1);
    ASSERT_EQ(icon->count, 1);
    EXPECT_EQ(icon->entries[0].width, 16);
    EXPECT_EQ(icon->entries[0].height, 16);
    EXPECT_NE(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_VORANDECK), IMAGE_ICON, 16,
                         16, 0),
              nullptr);
}

} // namespace
