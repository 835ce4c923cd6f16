// A ByteSink over an open file handle (not owned). WriteFile takes a DWORD,
// so large writes go in chunks; after a failed write every later one fails.
#pragma once

#include <windows.h>

#include <algorithm>

#include "common/byte_sink.h"

namespace korvix {

class FileSink final : public ByteSink {
public:
    explicit FileSink(HANDLE file) noexcept : file_(file) {}
    bool write(const void* data, std::size_t size) noexcept override {
        const auto* at = static_cast<const BYTE*>(data);
        while (ok_ && size > 0) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, std::size_t{1} << 24));
            DWORD written = 0;
            ok_ = ::WriteFile(file_, at, chunk, &written, nullptr) && written == chunk;
            at += chunk;
            size -= chunk;
        }
        return ok_;
    }

private:
    HANDLE file_;
    bool ok_ = true;
};

}  // namespace korvix
