// JPEG: the markers up to the first frame header (SOFn), each segment's
// length inside the file, and that frame's width, height (0 would mean a
// height given later, which the decoders do not take) and 1 to 4 components.
// Scan data is the decoder's business: a JPEG cut short still decodes, grey
// where the data ends, as it always has.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codecs/checks/image_check.h"

namespace korvix {

FileRefusal check_jpeg(const std::uint8_t* data, std::size_t size, ImageCheck& image);

}  // namespace korvix
