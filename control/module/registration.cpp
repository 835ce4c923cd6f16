#include "control/module/registration.h"

#include <oleauto.h>
#include <olectl.h>

#include <cwchar>
#include <string>
#include <vector>

#include "common/win/unique_resource.h"
#include "control/korvix_ids.h"
#include "control/module/class_registry.h"
#include "control/module/registry_access.h"
#include "control/resources/resource_ids.h"
#include "control/twain_factory.h"

namespace korvix {

namespace {

using registration::class_description;

constexpr WORD kLibMajor = 1;
constexpr WORD kLibMinor = 0;
constexpr LCID kLibLcid = 0x0409;

// On 64-bit Windows a 64-bit and a 32-bit module register the same class
// side by side: each in its own registry view of CLSID and under its own
// system kind below the library's key, while the ProgID and the library's
// key (and, under Wine, the interface keys) are shared by both. Unregistering
// one module leaves what the other still needs.
#ifdef _WIN64
constexpr REGSAM kOtherView = KEY_WOW64_32KEY;
constexpr const wchar_t* kOwnSysKind = L"win64";
constexpr const wchar_t* kOtherSysKind = L"win32";
#else
constexpr REGSAM kOtherView = KEY_WOW64_64KEY;  // ignored where there is no other view
constexpr const wchar_t* kOwnSysKind = L"win32";
constexpr const wchar_t* kOtherSysKind = L"win64";
#endif

class_description twain_class() {
    return {kClsidString, kProgId, L"Korvix Twain Control", kLibIdString, L"1.0", kTwainMiscStatus,
            IDB_TOOLBOX_BITMAP};
}

// The module's own file name, without a long-path prefix.
bool module_path(std::wstring& path) noexcept {
    try {
        std::vector<wchar_t> buffer(MAX_PATH);
        for (;;) {
            const DWORD length =
                ::GetModuleFileNameW(module_instance(), buffer.data(), static_cast<DWORD>(buffer.size()));
            if (length == 0) return false;
            if (length < buffer.size()) {
                path = registration::without_long_path_prefix(std::wstring(buffer.data(), length));
                return true;
            }
            if (buffer.size() >= 32768) return false;
            buffer.resize(buffer.size() * 2);  // truncated: try a larger buffer
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool write_class(const class_description& cls, const std::wstring& path) noexcept {
    try {
        for (const auto& value : registration::class_values(cls, path)) {
            if (registration::write_string(HKEY_CLASSES_ROOT, value.key, value.name, value.data) != ERROR_SUCCESS)
                return false;
        }
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// The other bitness's module still has its class registered (only ever
// asked after this module's own class key is gone).
bool other_class_registered(const class_description& cls) noexcept {
    try {
        return registration::key_exists(HKEY_CLASSES_ROOT, registration::class_key(cls) + L"\\InprocServer32",
                                        kOtherView);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Removes the class key and the ProgID, unless another class took the ProgID
// over or the other bitness's module still uses it.
bool remove_class(const class_description& cls) noexcept {
    bool ok = registration::delete_tree(HKEY_CLASSES_ROOT, registration::class_key(cls)) == ERROR_SUCCESS;
    if (other_class_registered(cls)) return ok;
    std::wstring owner;
    const bool has_owner = registration::read_string(HKEY_CLASSES_ROOT, cls.prog_id + L"\\CLSID", L"", owner);
    if (!has_owner || ::lstrcmpiW(owner.c_str(), cls.clsid.c_str()) == 0) {
        ok = registration::delete_tree(HKEY_CLASSES_ROOT, cls.prog_id) == ERROR_SUCCESS && ok;
    }
    return ok;
}

HRESULT register_library(const std::wstring& path) noexcept {
    com_ptr<ITypeLib> library;
    KORVIX_RETURN_IF_FAILED(::LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put()));
    // The path is passed explicitly so the registry gets the plain file name.
    return ::RegisterTypeLib(library.get(), const_cast<OLECHAR*>(path.c_str()), nullptr);
}

std::wstring library_version_key(const class_description& cls) { return L"TypeLib\\" + cls.libid + L"\\1.0"; }

// "TypeLib\{...}\1.0\409\win64": where one system kind's module is recorded.
std::wstring library_sys_key(const class_description& cls, const wchar_t* sys_kind) {
    wchar_t lcid[16] = {};
    std::swprintf(lcid, 16, L"%lx", static_cast<unsigned long>(kLibLcid));
    return library_version_key(cls) + L"\\" + lcid + L"\\" + sys_kind;
}

bool other_library_registered(const class_description& cls) noexcept {
    try {
        return registration::key_exists(HKEY_CLASSES_ROOT, library_sys_key(cls, kOtherSysKind));
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Whether anything of this module's library registration is left.
bool library_registered(const class_description& cls) noexcept {
    try {
        if (other_library_registered(cls))
            return registration::key_exists(HKEY_CLASSES_ROOT, library_sys_key(cls, kOwnSysKind));
        return registration::key_exists(HKEY_CLASSES_ROOT, library_version_key(cls));
    } catch (const std::bad_alloc&) {
        return true;
    }
}

std::wstring guid_string(const GUID& guid) {
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, 40);
    return text;
}

// Interface keys that still name this library (left when the library's own
// key was removed by hand, so UnRegisterTypeLib could not find them).
bool remove_interface_keys(const class_description& cls) noexcept {
    bool ok = true;
    for (const GUID* iid : {&IID__Twain, &DIID___Twain}) {
        const std::wstring key = L"Interface\\" + guid_string(*iid);
        std::wstring library;
        if (!registration::read_string(HKEY_CLASSES_ROOT, key + L"\\TypeLib", L"", library)) continue;
        if (::lstrcmpiW(library.c_str(), cls.libid.c_str()) != 0) continue;
        ok = registration::delete_tree(HKEY_CLASSES_ROOT, key) == ERROR_SUCCESS && ok;
    }
    return ok;
}

HRESULT unregister_library(const class_description& cls) noexcept {
    if (other_library_registered(cls)) {
        // Only this module's own record goes; the library's key and its
        // interfaces stay for the other module.
        try {
            return registration::delete_tree(HKEY_CLASSES_ROOT, library_sys_key(cls, kOwnSysKind)) == ERROR_SUCCESS
                       ? S_OK
                       : SELFREG_E_TYPELIB;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }
    HRESULT hr = S_OK;
    if (library_registered(cls))
        hr = ::UnRegisterTypeLib(LIBID_Korvix, kLibMajor, kLibMinor, kLibLcid, kTypeLibSysKind);
    if (!remove_interface_keys(cls) && SUCCEEDED(hr)) hr = SELFREG_E_TYPELIB;
    return hr;
}

}  // namespace

HRESULT register_server() noexcept {
    try {
        const class_description cls = twain_class();
        std::wstring path;
        if (!module_path(path)) return SELFREG_E_CLASS;
        // Start from a clean class key, so nothing of an older registration lingers.
        remove_class(cls);
        if (!write_class(cls, path)) {
            remove_class(cls);
            return SELFREG_E_CLASS;
        }
        if (FAILED(register_library(path))) {
            unregister_library(cls);
            remove_class(cls);
            return SELFREG_E_TYPELIB;
        }
        return S_OK;
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}

HRESULT unregister_server() noexcept {
    try {
        const class_description cls = twain_class();
        const bool class_removed = remove_class(cls);
        const HRESULT library = unregister_library(cls);
        if (!class_removed) return SELFREG_E_CLASS;
        if (FAILED(library) && library_registered(cls)) return SELFREG_E_TYPELIB;
        return S_OK;
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}

}  // namespace korvix
