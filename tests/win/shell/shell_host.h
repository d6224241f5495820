#pragma once
// A small stand-in for Explorer: it finds the package handlers, through the
// registry as Explorer does or in a DLL of the build, hands them a stream over
// a file, shows the preview in a window of its own and reads back what the
// pane shows and what the property store returns.
#include <windows.h>

#include <objidl.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

// Where the host takes its handlers from.
class HandlerSource {
  public:
    // The classes that HKCR\<extension>\ShellEx and PropertySystem\PropertyHandlers
    // name, made with CoCreateInstance.
    static HandlerSource fromRegistry(const std::wstring& extension);
    // The classes of vorandeck-shell.dll at `path`, from its own class factory.
    static HandlerSource fromDll(const std::wstring& path);

    // Whether both classes were found; the reason when not.
    bool found() const { return error_.empty(); }
    const std::wstring& error() const { return error_; }
    HRESULT createPreview(REFIID iid, void** out) const { return create(preview_, iid, out); }
    HRESULT createProperties(REFIID iid, void** out) const { return create(properties_, iid, out); }

  private:
    HRESULT create(const CLSID& classId, REFIID iid, void** out) const;

    HMODULE dll_ = nullptr;
    CLSID preview_ = {};
    CLSID properties_ = {};
    std::wstring error_;
};

// What the handlers gave for one stream.
struct Shown {
    HRESULT preview = E_FAIL;                    // of DoPreview
    std::wstring summary;                        // the pane's text above its list
    std::vector<std::vector<std::wstring>> rows; // the list's rows, cells from the first column on
    size_t rowCount = 0;
    bool listShown = false;
    std::vector<std::pair<std::wstring, std::wstring>> properties; // name, text
    DWORD previewMs = 0;                                           // Initialize to the pane painted
};

// A read-only stream over a file; when `failAt` is below its size, reads from
// that byte on fail, as a stream that breaks part way.
IStream* fileStream(const std::wstring& path, ULONGLONG failAt = ~0ull);

// How much of the pane the host reads back.
struct HostReading {
    bool rows = true; // every cell, else only their count
    ULONGLONG failAt = ~0ull;
    std::function<void()> whileShown; // runs while the pane is up
};

// Previews `path` in a pane of `window` and reads its properties.
Shown showInHost(const HandlerSource& source, HWND window, const std::wstring& path,
                 const HostReading& reading = {});

// A window for the preview, `width` by `height` pixels, shown.
HWND createHostWindow(int width, int height);
