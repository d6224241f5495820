// vorandeck-shell.dll: the class factory of the preview and property handlers.
// It registers nothing itself: the installer writes and removes every key.
#include <windows.h>

#include <unknwn.h>

#include <new>

#include "shell/com_object.h"
#include "shell/preview_pane.h"
#include "shell/shell_classes.h"

std::atomic<long> g_shellObjects{0};

namespace {

std::atomic<long> g_locks{0};

class ClassFactory final : public ComObject, public IClassFactory {
  public:
    using Create = HRESULT (*)(REFIID, void**);
    explicit ClassFactory(Create create) : create_(create) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        return offer(iid, IID_IUnknown, static_cast<IClassFactory*>(this), out) ||
                       offer(iid, IID_IClassFactory, static_cast<IClassFactory*>(this), out)
                   ? S_OK
                   : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return addReference(); }
    STDMETHODIMP_(ULONG) Release() override { return release(); }

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        return outer != nullptr ? CLASS_E_NOAGGREGATION : create_(iid, out);
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        lock ? ++g_locks : --g_locks;
        return S_OK;
    }

  private:
    Create create_;
};

} // namespace

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_shellModule = module;
        DisableThreadLibraryCalls(module);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    ClassFactory::Create create = nullptr;
    if (IsEqualCLSID(classId, kPreviewHandlerClass)) {
        create = createPreviewHandler;
    } else if (IsEqualCLSID(classId, kPropertyHandlerClass)) {
        create = createPropertyHandler;
    } else {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    auto* factory = new (std::nothrow) ClassFactory(create);
    if (factory == nullptr) {
        return E_OUTOFMEMORY;
    }
    const HRESULT result = factory->QueryInterface(iid, out);
    factory->Release();
    return result;
}

STDAPI DllCanUnloadNow() {
    return g_shellObjects == 0 && g_locks == 0 ? S_OK : S_FALSE;
}
