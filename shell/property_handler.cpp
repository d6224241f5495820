// The property handler: read-only properties of a package for Explorer's
// details pane, Details view, tooltips and search. The stream is read once, at
// Initialize, within the time limit; a package that does not open has none.
#include <windows.h>

#include <propsys.h>
#include <shobjidl.h>

#include <new>
#include <string>
#include <vector>

#include "display/text.h"
#include "shell/com_object.h"
#include "shell/package_texts.h"
#include "shell/stream_package.h"

namespace {

// The system's own properties (propkey.h), spelled out here so that no
// GUID definitions need be linked.
constexpr GUID kSummaryFormat = {
    0xf29f85e0, 0x4ff9, 0x1068, {0xab, 0x91, 0x08, 0x00, 0x2b, 0x27, 0xb3, 0xd9}};
constexpr GUID kDocumentFormat = {
    0xd5cdd502, 0x2e9c, 0x101b, {0x93, 0x97, 0x08, 0x00, 0x2b, 0x2c, 0xf9, 0xae}};
constexpr GUID kVersionFormat = {
    0x0cef7d53, 0xfa64, 0x11d1, {0xa2, 0x03, 0x00, 0x00, 0xf8, 0x1f, 0xed, 0xee}};

PROPERTYKEY keyOf(PackageProperty property) {
    switch (property) {
    case PackageProperty::Title:
        return {kSummaryFormat, 2}; // System.Title
    case PackageProperty::Company:
        return {kDocumentFormat, 15}; // System.Company
    case PackageProperty::Version:
        return {kVersionFormat, 4}; // System.FileVersion
    case PackageProperty::Comment:
        return {kSummaryFormat, 6}; // System.Comment
    default:
        return {kDocumentFormat, 28}; // System.Language
    }
}

bool sameKey(const PROPERTYKEY& a, const PROPERTYKEY& b) {
    return IsEqualGUID(a.fmtid, b.fmtid) && a.pid == b.pid;
}

struct Property {
    PROPERTYKEY key;
    std::wstring text;
};

class PropertyHandler final : public ComObject,
                              public IPropertyStore,
                              public IPropertyStoreCapabilities,
                              public IInitializeWithStream {
  public:
    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        if (offer(iid, IID_IUnknown, static_cast<IPropertyStore*>(this), out) ||
            offer(iid, IID_IPropertyStore, static_cast<IPropertyStore*>(this), out) ||
            offer(iid, IID_IPropertyStoreCapabilities,
                  static_cast<IPropertyStoreCapabilities*>(this), out) ||
            offer(iid, IID_IInitializeWithStream, static_cast<IInitializeWithStream*>(this), out)) {
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return addReference(); }
    STDMETHODIMP_(ULONG) Release() override { return release(); }

    // IInitializeWithStream
    STDMETHODIMP Initialize(IStream* stream, DWORD mode) override {
        if (stream == nullptr) {
            return E_INVALIDARG;
        }
        if (initialised_) {
            return HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED);
        }
        if ((mode & (STGM_WRITE | STGM_READWRITE)) != 0) {
            return STG_E_ACCESSDENIED;
        }
        initialised_ = true;
        try {
            const StreamPackage read = readStreamPackage(stream);
            if (read.package) {
                for (const PropertyText& property : packageProperties(*read.package)) {
                    properties_.push_back({keyOf(property.property), widen(property.text.c_str())});
                }
            }
        } catch (const std::bad_alloc&) {
            properties_.clear();
        }
        return S_OK;
    }

    // IPropertyStore
    STDMETHODIMP GetCount(DWORD* count) override {
        if (count == nullptr) {
            return E_POINTER;
        }
        *count = static_cast<DWORD>(properties_.size());
        return S_OK;
    }
    STDMETHODIMP GetAt(DWORD index, PROPERTYKEY* key) override {
        if (key == nullptr) {
            return E_POINTER;
        }
        if (index >= properties_.size()) {
            return E_INVALIDARG;
        }
        *key = properties_[index].key;
        return S_OK;
    }
    STDMETHODIMP GetValue(REFPROPERTYKEY key, PROPVARIANT* value) override {
        if (value == nullptr) {
            return E_POINTER;
        }
        PropVariantInit(value);
        for (const Property& property : properties_) {
            if (sameKey(property.key, key)) {
                return stringValue(property.text, value);
            }
        }
        return S_OK; // a property it has not: empty
    }
    STDMETHODIMP SetValue(REFPROPERTYKEY, REFPROPVARIANT) override { return STG_E_ACCESSDENIED; }
    STDMETHODIMP Commit() override { return STG_E_ACCESSDENIED; }

    // IPropertyStoreCapabilities
    STDMETHODIMP IsPropertyWritable(REFPROPERTYKEY) override { return S_FALSE; }

  private:
    static HRESULT stringValue(const std::wstring& text, PROPVARIANT* value) {
        const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        auto* copy = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
        if (copy == nullptr) {
            return E_OUTOFMEMORY;
        }
        CopyMemory(copy, text.c_str(), bytes);
        value->vt = VT_LPWSTR;
        value->pwszVal = copy;
        return S_OK;
    }

    bool initialised_ = false;
    std::vector<Property> properties_;
};

} // namespace

HRESULT createPropertyHandler(REFIID iid, void** out) {
    auto* handler = new (std::nothrow) PropertyHandler;
    if (handler == nullptr) {
        return E_OUTOFMEMORY;
    }
    const HRESULT result = handler->QueryInterface(iid, out);
    handler->Release();
    return result;
}
