// An in-memory IPropertyBag that remembers every Read and Write (key,
// variant type, result) in order. Preload it with any value, also one of
// the wrong type, to see how the control reads a stored form.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <optional>
#include <string>
#include <vector>

#include "common/win/unique_resource.h"
#include "tests/wine/hostkit/unique_variant.h"

namespace korvix::hostkit {

class recording_property_bag final : public IPropertyBag {
public:
    struct call {
        enum op_t { read, write } op;
        std::wstring key;
        VARTYPE vt;   // write: the stored value's type; read: the type asked for
        HRESULT hr;   // what the bag answered
    };

    static com_ptr<recording_property_bag> create();

    // Stores a value as a host would have saved it (not recorded as a call).
    void preload(const std::wstring& key, const unique_variant& value);
    std::optional<unique_variant> value(const std::wstring& key) const;
    const std::vector<call>& calls() const noexcept { return calls_; }
    std::vector<std::wstring> keys_written() const;
    std::vector<std::wstring> keys_read() const;
    void clear_calls() noexcept { calls_.clear(); }
    size_t size() const noexcept { return entries_.size(); }
    LONG ref_count() const noexcept { return refs_; }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs_); }
    STDMETHODIMP_(ULONG) Release() override;
    // Like the platform's bags: the stored value converted to the type the
    // caller put in *value (VT_EMPTY: as stored); E_INVALIDARG when absent.
    STDMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
    STDMETHODIMP Write(LPCOLESTR name, VARIANT* value) override;

private:
    recording_property_bag() = default;
    ~recording_property_bag() = default;
    struct entry {
        std::wstring key;
        unique_variant value;
    };
    entry* find(const std::wstring& key);
    const entry* find(const std::wstring& key) const;

    LONG refs_ = 1;
    std::vector<entry> entries_;
    std::vector<call> calls_;
};

}  // namespace korvix::hostkit
