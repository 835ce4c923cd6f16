#include <windows.h>  // first: it sets the calling convention the entry uses

#include "twain/win/dsm_library.h"

#include "common/win/unique_resource.h"

namespace korvix::twain {

namespace {

using DsmEntryProc = TW_UINT16(WINAPI*)(TW_IDENTITY*, TW_IDENTITY*, TW_UINT32, TW_UINT16, TW_UINT16, TW_MEMREF);

// Bound once per process and kept: sources the DSM loaded may still hold
// pointers into it, so it is never unloaded. A failed binding is tried
// again at the next call (TWAIN may have been installed since).
DsmEntryProc bound_entry() {
    static DsmEntryProc entry = nullptr;
    if (entry) return entry;
    unique_hmodule library(::LoadLibraryA("TWAIN_32.DLL"));
    if (!library)
        throw hresult_error(HRESULT_FROM_WIN32(::GetLastError()),
                            "The TWAIN Data Source Manager (TWAIN_32.DLL) cannot be loaded: no scanner software "
                            "is installed on this computer.");
    const auto found = reinterpret_cast<DsmEntryProc>(::GetProcAddress(library.get(), "DSM_Entry"));
    if (!found)
        throw hresult_error(HRESULT_FROM_WIN32(::GetLastError()),
                            "TWAIN_32.DLL has no DSM_Entry: the TWAIN Data Source Manager installed on this "
                            "computer is damaged.");
    library.release();  // kept loaded for good
    entry = found;
    return entry;
}

}  // namespace

TW_UINT16 DsmLibrary::entry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                            TW_MEMREF data) {
    return bound_entry()(origin, dest, dg, dat, msg, data);
}

}  // namespace korvix::twain
