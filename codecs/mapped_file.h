// A file's bytes, mapped read-only for as long as this lives. Others may
// read the file meanwhile but not write it, so the bytes the loader checks
// are the bytes its decoder reads, and they cannot change or vanish under it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/win/unique_resource.h"

namespace korvix {

class MappedFile {
public:
    // False (GetLastError says why) for a file that cannot be opened or
    // mapped, an empty one, or one larger than a 32-bit stream can present.
    bool open(const std::wstring& path);
    const std::uint8_t* data() const noexcept { return static_cast<const std::uint8_t*>(view_.get()); }
    std::size_t size() const noexcept { return size_; }

private:
    unique_handle file_, mapping_;
    unique_view view_;
    std::size_t size_ = 0;
};

}  // namespace korvix
