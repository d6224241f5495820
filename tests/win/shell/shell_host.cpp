#include "tests/win/shell/shell_host.h"

#include <initguid.h>

#include <propkey.h>
#include <propsys.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include "shell/shell_classes.h"
#include "tests/win/support/ui_driver.h"

namespace {

// Explorer's key for preview handlers under an extension's ShellEx.
constexpr wchar_t kPreviewHandlerKey[] = L"{8895b1c6-b41f-4c1c-a562-0d564250836f}";
constexpr wchar_t kPropertyHandlers[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\PropertySystem\\PropertyHandlers\\";

// The property names are the host's own: PSGetNameFromPropertyKey ends the
// process under Wine.
const std::pair<const PROPERTYKEY*, const wchar_t*> kPropertyNames[] = {
    {&PKEY_Title, L"System.Title"},
    {&PKEY_Company, L"System.Company"},
    {&PKEY_FileVersion, L"System.FileVersion"},
    {&PKEY_Comment, L"System.Comment"},
    {&PKEY_Language, L"System.Language"},
};

std::wstring propertyName(const PROPERTYKEY& key) {
    for (const auto& [known, name] : kPropertyNames) {
        if (IsEqualGUID(known->fmtid, key.fmtid) && known->pid == key.pid)
            return name;
    }
    return L"unknown";
}

bool classNamedBy(HKEY root, const std::wstring& key, CLSID* out) {
    wchar_t text[64] = {};
    DWORD size = sizeof text;
    return RegGetValueW(root, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, text, &size) ==
               ERROR_SUCCESS &&
           SUCCEEDED(CLSIDFromString(text, out));
}

// A file's stream whose reads fail from one byte on.
class BreakingStream final : public IStream {
  public:
    BreakingStream(IStream* file, ULONGLONG failAt) : file_(file), failAt_(failAt) {}
    ~BreakingStream() { file_->Release(); }
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IStream) &&
            !IsEqualIID(iid, IID_ISequentialStream)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }
    STDMETHODIMP Read(void* buffer, ULONG count, ULONG* read) override {
        LARGE_INTEGER zero = {};
        ULARGE_INTEGER at = {};
        file_->Seek(zero, STREAM_SEEK_CUR, &at);
        if (at.QuadPart + count > failAt_) {
            if (read != nullptr)
                *read = 0;
            return STG_E_READFAULT;
        }
        return file_->Read(buffer, count, read);
    }
    STDMETHODIMP Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
    STDMETHODIMP Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* at) override {
        return file_->Seek(move, origin, at);
    }
    STDMETHODIMP SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    STDMETHODIMP CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Commit(DWORD) override { return STG_E_ACCESSDENIED; }
    STDMETHODIMP Revert() override { return E_NOTIMPL; }
    STDMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP Stat(STATSTG* stat, DWORD flags) override { return file_->Stat(stat, flags); }
    STDMETHODIMP Clone(IStream**) override { return E_NOTIMPL; }

  private:
    IStream* file_;
    ULONGLONG failAt_;
    ULONG references_ = 1;
};

std::vector<std::pair<std::wstring, std::wstring>> propertiesOf(const HandlerSource& source,
                                                                IStream* stream) {
    std::vector<std::pair<std::wstring, std::wstring>> found;
    IInitializeWithStream* init = nullptr;
    if (FAILED(source.createProperties(IID_IInitializeWithStream, reinterpret_cast<void**>(&init))))
        return found;
    IPropertyStore* store = nullptr;
    if (SUCCEEDED(init->Initialize(stream, STGM_READ)) &&
        SUCCEEDED(init->QueryInterface(IID_IPropertyStore, reinterpret_cast<void**>(&store)))) {
        DWORD count = 0;
        store->GetCount(&count);
        for (DWORD i = 0; i < count; ++i) {
            PROPERTYKEY key = {};
            PROPVARIANT value;
            PropVariantInit(&value);
            if (SUCCEEDED(store->GetAt(i, &key)) && SUCCEEDED(store->GetValue(key, &value)))
                found.emplace_back(propertyName(key),
                                   value.vt == VT_LPWSTR ? value.pwszVal : L"(not a text)");
            PropVariantClear(&value);
        }
        store->Release();
    }
    init->Release();
    return found;
}

} // namespace

