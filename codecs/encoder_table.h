// FileTypeEncoders: which format and which GDI+ encoder each file type
// (IMAGE_TYPE) selects. The encoder is named by the text of its class
// identifier, as stored; GDI+ compares the converted value, so letter case
// does not matter.
#pragma once

#include <cstdint>

namespace korvix {

enum class ImageFormat { bmp, jpeg, gif, tiff, png };

struct FileTypeEncoder {
    ImageFormat format;
    const wchar_t* clsid_text;
};

// Rows 0 (twBITMAP) to 4; any other file type takes the BMP row.
FileTypeEncoder encoder_for_file_type(int32_t file_type) noexcept;

}  // namespace korvix
