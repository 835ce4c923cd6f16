#include "tests/wine/hostkit/import_patch.h"

#include <cstring>
#include <utility>

namespace korvix::hostkit {

import_patch::import_patch(HMODULE module, const char* dll, const char* function, const void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(module);
    if (!base) return;
    const LONG nt_offset = reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew;
    const auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + nt_offset);
    const DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports); imports && d->Name; ++d) {
        if (_stricmp(reinterpret_cast<const char*>(base + d->Name), dll) != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* by_name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(by_name->Name), function) != 0) continue;
            slot_ = reinterpret_cast<ULONG_PTR*>(&slots->u1.Function);
            original_ = swap(reinterpret_cast<ULONG_PTR>(replacement));
            return;
        }
    }
}

import_patch::~import_patch() {
    if (slot_) swap(original_);
}

ULONG_PTR import_patch::swap(ULONG_PTR value) noexcept {
    DWORD old = 0;
    ::VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &old);
    std::swap(*slot_, value);
    ::VirtualProtect(slot_, sizeof *slot_, old, &old);
    return value;
}

}  // namespace korvix::hostkit
