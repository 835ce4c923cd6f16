// DSM_Entry of TWAIN_32.DLL, bound by name at the first call and kept for the
// life of the process. The library is never imported, so the control loads
// on machines without TWAIN; a missing library or entry point is an
// hresult_error with a description the host can show.
#pragma once

#include "twain/twain_platform.h"

namespace korvix::twain {

class DsmLibrary final : public DsmEntry {
public:
    TW_UINT16 entry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                    TW_MEMREF data) override;
};

}  // namespace korvix::twain
