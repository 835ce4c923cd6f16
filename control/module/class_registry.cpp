#include "control/module/class_registry.h"

namespace korvix::registration {

namespace {
// Component categories: an ActiveX control, and one programmable through automation.
constexpr const wchar_t* kCatidControl = L"{40FC6ED4-2438-11CF-A3DB-080036F12502}";
constexpr const wchar_t* kCatidProgrammable = L"{40FC6ED5-2438-11CF-A3DB-080036F12502}";
}  // namespace

std::wstring class_key(const class_description& cls) { return L"CLSID\\" + cls.clsid; }

std::vector<registry_value> class_values(const class_description& cls, const std::wstring& module_path) {
    const std::wstring key = class_key(cls);
    const std::wstring categories = key + L"\\Implemented Categories\\";
    return {
        {key, L"", cls.display_name},
        {key + L"\\ProgID", L"", cls.prog_id},
        {key + L"\\InprocServer32", L"", module_path},
        {key + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {key + L"\\Control", L"", L""},
        // Containers read the aspect's own subkey first, the default value otherwise.
        {key + L"\\MiscStatus", L"", L"0"},
        {key + L"\\MiscStatus\\1", L"", std::to_wstring(cls.misc_status)},
        {key + L"\\ToolboxBitmap32", L"", module_path + L", " + std::to_wstring(cls.toolbox_bitmap_id)},
        {key + L"\\TypeLib", L"", cls.libid},
        {key + L"\\Version", L"", cls.type_library_version},
        {categories + kCatidControl, L"", L""},
        {categories + kCatidProgrammable, L"", L""},
        {cls.prog_id, L"", cls.display_name},
        {cls.prog_id + L"\\CLSID", L"", cls.clsid},
    };
}

std::wstring without_long_path_prefix(const std::wstring& path) {
    const std::wstring unc = L"\\\\?\\UNC\\";
    const std::wstring local = L"\\\\?\\";
    if (path.compare(0, unc.size(), unc) == 0) return L"\\\\" + path.substr(unc.size());
    if (path.compare(0, local.size(), local) == 0) return path.substr(local.size());
    return path;
}

}  // namespace korvix::registration
