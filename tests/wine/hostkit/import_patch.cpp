#include "tests/wine/hostkit/import_patch.h"

#include <cstring>

namespace korvix::hostkit {

import_patch::import_patch(HMODULE module, const char* dll, const char* function, const void* replacement) {
    if (!module) return;
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress) return;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name; ++d) {
        if (_stricmp(reinterpret_cast<const char*>(base + d->Name), dll) != 0 || !d->OriginalFirstThunk) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* by_name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(by_name->Name), function) != 0) continue;
            slot_ = reinterpret_cast<ULONG_PTR*>(&slots->u1.Function);
            original_ = *slot_;
            write(reinterpret_cast<ULONG_PTR>(replacement));
            return;
        }
    }
}

import_patch::~import_patch() {
    if (slot_) write(original_);
}

void import_patch::write(ULONG_PTR value) noexcept {
    DWORD old = 0;
    ::VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &old);
    *slot_ = value;
    ::VirtualProtect(slot_, sizeof *slot_, old, &old);
}

}  // namespace korvix::hostkit
