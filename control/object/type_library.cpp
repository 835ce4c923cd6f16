#include "control/object/type_library.h"

#include <string>

#include "common/win/unique_resource.h"
#include "control/korvix_ids.h"
#include "control/twain_factory.h"

namespace korvix {

HRESULT korvix_type_library(ITypeLib** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    // One load per process; the library stays loaded with the module. Only
    // the UI thread calls this (apartment-threaded control).
    static ITypeLib* cached = nullptr;
    if (!cached) {
        wchar_t path[MAX_PATH * 2];
        const DWORD n = ::GetModuleFileNameW(module_instance(), path, MAX_PATH * 2);
        if (n == 0 || n >= MAX_PATH * 2) return HRESULT_FROM_WIN32(::GetLastError());
        ITypeLib* lib = nullptr;
        KORVIX_RETURN_IF_FAILED(::LoadTypeLibEx(path, REGKIND_NONE, &lib));
        cached = lib;  // deliberately kept: oleaut32 may be gone at process exit
    }
    cached->AddRef();
    *out = cached;
    return S_OK;
}

HRESULT twain_interface_type_info(ITypeInfo** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    com_ptr<ITypeLib> lib;
    KORVIX_RETURN_IF_FAILED(korvix_type_library(lib.put()));
    com_ptr<ITypeInfo> info;
    KORVIX_RETURN_IF_FAILED(lib->GetTypeInfoOfGuid(IID__Twain, info.put()));
    TYPEATTR* attr = nullptr;
    KORVIX_RETURN_IF_FAILED(info->GetTypeAttr(&attr));
    const TYPEKIND kind = attr->typekind;
    info->ReleaseTypeAttr(attr);
    if (kind == TKIND_DISPATCH) {
        HREFTYPE ref = 0;
        KORVIX_RETURN_IF_FAILED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref));
        com_ptr<ITypeInfo> vtable_view;
        KORVIX_RETURN_IF_FAILED(info->GetRefTypeInfo(ref, vtable_view.put()));
        info = vtable_view;
    }
    *out = info.detach();
    return S_OK;
}

HRESULT twain_class_type_info(ITypeInfo** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    com_ptr<ITypeLib> lib;
    KORVIX_RETURN_IF_FAILED(korvix_type_library(lib.put()));
    return lib->GetTypeInfoOfGuid(CLSID_Twain, out);
}

}  // namespace korvix
