// What a module's self-registration wrote under HKEY_CLASSES_ROOT, turned
// into WiX <RegistryValue> elements for the installer package, with the
// module's own location replaced by the package's reference to the
// installed file. Portable: the text rules are checked natively.
#pragma once

#include <string>
#include <vector>

namespace korvix::installer {

// One REG_SZ value below HKEY_CLASSES_ROOT; an empty name is the key's default value.
struct registry_entry {
    std::wstring key;
    std::wstring name;
    std::wstring data;
};

// Text that stands for an installed location (matched without regard to
// case) and the installer's formatted reference that replaces it, such as
// "[#korvixlite.ocx]" for the module's file. A folder ends in a backslash,
// as the installer's folder references do; a whole value that names the
// folder without it takes the reference too.
struct location_reference {
    std::wstring text;
    std::wstring reference;
};

// An <Include> with one <RegistryValue> per entry, sorted by key and name,
// in UTF-8. Brackets that are not references are escaped, so the installer
// writes them literally. Throws std::invalid_argument for an entry that a
// Registry row cannot reproduce.
std::string wix_registry_include(std::vector<registry_entry> entries,
                                 const std::vector<location_reference>& references);

}  // namespace korvix::installer
