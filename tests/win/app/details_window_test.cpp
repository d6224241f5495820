// The package details window through the real main window: "&Details..." opens
// it on the open package; it shows its sections, copies what it shows, saves the
// certificates, and works from the keyboard.
#include <windows.h>

#include <commctrl.h>

#include <fstream>
#include <iterator>

#include "app/details_command.h"
#include "app/globals.h"
#include "common/resource_ids.h"
#include "package/details/details.h"
#include "tests/win/app/app_test_support.h"

namespace {

namespace fs = std::filesystem;

constexpr int64_t kFixedNow = 1800000000; // 2027-01-15

int64_t fixedClock() {
    return kFixedNow;
}

std::vector<std::wstring> sectionHeadings(HWND tree) {
    std::vector<std::wstring> headings;
    for (HTREEITEM item = TreeView_GetRoot(tree); item != nullptr;
         item = TreeView_GetNextSibling(tree, item)) {
        wchar_t text[256] = {};
        TVITEMW data = {};
        data.mask = TVIF_TEXT;
        data.hItem = item;
        data.pszText = text;
        data.cchTextMax = 256;
        SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
        headings.push_back(text);
    }
    return headings;
}

// Keys typed into the dialog: its own loop gives them to the dialog manager.
void postAltLetter(HWND dialog, wchar_t letter) {
    PostMessageW(GetFocus() != nullptr ? GetFocus() : dialog, WM_SYSCHAR, letter, 1 | (1u << 29));
}

void postEscape(HWND dialog) {
    HWND target = GetFocus() != nullptr ? GetFocus() : dialog;
    PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageW(target, WM_KEYUP, VK_ESCAPE, 1 | 0xC0000000u);
}

class DetailsWindow : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        setDetailsClock(fixedClock);
    }
    void TearDown() override {
        setDetailsClock(nullptr);
        MainWindowTest::TearDown();
    }
};

TEST_F(DetailsWindow, ShowsCopiesAndSavesFromTheKeyboard) {
    const std::string folder = sharedPackageFolder("sisx");
    if (folder.empty())
        GTEST_SKIP() << "no shared packages in " << VORANDECK_TESTDATA;
    const std::wstring path =
        fs::absolute(fs::u8path(folder) / "appinstall-test_03.sis").make_preferred().wstring();
    UiScript ui;
    EXPECT_FALSE(isEnabled(window_, IDC_DETAILS));
    openPackage(ui, window_, path);
    ASSERT_TRUE(isEnabled(window_, IDC_DETAILS));
    const PackageDetails expected = describePackage(*gFiles.package, kFixedNow);

    // Copy by Alt+C, then Escape closes.
    std::vector<std::wstring> headings;
    bool saveEnabled = false;
    ui.onDialog([&](HWND details) {
        headings = sectionHeadings(GetDlgItem(details, IDC_DETAILS_TREE));
        saveEnabled = IsWindowEnabled(GetDlgItem(details, IDC_DETAILS_SAVE)) != FALSE;
        postAltLetter(details, L'c');
        postEscape(details);
    });
    clickButton(window_, IDC_DETAILS);
    EXPECT_EQ(headings,
              (std::vector<std::wstring>{L"Package", L"Platforms and dependencies", L"Signatures",
                                         L"Capabilities", L"Before you install"}));
    EXPECT_EQ(clipboardText(), wide(detailsText(expected)));
    ASSERT_TRUE(saveEnabled);

    // Save by Alt+S into a chosen folder: one DER file per certificate.
    TempFolder out;
    HWND detailsWindow = nullptr;
    ui.onDialog([&](HWND details) {
        detailsWindow = details;
        postAltLetter(details, L's');
    });
    ui.onDialog([&](HWND chooser) {
        selectFolderAndConfirm(chooser, out.path());
        // Close, once the chooser has gone and the certificates are written.
        PostMessageW(detailsWindow, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    clickButton(window_, IDC_DETAILS);
    const std::vector<WrittenFile> written = filesBelow(out.path());
    ASSERT_EQ(written.size(), expected.certificates.size());
    for (const CarriedCertificate& certificate : expected.certificates) {
        const fs::path file =
            fs::path(out.path()) / ("chain" + std::to_string(certificate.chain) + "-cert" +
                                    std::to_string(certificate.index) + ".cer");
        std::ifstream in(file, std::ios::binary);
        const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                               std::istreambuf_iterator<char>());
        EXPECT_EQ(bytes, certificate.der) << file.string();
    }
}

} // namespace
