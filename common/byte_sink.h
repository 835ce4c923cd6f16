// A sequential byte sink: where the portable file writers (BMP, TIFF) put
// their bytes. The Windows bindings write to a file (common/win/file_sink.h);
// tests write to memory.
#pragma once

#include <cstddef>

namespace korvix {

class ByteSink {
public:
    // Appends size bytes, all of them or returns false; never throws (the
    // writers report a refused write, they do not unwind through it).
    virtual bool write(const void* data, std::size_t size) noexcept = 0;

protected:
    ~ByteSink() = default;
};

}  // namespace korvix
