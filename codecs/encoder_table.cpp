#include "codecs/encoder_table.h"

namespace korvix {

namespace {

// In ImageFormat's order, which is also the order of file types 0 to 4.
constexpr FileTypeEncoder kFileTypeEncoders[] = {
    {ImageFormat::bmp, L"{557cf400-1a04-11d3-9a73-0000f81ef32e}"},
    {ImageFormat::jpeg, L"{557cf401-1a04-11D3-9A73-0000f81ef32e}"},
    {ImageFormat::gif, L"{557cf402-1a04-11d3-9a73-0000f81ef32e}"},
    {ImageFormat::tiff, L"{557cf405-1a04-11d3-9a73-0000f81ef32e}"},
    {ImageFormat::png, L"{557cf406-1a04-11d3-9a73-0000f81ef32e}"},
};

struct NamedFormat {
    std::wstring_view extension;  // lower case, without the dot
    ImageFormat format;
};

constexpr NamedFormat kExtensions[] = {
    {L"png", ImageFormat::png},  {L"jpg", ImageFormat::jpeg}, {L"jpeg", ImageFormat::jpeg},
    {L"jpe", ImageFormat::jpeg}, {L"jfif", ImageFormat::jpeg}, {L"gif", ImageFormat::gif},
    {L"tif", ImageFormat::tiff}, {L"tiff", ImageFormat::tiff},
};

// ASCII letters only: every extension above is plain ASCII.
bool same_ignoring_case(std::wstring_view text, std::wstring_view lower) noexcept {
    if (text.size() != lower.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i] >= L'A' && text[i] <= L'Z' ? wchar_t(text[i] - L'A' + L'a') : text[i];
        if (c != lower[i]) return false;
    }
    return true;
}

}  // namespace

FileTypeEncoder encoder_for_file_type(int32_t file_type) noexcept {
    if (file_type < 0 || file_type > 4) file_type = 0;
    return kFileTypeEncoders[file_type];
}

ImageFormat format_for_file_name(std::wstring_view file_name) noexcept {
    const size_t end = file_name.find_last_not_of(L". ");
    if (end == std::wstring_view::npos) return ImageFormat::bmp;
    file_name = file_name.substr(0, end + 1);
    const size_t dot = file_name.find_last_of(L".\\/");
    if (dot == std::wstring_view::npos || file_name[dot] != L'.') return ImageFormat::bmp;  // no extension
    const std::wstring_view extension = file_name.substr(dot + 1);
    for (const NamedFormat& named : kExtensions)
        if (same_ignoring_case(extension, named.extension)) return named.format;
    return ImageFormat::bmp;
}

FileTypeEncoder encoder_for_save(int32_t file_type, std::wstring_view file_name) noexcept {
    if (file_type != 0) return encoder_for_file_type(file_type);
    return kFileTypeEncoders[static_cast<int>(format_for_file_name(file_name))];
}

}  // namespace korvix
