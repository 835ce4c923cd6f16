// What a native transfer hands over: a shared block holding a DIB, or (from
// some sources, cameras mostly) a GDI bitmap. Whoever takes the handle must
// tell the two apart before touching it, and release each its own way.
#pragma once

#include <windows.h>

#include "twain/twain_platform.h"

namespace korvix::twain {

// Asked first: GlobalLock on a bitmap handle is not defined.
inline bool is_bitmap(TW_HANDLE image) noexcept {
    return image && ::GetObjectType(static_cast<HGDIOBJ>(image)) == OBJ_BITMAP;
}

// Deletes the bitmap or frees the block (memory: the call's shared memory);
// sets image to null. Null is left alone.
inline void release_image(TW_HANDLE& image, GlobalMemory& memory) noexcept {
    if (!image) return;
    if (is_bitmap(image))
        ::DeleteObject(static_cast<HGDIOBJ>(image));
    else
        memory.free(image);
    image = nullptr;
}

}  // namespace korvix::twain
