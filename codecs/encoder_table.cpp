#include "codecs/encoder_table.h"

namespace korvix {

namespace {
constexpr FileTypeEncoder kFileTypeEncoders[] = {
    {ImageFormat::bmp, L"{557cf400-1a04-11d3-9a73-0000f81ef32e}"},
    {ImageFormat::jpeg, L"{557cf401-1a04-11D3-9A73-0000f81ef32e}"},
    {ImageFormat::gif, L"{557cf402-1a04-11d3-9a73-0000f81ef32e}"},
    {ImageFormat::tiff, L"{557cf405-1a04-11d3-9a73-0000f81ef32e}"},
    {ImageFormat::png, L"{557cf406-1a04-11d3-9a73-0000f81ef32e}"},
};
}  // namespace

FileTypeEncoder encoder_for_file_type(int32_t file_type) noexcept {
    if (file_type < 0 || file_type > 4) file_type = 0;
    return kFileTypeEncoders[file_type];
}

}  // namespace korvix
