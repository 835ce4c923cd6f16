// korvix_twain32.exe for the scan benchmark: the real helper (the same
// server over the same 32-bit source manager), whose source manager entry
// also notes the moment the source signals its transfer ready, in a mapping
// the benchmark made, as the benchmark's hook notes that moment in the
// control's own process. Ticks of the performance counter, which both
// processes share.
#include <windows.h>

#include "common/win/unique_resource.h"
#include "twain/helper/helper_server.h"
#include "twain/win/dsm_library.h"

namespace {

using namespace korvix;
using namespace korvix::twain;

class NotingDsm final : public DsmEntry {
public:
    explicit NotingDsm(DsmEntry& dsm) noexcept
        : dsm_(dsm), mapping_(::OpenFileMappingW(FILE_MAP_WRITE, FALSE, L"Local\\korvix-scan-bench-ready")) {
        if (mapping_) at_ = static_cast<LONGLONG*>(::MapViewOfFile(mapping_.get(), FILE_MAP_WRITE, 0, 0, sizeof *at_));
    }
    ~NotingDsm() {
        if (at_) ::UnmapViewOfFile(at_);
    }
    TW_UINT16 entry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                    TW_MEMREF data) override {
        const TW_UINT16 rc = dsm_.entry(origin, dest, dg, dat, msg, data);
        if (at_ && dat == DAT_EVENT && static_cast<const TW_EVENT*>(data)->TWMessage == MSG_XFERREADY) {
            LARGE_INTEGER now;
            ::QueryPerformanceCounter(&now);
            *at_ = now.QuadPart;
        }
        return rc;
    }

private:
    DsmEntry& dsm_;
    unique_handle mapping_;
    LONGLONG* at_ = nullptr;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    DsmLibrary library;
    NotingDsm noting(library);
    return helper::serve_command_line(noting);
}
