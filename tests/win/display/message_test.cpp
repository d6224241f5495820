// Messages as the user sees them: real message boxes, captured and answered.
#include <gtest/gtest.h>

#include <string>

#include "common/resource_ids.h"
#include "display/display_functions.h"
#include "common/string_ids.h"
#include "common/version.h"
#include "tests/win/display/display_test_support.h"
#include "tests/win/support/ui_driver.h"

namespace {

const wchar_t kText31[] = L" already exist!\nDo you want to overwrite it?";

struct Shown {
    int result = 0;
    CapturedBox box;
    size_t boxCount = 0;
};

Shown show(DisplayFunctions& display, int kind, int textId, int suffixId, const char* prefix,
           int answer = 0) {
    UiScript script;
    if (answer != 0)
        script.answer(answer);
    Shown shown;
    shown.result = display.showMessage(kind, textId, suffixId, prefix);
    shown.boxCount = script.boxes().size();
    if (!script.boxes().empty())
        shown.box = script.boxes().front();
    return shown;
}

TEST(MessageTest, PrefixAndSuffixCombine) {
    TestDialog owner(IDD_MAIN);
    DisplayFunctions display;
    display.mainWindow = owner.get();
    struct Case {
        const char* proves;
        int kind;
        int textId;
        int suffixId;
        const char* prefix;
        const wchar_t* caption;
        const wchar_t* text;
    } const cases[] = {
        {"text alone", KindQuestion, IdsReallyQuit, 0, nullptr, L"Question",
         L"Do you really want to quit?"},
        {"prefix joined directly", KindSuccess, IdsFilesExtracted, 0, "3", L"Success",
         L"3 Files extracted!"},
        {"suffix gives the class line", KindError, IdsOpenFailed, IdsSuffixFileFunctions, nullptr,
         L"Error!", L"Failed to open SIS File!\nPublic: OpenSISFile\nClass: FileFunctions"},
        {"prefix and suffix cancel each other", KindError, IdsReadError, IdsSuffixFileFunctions,
         "C:\\x", L"Error!", L"Read Error!\nPublic: ExtractFile"},
        {"a UTF-8 prefix shows as its characters", KindQuestion, IdsAlreadyExists, 0,
         "C:\\\xC3\x9C\xC3\xA9\\\xE6\x97\xA5.txt", L"Question",
         L"C:\\\u00DC\u00E9\\\u65E5.txt already exist!\nDo you want to overwrite it?"},
        {"an id without a string shows an empty text", KindInformation, 12, 0, nullptr,
         L"Information", L""},
        {"main program suffix", KindError, IdsWindowCreationFailed, IdsSuffixMainProgram, nullptr,
         L"Error!", L"Window Creation Failed!\nMain Program"},
        {"the unsafe-name message takes the name first", KindError, IdsUnsafeName, 0, "..\\evil",
         L"Error!",
         L"..\\evil was not extracted: its name is unsafe!\nPublic: ExtractFile\n"
         L"Class: FileFunctions"},
    };
    for (const auto& c : cases) {
        const Shown shown = show(display, c.kind, c.textId, c.suffixId, c.prefix);
        ASSERT_EQ(shown.boxCount, 1u) << c.proves;
        EXPECT_EQ(shown.box.caption, c.caption) << c.proves;
        EXPECT_EQ(shown.box.text, c.text) << c.proves;
        EXPECT_EQ(shown.box.owner, owner.get()) << c.proves;
    }
}

TEST(MessageTest, KindPicksCaptionIconButtonsAndAnswer) {
    DisplayFunctions display;
    struct Case {
        int kind;
        const wchar_t* caption;
        UINT type;
        int answer;
        int result;
    } const cases[] = {
        {KindError, L"Error!", 0x10, 0, IDOK},
        {KindInformation, L"Information", 0x40, 0, IDOK},
        {KindSuccess, L"Success", 0x30, 0, IDOK},
        {KindAbout, L"About", 0x40, 0, IDOK},
        {KindQuestion, L"Question", 0x24, IDYES, 6},
        {KindQuestion, L"Question", 0x24, IDNO, 7},
        {7, L"\nClass: DisplayFunc", 0, 0, IDOK},
        {-1, L"", 0, 0, IDOK},
    };
    for (const auto& c : cases) {
        const Shown shown = show(display, c.kind, IdsReallyQuit, 0, nullptr, c.answer);
        ASSERT_EQ(shown.boxCount, 1u) << "kind " << c.kind;
        EXPECT_EQ(shown.box.caption, c.caption) << "kind " << c.kind;
        EXPECT_EQ(shown.box.type(), c.type) << "kind " << c.kind;
        EXPECT_EQ(shown.result, c.result) << "kind " << c.kind;
    }
    const Shown about = show(display, KindAbout, IdsAboutText, 0, nullptr);
    EXPECT_NE(about.box.text.find(L"Vorandeck " VORANDECK_VERSION), std::wstring::npos)
        << utf8(about.box.text);
}

TEST(MessageTest, TextAndCaptionAreCut) {
    DisplayFunctions display;
    const std::string prefix(259, 'p');
    const Shown longText = show(display, KindQuestion, IdsAlreadyExists, 0, prefix.c_str());
    const std::wstring whole = std::wstring(259, L'p') + kText31;
    EXPECT_EQ(longText.box.text, whole.substr(0, 299));

    // A caption string longer than 19 characters shows only its first 19.
    const Shown longCaption = show(display, IdsInvalidDirectory, IdsReallyQuit, 0, nullptr);
    EXPECT_EQ(longCaption.box.caption, L"The directory you e");

    // Characters, not bytes: 298 of them and a pair that would end past 299 go whole or not at all.
    const std::string wideChars = std::string(298, 'x') + "\xF0\x9F\x98\x80" + "y";
    const Shown pair = show(display, KindInformation, 12, 0, wideChars.c_str());
    EXPECT_EQ(pair.box.text, std::wstring(298, L'x'));
    const std::string accents = [] {
        std::string text;
        for (int i = 0; i < 300; ++i)
            text += "\xC3\xA9";
        return text;
    }();
    const Shown twoByte = show(display, KindInformation, 12, 0, accents.c_str());
    EXPECT_EQ(twoByte.box.text, std::wstring(299, L'\u00E9'));
}

} // namespace
