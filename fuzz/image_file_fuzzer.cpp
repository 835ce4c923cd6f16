// The loader's image file checks on arbitrary bytes. What they accept must be
// safe to hand to a decoder: a known format, a size within the picture
// limits, and for a GIF a cut after the first frame that is itself a GIF of
// one frame passing the same checks with the same size.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "codecs/checks/image_check.h"
#include "codecs/checks/picture_limits.h"

using namespace korvix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ImageCheck image = check_image_file(data, size);
    if (!image.accepted()) {
        if (image.decode_length != 0 || image.width != 0) std::abort();
        return 0;
    }
    if (image.format == ImageFormat::unknown || !fits_picture_limits(image.width, image.height) ||
        image.decode_length == 0 || image.decode_length > size)
        std::abort();
    if (image.format != ImageFormat::gif) {
        if (image.decode_length != size || image.append_trailer) std::abort();
        return 0;
    }
    std::vector<std::uint8_t> first(data, data + image.decode_length);
    if (image.append_trailer) first.push_back(';');
    const ImageCheck again = check_image_file(first.data(), first.size());
    if (!again.accepted() || again.width != image.width || again.height != image.height) std::abort();
    return 0;
}
