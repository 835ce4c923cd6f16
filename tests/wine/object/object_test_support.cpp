#include "object_test_support.h"

#include <gtest/gtest.h>

namespace korvix::object_test {

namespace {

// The module as Wine sees it: the build path through the Z: drive.
std::wstring module_path() {
    std::string unix_path = KORVIX_OCX_PATH;
    std::wstring path = L"Z:";
    for (char c : unix_path) path.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(c));
    return path;
}

HMODULE module() {
    static HMODULE m = ::LoadLibraryW(module_path().c_str());
    return m;
}

}  // namespace

com_ptr<IUnknown> create_control() {
    using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    auto get = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(::GetProcAddress(module(), "DllGetClassObject")));
    if (!get) return {};
    com_ptr<IClassFactory> factory;
    if (FAILED(get(CLSID_Twain, IID_IClassFactory, factory.put_void()))) return {};
    com_ptr<IUnknown> control;
    factory->CreateInstance(nullptr, IID_IUnknown, control.put_void());
    return control;
}

com_ptr<IDispatch> create_initialised() {
    com_ptr<IUnknown> control = create_control();
    com_ptr<IPersistStreamInit> init = control.query<IPersistStreamInit>(IID_IPersistStreamInit);
    if (!init || FAILED(init->InitNew())) return {};
    return control.query<IDispatch>(IID_IDispatch);
}

DISPID dispid_of(IDispatch* d, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR n = const_cast<LPOLESTR>(name);
    d->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
    return id;
}

CallResult invoke(IDispatch* d, DISPID id, WORD flags, std::vector<VARIANT> args, VARIANT* result,
                  std::vector<DISPID> named) {
    DISPPARAMS p{};
    p.cArgs = static_cast<UINT>(args.size());
    p.rgvarg = args.empty() ? nullptr : args.data();
    p.cNamedArgs = static_cast<UINT>(named.size());
    p.rgdispidNamedArgs = named.empty() ? nullptr : named.data();
    EXCEPINFO e{};
    CallResult r;
    r.hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &p, result, &e, &r.arg_err);
    if (e.bstrDescription) r.description = e.bstrDescription;
    r.scode = e.scode;
    ::SysFreeString(e.bstrSource);
    ::SysFreeString(e.bstrDescription);
    ::SysFreeString(e.bstrHelpFile);
    return r;
}

LONG get_long(IDispatch* d, const wchar_t* name) {
    Variant v;
    if (FAILED(invoke(d, dispid_of(d, name), DISPATCH_PROPERTYGET, {}, &v.v).hr)) return -12345;
    if (FAILED(::VariantChangeType(&v.v, &v.v, 0, VT_I4))) return -12346;
    return V_I4(&v.v);
}

std::wstring get_string(IDispatch* d, const wchar_t* name) {
    Variant v;
    if (FAILED(invoke(d, dispid_of(d, name), DISPATCH_PROPERTYGET, {}, &v.v).hr) || V_VT(&v.v) != VT_BSTR)
        return L"<failed>";
    return V_BSTR(&v.v) ? V_BSTR(&v.v) : L"";
}

HRESULT put_value(IDispatch* d, const wchar_t* name, const VARIANT& value) {
    return invoke(d, dispid_of(d, name), DISPATCH_PROPERTYPUT, {value}, nullptr, {DISPID_PROPERTYPUT}).hr;
}

com_ptr<IPictureDisp> bitmap_picture(int w, int h) {
    window_dc screen(nullptr);
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof(desc);
    desc.picType = PICTYPE_BITMAP;
    desc.bmp.hbitmap = ::CreateCompatibleBitmap(screen.get(), w, h);
    com_ptr<IPictureDisp> pic;
    ::OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, pic.put_void());
    return pic;
}

com_ptr<IPictureDisp> icon_picture() {
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof(desc);
    desc.picType = PICTYPE_ICON;
    desc.icon.hicon = ::CopyIcon(::LoadIconW(nullptr, IDI_APPLICATION));
    com_ptr<IPictureDisp> pic;
    ::OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, pic.put_void());
    return pic;
}

}  // namespace korvix::object_test

int main(int argc, char** argv) {
    ::OleInitialize(nullptr);
    testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    ::OleUninitialize();
    return rc;
}
