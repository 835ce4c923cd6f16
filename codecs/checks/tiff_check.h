// TIFF (classic, either byte order): the first page's directory, which is
// the page the loader shows. The directory and every value array it points
// to lie inside the file; width and length are positive; strips or tiles
// have positive sizes, their offsets all lie inside the file, and one strip
// or tile (bytes per row x rows) stays within 32 bits, the decoders'
// arithmetic. Later pages are the decoder's business: it reads them only
// when asked.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codecs/checks/image_check.h"

namespace korvix {

FileRefusal check_tiff(const std::uint8_t* data, std::size_t size, ImageCheck& image);

}  // namespace korvix