HandlerSource HandlerSource::fromRegistry(const std::wstring& extension) {
    HandlerSource source;
    if (!classNamedBy(HKEY_CLASSES_ROOT, extension + L"\\ShellEx\\" + kPreviewHandlerKey,
                      &source.preview_))
        source.error_ = L"no preview handler for " + extension;
    else if (!classNamedBy(HKEY_LOCAL_MACHINE, kPropertyHandlers + extension, &source.properties_))
        source.error_ = L"no property handler for " + extension;
    return source;
}

HandlerSource HandlerSource::fromDll(const std::wstring& path) {
    HandlerSource source;
    source.dll_ = LoadLibraryW(path.c_str());
    source.preview_ = kPreviewHandlerClass;
    source.properties_ = kPropertyHandlerClass;
    if (source.dll_ == nullptr)
        source.error_ = L"cannot load " + path;
    return source;
}

HRESULT HandlerSource::create(const CLSID& classId, REFIID iid, void** out) const {
    if (dll_ == nullptr)
        return CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, iid, out);
    using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    const auto get = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void*>(GetProcAddress(dll_, "DllGetClassObject")));
    IClassFactory* factory = nullptr;
    if (get == nullptr ||
        FAILED(get(classId, IID_IClassFactory, reinterpret_cast<void**>(&factory))))
        return CLASS_E_CLASSNOTAVAILABLE;
    const HRESULT result = factory->CreateInstance(nullptr, iid, out);
    factory->Release();
    return result;
}

IStream* fileStream(const std::wstring& path, ULONGLONG failAt) {
    IStream* stream = nullptr;
    if (FAILED(SHCreateStreamOnFileEx(path.c_str(), STGM_READ | STGM_SHARE_DENY_WRITE,
                                      FILE_ATTRIBUTE_NORMAL, FALSE, nullptr, &stream)))
        return nullptr;
    return failAt == ~0ull ? stream : new BreakingStream(stream, failAt);
}

HWND createHostWindow(int width, int height) {
    HWND window = CreateWindowExW(0, L"STATIC", L"Preview",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, width,
                                  height, nullptr, nullptr, nullptr, nullptr);
    waitUntilIdle();
    return window;
}

Shown showInHost(const HandlerSource& source, HWND window, const std::wstring& path,
                 const HostReading& reading) {
    Shown shown;
    IStream* stream = fileStream(path, reading.failAt);
    IPreviewHandler* handler = nullptr;
    if (stream == nullptr ||
        FAILED(source.createPreview(IID_IPreviewHandler, reinterpret_cast<void**>(&handler)))) {
        if (stream != nullptr)
            stream->Release();
        return shown;
    }
    RECT client = {};
    GetClientRect(window, &client);
    const DWORD start = GetTickCount();
    IInitializeWithStream* init = nullptr;
    if (SUCCEEDED(
            handler->QueryInterface(IID_IInitializeWithStream, reinterpret_cast<void**>(&init)))) {
        init->Initialize(stream, STGM_READ);
        init->Release();
    }
    handler->SetWindow(window, &client);
    shown.preview = handler->DoPreview();
    UpdateWindow(window);
    shown.previewMs = GetTickCount() - start;
    HWND pane = FindWindowExW(window, nullptr, L"VorandeckPreviewPane", nullptr);
    shown.summary = windowText(FindWindowExW(pane, nullptr, L"EDIT", nullptr));
    HWND list = FindWindowExW(pane, nullptr, WC_LISTVIEWW, nullptr);
    shown.listShown = list != nullptr && IsWindowVisible(list);
    if (shown.listShown) {
        shown.rowCount = static_cast<size_t>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        if (reading.rows)
            shown.rows = listViewRows(list);
    }
    if (reading.whileShown)
        reading.whileShown();
    handler->Unload();
    handler->Release();
    stream->Release();
    IStream* again = fileStream(path, reading.failAt);
    if (again != nullptr) {
        shown.properties = propertiesOf(source, again);
        again->Release();
    }
    return shown;
}
