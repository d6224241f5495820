// Pictures for the documentation: the real main window, grown beyond its
// smallest size, with a real package opened through the real open-file dialog;
// the package inside it opened from its line; the settings dialog over it; and
// the preview Explorer shows of a package, in the tests' host of the handlers.
// Usage: app_screenshots <output folder> [suffix]; writes main-window<suffix>.png,
// inner-package<suffix>.png, settings-dialog<suffix>.png, details-window<suffix>.png and
// preview-pane<suffix>.png there, at the DPI the process started with.
#include <windows.h>

#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <commctrl.h>

#include "app/globals.h"
#include "common/dpi.h"
#include "common/resource_ids.h"
#include "tests/win/app/app_test_support.h"
#include "tests/win/shell/shell_host.h"

namespace {

namespace fs = std::filesystem;

const char kPackage[] = "skyexplorer-skyexplorer_2ndEd_1.0.3.sis";
// A signed Symbian OS 9 package with platforms, capabilities and findings to show.
const char kSignedPackage[] = "series60remote-PythonForS60_1_4_5_3rdEd.sis";

void putBig32(std::vector<unsigned char>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(value >> shift));
}

void appendChunk(std::vector<unsigned char>& png, const char* type,
                 const std::vector<unsigned char>& data) {
    putBig32(png, static_cast<uint32_t>(data.size()));
    std::vector<unsigned char> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    putBig32(png, static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

// Rows of RGB pixels, top row first, as a PNG file.
bool writePng(const fs::path& path, int width, int height, const std::vector<unsigned char>& rgb) {
    std::vector<unsigned char> raw;
    const size_t stride = static_cast<size_t>(width) * 3;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0); // no filter
        raw.insert(raw.end(), rgb.begin() + static_cast<std::ptrdiff_t>(y * stride),
                   rgb.begin() + static_cast<std::ptrdiff_t>((y + 1) * stride));
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<unsigned char> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) !=
        Z_OK)
        return false;
    packed.resize(packedSize);

    std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> header;
    putBig32(header, static_cast<uint32_t>(width));
    putBig32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8-bit RGB, no interlace
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", packed);
    appendChunk(png, "IEND", {});
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    return static_cast<bool>(file);
}

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

// What the screen shows of `window` now, frame included.
Picture grab(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    Picture picture;
    picture.width = rect.right - rect.left;
    picture.height = rect.bottom - rect.top;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, picture.width, picture.height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();

    const size_t count = static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height);
    picture.rgb.reserve(count * 3);
    const auto* pixels = static_cast<const unsigned char*>(bits);
    for (size_t i = 0; i < count; ++i) {
        picture.rgb.push_back(pixels[4 * i + 2]);
        picture.rgb.push_back(pixels[4 * i + 1]);
        picture.rgb.push_back(pixels[4 * i]);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return picture;
}

// The display server paints on its own time: take the picture once two grabs
// a moment apart agree.
// A picture of one colour is a window not painted yet.
bool blank(const std::vector<unsigned char>& rgb) {
    for (size_t i = 3; i < rgb.size(); ++i)
        if (rgb[i] != rgb[i % 3])
            return false;
    return true;
}

bool saveWindow(HWND window, const fs::path& path) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME | RDW_ERASE);
    Picture last = grab(window);
    for (int attempt = 0; attempt < 20; ++attempt) {
        waitUntilIdle();
        Picture next = grab(window);
        const bool settled = next.rgb == last.rgb && !blank(next.rgb);
        last = std::move(next);
        if (settled)
            break;
    }
    return writePng(path, last.width, last.height, last.rgb);
}

// The package where a user keeps it, rather than in the test data.
fs::path copyToUserFolder(const fs::path& package) {
    const fs::path folder = L"C:\\Packages";
    std::error_code error;
    fs::create_directories(folder, error);
    const fs::path copy = folder / package.filename();
    fs::copy_file(package, copy, fs::copy_options::overwrite_existing, error);
    return error ? fs::path() : copy;
}

