// DSM_Entry of the source manager, bound by name at the first call and kept
// for the life of the process. The 32-bit control binds TWAIN_32.DLL; the
// 64-bit one TWAINDSM.DLL (the TWAIN 2 manager 64-bit Windows uses) and,
// where that is missing, TWAIN_32.DLL (Wine's 64-bit manager has that name).
// The library is never imported, so the control loads on machines without
// TWAIN; a missing library or entry point is an hresult_error with a
// description the host can show.
#pragma once

#include "twain/twain_platform.h"

namespace korvix::twain {

class DsmLibrary final : public DsmEntry {
public:
    enum class Names { twain_32, twaindsm_then_twain_32 };
    explicit DsmLibrary(Names names = Names::twain_32) noexcept : names_(names) {}

    TW_UINT16 entry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                    TW_MEMREF data) override;
    // Binds the library now; false (no throw) when it cannot be bound.
    bool available() noexcept;

private:
    Names names_;
};

}  // namespace korvix::twain
