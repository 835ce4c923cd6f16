#include "control/module/class_factory.h"

#include <new>

#include "control/korvix_ids.h"
#include "control/twain_factory.h"

namespace korvix {

namespace {

// Server locks live at module level: a lock taken through one factory may be
// released through another. Unbalanced unlocks are refused, so they cannot
// release references that live objects hold.
volatile LONG g_server_locks = 0;

class twain_class_factory final : public IClassFactory {
public:
    // A live factory holds the module: its code must stay mapped.
    twain_class_factory() noexcept { module_add_ref(); }
    twain_class_factory(const twain_class_factory&) = delete;
    twain_class_factory& operator=(const twain_class_factory&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!::IsEqualIID(iid, IID_IUnknown) && !::IsEqualIID(iid, IID_IClassFactory)) return E_NOINTERFACE;
        *out = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = ::InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return create_twain_control(iid, out);
    }

    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            ::InterlockedIncrement(&g_server_locks);
            module_add_ref();
            return S_OK;
        }
        LONG held = g_server_locks;
        while (held > 0) {
            const LONG seen = ::InterlockedCompareExchange(&g_server_locks, held - 1, held);
            if (seen == held) {
                module_release();
                return S_OK;
            }
            held = seen;
        }
        return E_UNEXPECTED;  // no lock to release
    }

private:
    ~twain_class_factory() { module_release(); }

    volatile LONG refs_ = 1;
};

}  // namespace

HRESULT get_twain_class_object(REFCLSID clsid, REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!::IsEqualCLSID(clsid, CLSID_Twain)) return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) twain_class_factory();
    if (!factory) return E_OUTOFMEMORY;
    const HRESULT hr = factory->QueryInterface(iid, out);
    factory->Release();
    return hr;
}

}  // namespace korvix
