// Stands in for one function a loaded module imports, by rewriting its slot
// in the module's import address table until the patch goes out of scope.
// Tests use it to watch the calls a module makes to the system (GDI+, the
// shell) while the module runs as it ships.
#pragma once

#include <windows.h>

namespace korvix::hostkit {

class import_patch {
public:
    // dll and function as the module imports them (the dll name ignores case).
    import_patch(HMODULE module, const char* dll, const char* function, const void* replacement);
    ~import_patch();
    import_patch(const import_patch&) = delete;
    import_patch& operator=(const import_patch&) = delete;
    bool active() const noexcept { return slot_ != nullptr; }

private:
    ULONG_PTR swap(ULONG_PTR value) noexcept;  // returns what the slot held
    ULONG_PTR* slot_ = nullptr;
    ULONG_PTR original_ = 0;
};

}  // namespace korvix::hostkit
