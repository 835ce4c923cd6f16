#include <windows.h>  // first: it sets the calling convention the entry uses

#include "twain/win/dsm_library.h"

#include "common/win/unique_resource.h"

namespace korvix::twain {

namespace {

// The entry of the first library of the list that has one; null when none
// loads. Bound once per list and process, and kept: sources the DSM loaded
// may still hold pointers into it, so it is never unloaded. A failed binding
// is tried again at the next call (TWAIN may have been installed since).
DSMENTRYPROC bind(DsmLibrary::Names names, DWORD& error) noexcept {
    static DSMENTRYPROC bound[2] = {};
    DSMENTRYPROC& entry = bound[static_cast<int>(names)];
    if (entry) return entry;
    const char* const only_32[] = {"TWAIN_32.DLL"};
    const char* const dsm_then_32[] = {"TWAINDSM.DLL", "TWAIN_32.DLL"};
    const bool both = names == DsmLibrary::Names::twaindsm_then_twain_32;
    const char* const* list = both ? dsm_then_32 : only_32;
    error = ERROR_MOD_NOT_FOUND;
    for (int i = 0; i < (both ? 2 : 1) && !entry; ++i) {
        unique_hmodule library(::LoadLibraryA(list[i]));
        if (!library) {
            error = ::GetLastError();
            continue;
        }
        entry = reinterpret_cast<DSMENTRYPROC>(::GetProcAddress(library.get(), "DSM_Entry"));
        if (entry)
            library.release();  // kept loaded for good
        else
            error = ERROR_PROC_NOT_FOUND;
    }
    return entry;
}

}  // namespace

bool DsmLibrary::available() noexcept {
    DWORD error = 0;
    return bind(names_, error) != nullptr;
}

TW_UINT16 DsmLibrary::entry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                            TW_MEMREF data) {
    DWORD error = 0;
    const DSMENTRYPROC entry = bind(names_, error);
    if (entry) return entry(origin, dest, dg, dat, msg, data);
    const bool both = names_ == Names::twaindsm_then_twain_32;
    if (error == ERROR_PROC_NOT_FOUND)
        throw hresult_error(HRESULT_FROM_WIN32(error),
                            both ? "The TWAIN Data Source Manager installed on this computer (TWAINDSM.DLL or "
                                   "TWAIN_32.DLL) has no DSM_Entry: it is damaged."
                                 : "TWAIN_32.DLL has no DSM_Entry: the TWAIN Data Source Manager installed on this "
                                   "computer is damaged.");
    throw hresult_error(HRESULT_FROM_WIN32(error),
                        both ? "The 64-bit TWAIN Data Source Manager (TWAINDSM.DLL or TWAIN_32.DLL) cannot be loaded."
                             : "The TWAIN Data Source Manager (TWAIN_32.DLL) cannot be loaded: no scanner software "
                               "is installed on this computer.");
}

}  // namespace korvix::twain
