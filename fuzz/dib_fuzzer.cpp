// The transferred-DIB check on arbitrary bytes, and the BMP writer on what
// it accepts. Beyond "no crash": every offset of an accepted layout lies in
// the block, and the file written is exactly as long as its header says.
#include <cstdint>
#include <cstdlib>

#include "twain/bmp_writer.h"
#include "twain/dib_layout.h"

namespace {

using namespace korvix::twain;

class CountingSink final : public ByteSink {
public:
    std::size_t bytes = 0;
    bool write(const void*, std::size_t n) noexcept override {
        bytes += n;
        return true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const DibCheck check = check_dib(size ? data : nullptr, size);
    if (!check) return 0;
    const DibLayout& l = check.layout;
    const bool inside = l.used_bytes <= size && l.pixel_offset <= l.used_bytes &&
                        l.palette_offset + std::size_t{l.palette_entries} * 4 <= l.pixel_offset &&
                        l.pixel_offset + l.row_bytes * static_cast<std::size_t>(l.height) == l.used_bytes;
    if (!inside || l.width <= 0 || l.height <= 0) std::abort();
    CountingSink sink;
    if (write_bmp(data, l, sink) && sink.bytes != l.out_file_bytes) std::abort();
    return 0;
}
