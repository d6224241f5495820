// The preview handler: Explorer hands it a package's stream, then a window
// and a rectangle in its preview pane, and asks for the preview. Nothing it
// is given is written, and nothing that goes wrong leaves the call.
#include <windows.h>

#include <ocidl.h>
#include <shobjidl.h>

#include <ctime>
#include <new>

#include "display/text.h"
#include "shell/com_object.h"
#include "shell/package_texts.h"
#include "shell/preview_pane.h"
#include "shell/stream_package.h"

namespace {

class PreviewHandler final : public ComObject,
                             public IPreviewHandler,
                             public IInitializeWithStream,
                             public IObjectWithSite,
                             public IOleWindow {
  public:
    ~PreviewHandler() override {
        unload();
        SetSite(nullptr);
    }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        if (offer(iid, IID_IUnknown, static_cast<IPreviewHandler*>(this), out) ||
            offer(iid, IID_IPreviewHandler, static_cast<IPreviewHandler*>(this), out) ||
            offer(iid, IID_IInitializeWithStream, static_cast<IInitializeWithStream*>(this), out) ||
            offer(iid, IID_IObjectWithSite, static_cast<IObjectWithSite*>(this), out) ||
            offer(iid, IID_IOleWindow, static_cast<IOleWindow*>(this), out)) {
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return addReference(); }
    STDMETHODIMP_(ULONG) Release() override { return release(); }

    // IInitializeWithStream
    STDMETHODIMP Initialize(IStream* stream, DWORD) override {
        if (stream == nullptr) {
            return E_INVALIDARG;
        }
        if (stream_ != nullptr) {
            return HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED);
        }
        stream_ = stream;
        stream_->AddRef();
        return S_OK;
    }

    // IObjectWithSite
    STDMETHODIMP SetSite(IUnknown* site) override {
        if (site_ != nullptr) {
            site_->Release();
        }
        site_ = site;
        if (site_ != nullptr) {
            site_->AddRef();
        }
        return S_OK;
    }
    STDMETHODIMP GetSite(REFIID iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        return site_ != nullptr ? site_->QueryInterface(iid, out) : E_FAIL;
    }

    // IOleWindow
    STDMETHODIMP GetWindow(HWND* window) override {
        if (window == nullptr) {
            return E_INVALIDARG;
        }
        *window = pane_.window();
        return *window != nullptr ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IPreviewHandler
    STDMETHODIMP SetWindow(HWND parent, const RECT* rect) override {
        if (parent == nullptr || rect == nullptr) {
            return E_INVALIDARG;
        }
        parent_ = parent;
        rect_ = *rect;
        pane_.setParent(parent_, rect_);
        return S_OK;
    }
    STDMETHODIMP SetRect(const RECT* rect) override {
        if (rect == nullptr) {
            return E_INVALIDARG;
        }
        rect_ = *rect;
        pane_.move(rect_);
        return S_OK;
    }
    STDMETHODIMP DoPreview() override {
        if (parent_ == nullptr || stream_ == nullptr) {
            return E_FAIL;
        }
        if (pane_.window() != nullptr) {
            return S_OK;
        }
        try {
            return preview();
        } catch (const std::bad_alloc&) {
            pane_.destroy();
            return E_OUTOFMEMORY;
        }
    }
    STDMETHODIMP Unload() override {
        unload();
        return S_OK;
    }
    STDMETHODIMP SetFocus() override {
        pane_.focus();
        return S_OK;
    }
    STDMETHODIMP QueryFocus(HWND* window) override {
        if (window == nullptr) {
            return E_INVALIDARG;
        }
        *window = ::GetFocus();
        return *window != nullptr ? S_OK : E_FAIL;
    }
    STDMETHODIMP TranslateAccelerator(MSG*) override { return S_FALSE; }

  private:
    HRESULT preview() {
        const StreamPackage read = readStreamPackage(stream_);
        std::string summary;
        if (read.package) {
            summary = previewSummary(*read.package, static_cast<int64_t>(std::time(nullptr)));
            if (read.stopped()) { // making the summary reads too, up to the limit
                summary += stoppedNote();
            }
        } else {
            summary = openFailureLine(read.result);
        }
        return pane_.create(parent_, rect_, summary, read.package) ? S_OK : E_FAIL;
    }

    void unload() {
        pane_.destroy();
        if (stream_ != nullptr) {
            stream_->Release();
            stream_ = nullptr;
        }
    }

    IStream* stream_ = nullptr;
    IUnknown* site_ = nullptr;
    HWND parent_ = nullptr;
    RECT rect_ = {};
    PreviewPane pane_;
};

} // namespace

HRESULT createPreviewHandler(REFIID iid, void** out) {
    auto* handler = new (std::nothrow) PreviewHandler;
    if (handler == nullptr) {
        return E_OUTOFMEMORY;
    }
    const HRESULT result = handler->QueryInterface(iid, out);
    handler->Release();
    return result;
}
