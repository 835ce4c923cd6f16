// A sequential byte sink: where the portable file writers (BMP, TIFF) put
// their bytes. The Windows bindings write to a file (common/win/file_sink.h);
// tests write to memory.
#pragma once

#include <cstddef>

namespace korvix {

class ByteSink {
public:
    // Appends size bytes, all of them or returns false.
    virtual bool write(const void* data, std::size_t size) = 0;

protected:
    ~ByteSink() = default;
};

}  // namespace korvix
