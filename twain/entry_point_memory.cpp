#include "twain/entry_point_memory.h"

#include <cstring>
#include <limits>

namespace korvix::twain {

// The source manager does not promise zeroed blocks; ours always are.
TW_HANDLE EntryPointMemory::alloc_zeroed(std::size_t bytes) noexcept {
    if (bytes > std::numeric_limits<TW_UINT32>::max()) return nullptr;
    TW_HANDLE block = entry_.DSM_MemAllocate(static_cast<TW_UINT32>(bytes));
    if (!block) return nullptr;
    void* at = entry_.DSM_MemLock(block);
    if (!at) {
        entry_.DSM_MemFree(block);
        return nullptr;
    }
    std::memset(at, 0, bytes);
    entry_.DSM_MemUnlock(block);
    return block;
}

}  // namespace korvix::twain
