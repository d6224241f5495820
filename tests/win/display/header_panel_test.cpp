// The header panel in the program's real main dialog: every box of every real
// package, and numbers written through formatNumber.
#include <gtest/gtest.h>

#include "common/resource_ids.h"
#include "display/display_functions.h"
#include "package/opened_package.h"
#include "tests/win/display/display_test_support.h"
#include "tests/win/support/ui_driver.h"

namespace {

TEST(HeaderPanelTest, EveryBoxOfEveryRealPackage) {
    const std::string folder = realPackageFolder();
    if (folder.empty())
        GTEST_SKIP() << "real packages not found in " << VORANDECK_TESTDATA;
    TestDialog dialog(IDD_MAIN);
    ASSERT_NE(dialog.get(), nullptr);
    DisplayFunctions display;
    display.mainWindow = dialog.get();

    const std::vector<std::string> names = realPackageNames();
    EXPECT_EQ(names.size(), 48u);
    for (const std::string& name : names) {
        const testsupport::JsonValue header = expectedFor(name)["header"];
        ASSERT_EQ(header.members.size(), 26u) << "no expectations for " << name;
        const OpenedPackage opened(folder + "/" + name);
        ASSERT_NE(opened.package(), nullptr) << name;
        display.showHeader(headerBoxes(*opened.package()));
        for (int id = IDC_APP_UID; id <= IDC_SPACE_REQUIRED; ++id)
            EXPECT_EQ(utf8(itemText(dialog.get(), id)), header[std::to_string(id)].text)
                << name << ", box " << id;
    }
}

TEST(HeaderPanelTest, FormatNumberReadsTheFieldAtItsWidth) {
    TestDialog dialog(IDD_MAIN);
    ASSERT_NE(dialog.get(), nullptr);
    DisplayFunctions display;
    display.mainWindow = dialog.get();
    struct Case {
        const char* proves;
        uint32_t field;
        bool hex;
        bool sixteenBit;
        const wchar_t* text;
    } const cases[] = {
        {"hex of 32 bits", 0x10003A12, true, false, L"10003A12h"},
        {"16 bits only, zero-extended", 0xFFFFFFFF, false, true, L"65535"},
        {"32-bit decimal is signed", 0xFFFFFFFF, false, false, L"-1"},
        {"hex of the low 16 bits", 0x1234ABCD, true, true, L"ABCDh"},
        {"zero in hex", 0, true, false, L"0h"},
    };
    for (const auto& c : cases) {
        display.formatNumber(&c.field, IDC_SPACE_USED, c.hex, c.sixteenBit);
        EXPECT_EQ(itemText(dialog.get(), IDC_SPACE_USED), c.text) << c.proves;
    }
}

} // namespace