// Larger than at its start, as a user would make it to see the columns whole.
void enlarge(HWND window) {
    RECT frame;
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left + pixelsFor(window, 240);
    const int height = frame.bottom - frame.top + pixelsFor(window, 160);
    SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, SWP_NOZORDER);
}

// Opens the package inside from the first row, a component line, as Enter does.
void openFirstRow(HWND window) {
    LVITEMW item = {};
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(GetDlgItem(window, IDC_FILE_LIST), LVM_SETITEMSTATE, 0,
                 reinterpret_cast<LPARAM>(&item));
    SendMessageW(window, WM_COMMAND, IDM_OPEN_INNER, 0);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: app_screenshots <output folder> [suffix]\n");
        return 2;
    }
    const fs::path out = fs::absolute(argv[1]);
    const std::string suffix = argc > 2 ? argv[2] : "";
    const std::string folder = realPackageFolder();
    if (folder.empty()) {
        std::fprintf(stderr, "no real packages in %s/real\n", VORANDECK_TESTDATA);
        return 1;
    }
    const fs::path package = copyToUserFolder(fs::absolute(fs::path(folder) / kPackage));
    if (package.empty()) {
        std::fprintf(stderr, "could not copy %s to C:\\Packages\n", kPackage);
        return 1;
    }
    gSettings.SortFiles = 0;
    gSettings.AskExit = 0;
    HWND window = createShownMainWindow();
    if (window == nullptr)
        return 1;
    SetForegroundWindow(window);
    enlarge(window);

    bool ok = true;
    {
        UiScript ui;
        openPackage(ui, window, package.wstring());
        // Extracted once, so the picture shows the progress bar at its end.
        TempFolder extracted;
        gSettings.DefaultDest = IDC_DEST_FIXED;
        setDestDir(extracted.pathUtf8());
        clickButton(window, IDC_EXTRACT);
        ok = ui.boxes().size() == 1 && ui.boxes()[0].caption == L"Success";
        settleMain(window);
        ok = saveWindow(window, out / ("main-window" + suffix + ".png")) && ok;

        openFirstRow(window);
        ok = ok && ui.boxes().size() == 1;
        settleMain(window);
        ok = saveWindow(window, out / ("inner-package" + suffix + ".png")) && ok;

        // A destination as a user would keep it, rather than the test's temporary one.
        setDestDir("C:\\SIS Files");
        ui.onDialog([&](HWND dialog) {
            ok = saveWindow(dialog, out / ("settings-dialog" + suffix + ".png")) && ok;
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        clickButton(window, IDC_SETTINGS);
        ok = ok && ui.boxes().size() == 1;

        // The details of a signed Symbian OS 9 package, when the shared ones are there.
        const std::string sisx = sharedPackageFolder("sisx");
        if (!sisx.empty()) {
            openPackage(ui, window,
                        fs::absolute(fs::u8path(sisx) / kSignedPackage).make_preferred().wstring());
            ui.onDialog([&](HWND dialog) {
                waitUntilIdle();
                ok = saveWindow(dialog, out / ("details-window" + suffix + ".png")) && ok;
                PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            });
            clickButton(window, IDC_DETAILS);

            const HandlerSource dll = HandlerSource::fromDll(
                fs::absolute(fs::u8path(VORANDECK_SHELL_DLL)).make_preferred().wstring());
            HWND host = createHostWindow(pixelsFor(window, 720), pixelsFor(window, 600));
            HostReading reading;
            reading.rows = false;
            reading.whileShown = [&] {
                ok = saveWindow(host, out / ("preview-pane" + suffix + ".png")) && ok;
            };
            ok = showInHost(
                     dll, host,
                     fs::absolute(fs::u8path(sisx) / kSignedPackage).make_preferred().wstring(),
                     reading)
                         .preview == S_OK &&
                 ok;
            DestroyWindow(host);
        }
    }
    destroyMainWindow(window);
    std::printf("%s\n", ok ? "screenshots written" : "screenshots failed");
    return ok ? 0 : 1;
}
