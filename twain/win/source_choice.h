// The source a user chose in the 64-bit control's chooser (sources of both
// bitnesses), remembered per user under the key below in HKEY_CURRENT_USER:
// its name ("Source") and the bitness of the source manager that lists it
// ("SourceBits", 64 or 32). Scan opens it on its side.
#pragma once

#include <string>

namespace korvix::twain {

struct SourceChoice {
    enum class Side { none, native, helper };  // native: the module's own bitness
    Side side = Side::none;
    std::string name;
};

constexpr const wchar_t* kSourceChoiceKey = L"Software\\Korvix\\Twain";

// None when nothing (or nothing readable) is remembered.
SourceChoice remembered_source() noexcept;
void remember_source(const SourceChoice& choice) noexcept;

}  // namespace korvix::twain
