// FileTypeEncoders: which format and which GDI+ encoder each file type
// (IMAGE_TYPE) selects, and the format a file name asks for. The encoder is
// named by the text of its class identifier, as stored; GDI+ compares the
// converted value, so letter case does not matter.
#pragma once

#include <cstdint>
#include <string_view>

namespace korvix {

enum class ImageFormat { bmp, jpeg, gif, tiff, png };

struct FileTypeEncoder {
    ImageFormat format;
    const wchar_t* clsid_text;
};

// Rows 0 (twBITMAP) to 4; any other file type takes the BMP row.
FileTypeEncoder encoder_for_file_type(int32_t file_type) noexcept;

// The format a name's extension names, in any letter case: .png; .jpg,
// .jpeg, .jpe, .jfif; .gif; .tif, .tiff. Any other name, one without an
// extension included, is a BMP. Trailing dots and spaces are ignored, as
// the file system drops them from the name it creates.
ImageFormat format_for_file_name(std::wstring_view file_name) noexcept;

// What Save writes: a file type other than 0 (twBITMAP) decides on its own,
// as stored settings always did; with 0 the name's extension decides.
FileTypeEncoder encoder_for_save(int32_t file_type, std::wstring_view file_name) noexcept;

}  // namespace korvix
