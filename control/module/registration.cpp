#include "control/module/registration.h"

#include <oleauto.h>
#include <olectl.h>

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

// Removes the class key and the ProgID, unless another class took the ProgID over.
bool remove_class(const class_description& cls) noexcept {
    bool ok = registration::delete_tree(HKEY_CLASSES_ROOT, registration::class_key(cls)) == ERROR_SUCCESS;
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

bool library_registered(const class_description& cls) noexcept {
    return registration::key_exists(HKEY_CLASSES_ROOT, L"TypeLib\\" + cls.libid + L"\\1.0");
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
    HRESULT hr = S_OK;
    if (library_registered(cls)) hr = ::UnRegisterTypeLib(LIBID_Korvix, kLibMajor, kLibMinor, kLibLcid, SYS_WIN32);
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
