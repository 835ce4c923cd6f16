// Image files built byte by byte for the loader's tests: every kind of valid
// file the loader must keep decoding, each with the picture a decoder shows
// for it, and the hostile files built from them. Portable: the native tests
// check what the loader's checks say about them, the tests under Wine load
// them through the control.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace korvix::testfiles {

using Bytes = std::vector<std::uint8_t>;

// Pixels as 0x00RRGGBB, top row first.
struct Picture {
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint32_t> rgb;
    std::uint32_t at(std::uint32_t x, std::uint32_t y) const { return rgb[std::size_t(y) * width + x]; }
};
using Colour = std::function<std::uint32_t(std::uint32_t x, std::uint32_t y)>;
Picture make_picture(std::uint32_t width, std::uint32_t height, const Colour& colour);
// A busy colour pattern, and one of `count` colours drawn from a fixed palette
// (in runs, so that compressed formats find repeats).
std::uint32_t pattern(std::uint32_t x, std::uint32_t y);
std::uint32_t palette_colour(unsigned index);
unsigned palette_index(std::uint32_t x, std::uint32_t y, unsigned count);

struct TestFile {
    std::string name;
    Bytes bytes;
    Picture shows;      // the first frame, page or entry, as a decoder shows it
    int tolerance = 0;  // per channel
    // CMYK: how ink becomes light is the platform decoder's own choice, so a
    // test compares with that decoder's picture rather than with `shows`.
    bool platform_colours = false;
};

// --- Builders. Each gives a valid file of its kind.
enum class BmpKind { plain, bitfields, rle, top_down, core_header, v5_header };
TestFile bmp_file(std::uint32_t width, std::uint32_t height, unsigned bits, BmpKind kind = BmpKind::plain);
// colour_type and depth as PNG names them; alpha (types 4, 6) is opaque.
TestFile png_file(std::uint32_t width, std::uint32_t height, unsigned colour_type, unsigned depth,
                  bool interlaced = false);
struct GifFrame {
    std::uint32_t left, top, width, height;
    bool interlaced = false, local_table = false;
};
// The screen's size, then its frames; the first shows.
TestFile gif_file(std::uint32_t width, std::uint32_t height, const std::vector<GifFrame>& frames);
// Flat 8 x 8 blocks, 1 (grey) or 4 (CMYK) components, sequential or progressive.
TestFile jpeg_file(std::uint32_t width, std::uint32_t height, unsigned components, bool progressive);
enum class TiffKind { strips, tiles, big_endian, grey };
TestFile tiff_file(std::uint32_t width, std::uint32_t height, TiffKind kind, unsigned pages = 1);
// An icon of bitmap entries (side, bits) and, when png_side > 0, a PNG entry.
struct IconImage {
    std::uint32_t side;
    unsigned bits;  // 0: a PNG image
};
TestFile icon_file(const std::vector<IconImage>& images, bool cursor = false);

// Every kind of valid file the loader decodes (cursors apart: the platform's
// decoder takes icons only).
std::vector<TestFile> valid_files();
TestFile cursor_file();

// --- Helpers to damage files.
void put16le(Bytes& b, std::size_t at, std::uint32_t v);
void put32le(Bytes& b, std::size_t at, std::uint32_t v);
void put16be(Bytes& b, std::size_t at, std::uint32_t v);
void put32be(Bytes& b, std::size_t at, std::uint32_t v);
// Offset of a PNG chunk's length field (its data starts 8 bytes later); npos if absent.
std::size_t png_chunk(const Bytes& png, const char* type);
// Rewrites a PNG chunk's CRC after its data was changed.
void fix_png_crc(Bytes& png, std::size_t chunk);
// Offset of the first GIF image descriptor (its ',').
std::size_t gif_first_image(const Bytes& gif);

}  // namespace korvix::testfiles

#include "codecs/checks/image_check.h"

namespace korvix::testfiles {

// A damaged or lying file and the refusal it must get: one per rule.
struct HostileFile {
    std::string name;
    Bytes bytes;
    FileRefusal refusal;
};
std::vector<HostileFile> hostile_files();

// A PNG whose header claims that size over `idat` bytes of image data.
Bytes png_claiming(std::uint32_t width, std::uint32_t height, unsigned colour_type, unsigned depth, std::size_t idat,
                   bool interlaced = false);

// A GIF whose first frame is sound and whose second claims 0xFFFF rows with
// a few bytes of data: accepted, and cut before the second frame.
TestFile gif_with_lying_second_frame();

}  // namespace korvix::testfiles
