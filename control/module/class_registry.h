// What registering the Twain class writes under HKEY_CLASSES_ROOT, as plain
// data: key paths, value names and string values. Portable, so the layout
// is checked natively; registration.cpp writes it with the registry API.
#pragma once

#include <string>
#include <vector>

namespace korvix::registration {

struct class_description {
    std::wstring clsid;         // "{...}"
    std::wstring prog_id;       // "Korvix.Twain"
    std::wstring display_name;  // the class key's default value
    std::wstring libid;         // "{...}"
    std::wstring type_library_version;  // "1.0"
    unsigned long misc_status;  // OLEMISC flags for the content aspect
    unsigned toolbox_bitmap_id;
};

// One REG_SZ value; an empty name is the key's default value.
struct registry_value {
    std::wstring key;
    std::wstring name;
    std::wstring data;
};

// "CLSID\{...}": owned entirely by the class, removed as a whole.
std::wstring class_key(const class_description& cls);

// Every value the class writes, parents before children.
std::vector<registry_value> class_values(const class_description& cls, const std::wstring& module_path);

// Strips the "\\?\" (and "\\?\UNC\") long-path prefix some loaders put on a
// module's file name, so hosts that read the registry get a plain path.
std::wstring without_long_path_prefix(const std::wstring& path);

}  // namespace korvix::registration
