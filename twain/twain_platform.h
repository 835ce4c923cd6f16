// What the TWAIN driver needs of its platform, as small abstract interfaces:
// the DSM's single entry, global memory, the thread's event pump, the hidden
// message window, and the step that turns a transferred image into the
// caller's picture. The Win32 binding implements them (twain/win/); the
// native tests script them.
#pragma once

#include <cstddef>

#include "twain/twain_types.h"

namespace korvix::twain {

// DSM_Entry. May throw at the first call when the library cannot be bound;
// before that call nothing is open, so nothing needs closing.
class DsmEntry {
public:
    virtual TW_UINT16 entry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                            TW_MEMREF data) = 0;

protected:
    ~DsmEntry() = default;
};

// GlobalAlloc (movable, zero-filled), GlobalLock, GlobalUnlock, GlobalFree,
// GlobalSize; or a TWAIN 2 source manager's own memory functions (see
// entry_point_memory.h), for the blocks shared with a source.
class GlobalMemory {
public:
    virtual TW_HANDLE alloc_zeroed(std::size_t bytes) noexcept = 0;
    virtual void* lock(TW_HANDLE block) noexcept = 0;
    virtual void unlock(TW_HANDLE block) noexcept = 0;
    virtual bool free(TW_HANDLE block) noexcept = 0;  // true when freed
    virtual std::size_t size(TW_HANDLE block) noexcept = 0;

protected:
    ~GlobalMemory() = default;
};

// lock() ... unlock() of a shared block, on every path.
class LockedBlock {
public:
    LockedBlock(GlobalMemory& memory, TW_HANDLE block) noexcept
        : memory_(memory), block_(block), at_(block ? memory.lock(block) : nullptr) {}
    ~LockedBlock() {
        if (at_) memory_.unlock(block_);
    }
    LockedBlock(const LockedBlock&) = delete;
    LockedBlock& operator=(const LockedBlock&) = delete;
    void* get() const noexcept { return at_; }

private:
    GlobalMemory& memory_;
    TW_HANDLE block_;
    void* at_;
};

// The thread's message queue, as GetMessage, TranslateMessage and
// DispatchMessage see it.
class EventPump {
public:
    enum class Wait { message, quit, failed };
    // Blocks until the next message of the thread (no filter).
    virtual Wait wait() noexcept = 0;
    // The message wait() received, for TW_EVENT.pEvent.
    virtual void* message() noexcept = 0;
    // The exit code of the quit message wait() received.
    virtual int quit_code() const noexcept = 0;
    virtual void dispatch() noexcept = 0;
    // Posts the quit message again, so the host's own loop sees it.
    virtual void repost_quit(int exit_code) noexcept = 0;

protected:
    ~EventPump() = default;
};

// The hidden window that is the DSM's parent during one call.
class MessageWindows {
public:
    virtual TW_HANDLE create() noexcept = 0;  // null on failure
    virtual bool destroy(TW_HANDLE window) noexcept = 0;

protected:
    ~MessageWindows() = default;
};

// Turns the handle of a native transfer into the caller's picture
// (DibToPicture). Sources hand over a block of shared memory holding a DIB,
// or on some platforms a bitmap of the windowing system; only the sink knows
// how each kind is released. memory: the shared memory of this call, which
// a block is locked, sized and freed with.
class ImageSink {
public:
    // Returns 0 when the picture was replaced, 1 when not. Whenever it
    // released the image it sets image to null; an image it did not release
    // stays the caller's.
    virtual TW_UINT32 take(TW_HANDLE& image, GlobalMemory& memory) noexcept = 0;
    // Releases an image handle of any kind that was not taken; sets it to
    // null. Null is left alone.
    virtual void release(TW_HANDLE& image, GlobalMemory& memory) noexcept = 0;

protected:
    ~ImageSink() = default;
};

}  // namespace korvix::twain
