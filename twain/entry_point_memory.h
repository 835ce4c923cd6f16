// The memory a TWAIN 2 source manager shares with its sources, reached
// through the functions its DAT_ENTRYPOINT hands out. Those have no size
// query: sizes are asked of the platform's own memory, which on Windows is
// what TWAIN 2 source managers allocate from (a block it cannot size counts
// as empty, so nothing of it is read).
#pragma once

#include "twain/twain_platform.h"
#include "twain/twain_types.h"

namespace korvix::twain {

class EntryPointMemory final : public GlobalMemory {
public:
    // entry: as DAT_ENTRYPOINT filled it, its four memory functions set.
    EntryPointMemory(const TW_ENTRYPOINT& entry, GlobalMemory& sizes) noexcept : entry_(entry), sizes_(sizes) {}
    static bool usable(const TW_ENTRYPOINT& entry) noexcept {
        return entry.DSM_MemAllocate && entry.DSM_MemFree && entry.DSM_MemLock && entry.DSM_MemUnlock;
    }

    TW_HANDLE alloc_zeroed(std::size_t bytes) noexcept override;
    void* lock(TW_HANDLE block) noexcept override { return entry_.DSM_MemLock(block); }
    void unlock(TW_HANDLE block) noexcept override { entry_.DSM_MemUnlock(block); }
    bool free(TW_HANDLE block) noexcept override {
        entry_.DSM_MemFree(block);
        return true;
    }
    std::size_t size(TW_HANDLE block) noexcept override { return sizes_.size(block); }

private:
    TW_ENTRYPOINT entry_;
    GlobalMemory& sizes_;
};

}  // namespace korvix::twain
