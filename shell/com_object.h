#pragma once
// What every COM object of the DLL shares: its reference count, and the count
// of live objects and locks that DllCanUnloadNow answers from.
#include <windows.h>

#include <atomic>

extern std::atomic<long> g_shellObjects;

class ComObject {
  protected:
    ComObject() { ++g_shellObjects; }
    virtual ~ComObject() { --g_shellObjects; }
    ULONG addReference() { return static_cast<ULONG>(++references_); }
    ULONG release() {
        const long left = --references_;
        if (left == 0) {
            delete this;
        }
        return static_cast<ULONG>(left);
    }

  private:
    std::atomic<long> references_{1};
};

// Fills `out` with `object` as interface `wanted` when `iid` asks for it.
template <typename Interface> bool offer(REFIID iid, REFIID wanted, Interface* object, void** out) {
    if (!IsEqualIID(iid, wanted)) {
        return false;
    }
    *out = object;
    object->AddRef();
    return true;
}

// The objects the class factory makes.
HRESULT createPreviewHandler(REFIID iid, void** out);
HRESULT createPropertyHandler(REFIID iid, void** out);
