// The virtual scanner: a TWAIN 1.9 data source (.ds) of a flatbed that
// scans the test page. Installed in the TWAIN sources folder (twain_32).
#include <windows.h>

#include "twain/virtual_scanner/win/data_source.h"

namespace {

HINSTANCE g_module = nullptr;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" korvix::twain::TW_UINT16 WINAPI DS_Entry(korvix::twain::TW_IDENTITY* origin, korvix::twain::TW_UINT32 dg,
                                                    korvix::twain::TW_UINT16 dat, korvix::twain::TW_UINT16 msg,
                                                    korvix::twain::TW_MEMREF data) {
    static korvix::twain::DataSource source(g_module, "Korvix Virtual Scanner");
    return source.entry(origin, dg, dat, msg, data);
}
