// A stand-in ITwain that records which vtable entry was called and with
// what, so ITypeInfo::Invoke can be checked against control/twain_interface.h.
#pragma once

#include <string>
#include <vector>

#include "control/twain_interface.h"

namespace korvix::test {

class twain_recorder final : public ITwain {
public:
    std::vector<std::wstring> calls;  // "put_BackColor(255)", "ShowSave(a|b|)", ...

    // IUnknown / IDispatch: only what Invoke needs; never released to zero.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!::IsEqualIID(iid, IID_IUnknown) && !::IsEqualIID(iid, IID_IDispatch)) return E_NOINTERFACE;
        *out = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

#define KORVIX_RECORD_GET(name, type, sample)           \
    HRESULT STDMETHODCALLTYPE get_##name(type* value) override { \
        calls.push_back(L"get_" L## #name);             \
        *value = sample;                                \
        return S_OK;                                    \
    }
#define KORVIX_RECORD_PUT(prefix, name, type)                                   \
    HRESULT STDMETHODCALLTYPE prefix##_##name(type value) override {            \
        calls.push_back(L## #prefix L"_" L## #name L"(" + render(value) + L")"); \
        return S_OK;                                                            \
    }
#define KORVIX_RECORD_CALL(name)                  \
    HRESULT STDMETHODCALLTYPE name() override {   \
        calls.push_back(L## #name);               \
        return S_OK;                              \
    }

    KORVIX_RECORD_GET(FileType, LONG, 0)
    KORVIX_RECORD_GET(BorderStyle, SHORT, 1)
    KORVIX_RECORD_PUT(put, BorderStyle, SHORT)
    KORVIX_RECORD_GET(BackColor, OLE_COLOR, 0x8000000F)
    KORVIX_RECORD_PUT(put, BackColor, OLE_COLOR)
    KORVIX_RECORD_GET(Enabled, VARIANT_BOOL, VARIANT_TRUE)
    KORVIX_RECORD_PUT(put, Enabled, VARIANT_BOOL)
    KORVIX_RECORD_GET(hDC, LONG, 0)
    KORVIX_RECORD_GET(hwnd, LONG, 0)
    KORVIX_RECORD_GET(MouseIcon, IPictureDisp*, nullptr)
    KORVIX_RECORD_PUT(putref, MouseIcon, IPictureDisp*)
    KORVIX_RECORD_GET(MousePointer, SHORT, 0)
    KORVIX_RECORD_PUT(put, MousePointer, SHORT)
    KORVIX_RECORD_GET(Picture, IPictureDisp*, nullptr)
    KORVIX_RECORD_PUT(putref, Picture, IPictureDisp*)
    KORVIX_RECORD_GET(BitmapWidth, LONG, 0)
    KORVIX_RECORD_GET(BitmapHeight, LONG, 0)
    KORVIX_RECORD_GET(AutoRedraw, VARIANT_BOOL, VARIANT_FALSE)
    KORVIX_RECORD_PUT(put, AutoRedraw, VARIANT_BOOL)
    KORVIX_RECORD_GET(ToolTipText, BSTR, ::SysAllocString(L"tip"))
    KORVIX_RECORD_PUT(put, ToolTipText, BSTR)
    KORVIX_RECORD_GET(ColorType, LONG, 2)
    KORVIX_RECORD_PUT(put, ColorType, LONG)
    KORVIX_RECORD_GET(Resolution, SHORT, 300)
    KORVIX_RECORD_PUT(put, Resolution, SHORT)
    KORVIX_RECORD_GET(filename, BSTR, ::SysAllocString(L""))
    KORVIX_RECORD_PUT(put, filename, BSTR)
    KORVIX_RECORD_GET(ShowProgress, VARIANT_BOOL, VARIANT_TRUE)
    KORVIX_RECORD_PUT(put, ShowProgress, VARIANT_BOOL)
    KORVIX_RECORD_GET(ShowInterface, VARIANT_BOOL, VARIANT_TRUE)
    KORVIX_RECORD_PUT(put, ShowInterface, VARIANT_BOOL)
    KORVIX_RECORD_GET(Scrollable, VARIANT_BOOL, VARIANT_TRUE)
    KORVIX_RECORD_PUT(put, Scrollable, VARIANT_BOOL)
    KORVIX_RECORD_CALL(About)
    KORVIX_RECORD_CALL(Refresh)
    KORVIX_RECORD_CALL(Scan)
    KORVIX_RECORD_CALL(SelectSource)
    KORVIX_RECORD_CALL(Save)
    KORVIX_RECORD_CALL(Load)

    HRESULT STDMETHODCALLTYPE ShowSave(BSTR* filter, BSTR* title, BSTR* dir) override {
        calls.push_back(L"ShowSave(" + strings(filter, title, dir) + L")");
        return S_OK;
    }
    // Like a dialog that remembers the folder the user chose: writes sInitDir back.
    HRESULT STDMETHODCALLTYPE ShowLoad(BSTR* filter, BSTR* title, BSTR* dir) override {
        calls.push_back(L"ShowLoad(" + strings(filter, title, dir) + L")");
        if (dir) {
            ::SysFreeString(*dir);
            *dir = ::SysAllocString(L"C:\\picked");
        }
        return S_OK;
    }

#undef KORVIX_RECORD_GET
#undef KORVIX_RECORD_PUT
#undef KORVIX_RECORD_CALL

    ULONG refs = 1;

private:
    static std::wstring render(LONG v) { return std::to_wstring(v); }
    static std::wstring render(ULONG v) { return std::to_wstring(v); }
    static std::wstring render(SHORT v) { return std::to_wstring(v); }
    static std::wstring render(BSTR v) { return v ? std::wstring(v, ::SysStringLen(v)) : L"<null>"; }
    static std::wstring render(IPictureDisp* v) { return v ? L"picture" : L"nothing"; }
    // A null pointer and a null BSTR are both shown, so a test can tell them apart.
    static std::wstring one(BSTR* s) { return !s ? L"<no pointer>" : render(*s); }
    static std::wstring strings(BSTR* a, BSTR* b, BSTR* c) { return one(a) + L"|" + one(b) + L"|" + one(c); }
};

}  // namespace korvix::test
