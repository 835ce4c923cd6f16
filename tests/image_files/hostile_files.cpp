#include <functional>

#include "tests/image_files/image_files.h"

namespace korvix::testfiles {

namespace {

using Damage = std::function<void(Bytes&)>;

HostileFile damaged(std::string name, TestFile base, const Damage& damage, FileRefusal refusal) {
    damage(base.bytes);
    return {std::move(name), std::move(base.bytes), refusal};
}

std::uint32_t le_at(const Bytes& b, std::size_t at) {
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}

}  // namespace

// The image data's content does not matter to the checks, and a decoder never sees it.
Bytes png_claiming(std::uint32_t width, std::uint32_t height, unsigned colour_type, unsigned depth, std::size_t idat,
                   bool interlaced) {
    Bytes png = png_file(1, 1, colour_type, depth, interlaced).bytes;
    const std::size_t header = png_chunk(png, "IHDR");
    put32be(png, header + 8, width);
    put32be(png, header + 12, height);
    fix_png_crc(png, header);
    Bytes out(png.begin(), png.begin() + std::ptrdiff_t(png_chunk(png, "IDAT")));
    Bytes chunk(12 + idat, 0x5A);
    put32be(chunk, 0, std::uint32_t(idat));
    std::copy_n("IDAT", 4, chunk.begin() + 4);
    out.insert(out.end(), chunk.begin(), chunk.end());
    const Bytes end{0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    out.insert(out.end(), end.begin(), end.end());
    return out;
}

namespace {

// An icon of one 16-pixel 32-bit entry; `at` is where its bitmap header starts.
constexpr std::size_t kIconImage = 6 + 16;

}  // namespace

TestFile gif_with_lying_second_frame() {
    TestFile gif = gif_file(40, 30, {{0, 0, 40, 30}, {0, 0, 40, 30}});
    // The second frame's descriptor: after the first frame's data, its GCE.
    std::size_t second = gif_first_image(gif.bytes) + 10;
    second += 1;  // code size
    while (gif.bytes[second]) second += gif.bytes[second] + 1u;
    second += 1 + 8;  // block terminator, the second frame's GCE
    put16le(gif.bytes, second + 7, 0xFFFF);
    gif.name = "GIF whose second frame claims 65535 rows";
    return gif;
}

std::vector<HostileFile> hostile_files() {
    const TestFile icon = icon_file({{16, 32}});
    const TestFile two_icons = icon_file({{16, 32}, {32, 32}});
    const TestFile png_icon = icon_file({{16, 0}});
    const TestFile png = png_file(29, 19, 2, 8);
    const TestFile gif = gif_file(40, 30, {{0, 0, 40, 30}});
    const TestFile bmp = bmp_file(37, 21, 24);
    const TestFile tiff = tiff_file(33, 23, TiffKind::strips);
    const TestFile jpeg = jpeg_file(44, 27, 1, false);
    const std::size_t gif_image = gif_first_image(gif.bytes);
    const std::size_t png_header = png_chunk(png.bytes, "IHDR") + 8;
    const std::size_t tiff_directory = le_at(tiff.bytes, 4);
    auto tiff_entry = [&](const Bytes& b, std::uint16_t tag) {
        for (std::size_t at = tiff_directory + 2;; at += 12)
            if ((b[at] | b[at + 1] << 8) == tag) return at;
    };
    // The frame header's length field: after SOI, the 69-byte DQT segment and the SOF0 marker.
    constexpr std::size_t kJpegFrame = 2 + 69 + 2;

    std::vector<HostileFile> files = {
        {"empty file", {}, FileRefusal::unknown_format},
        {"text", {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'}, FileRefusal::unknown_format},
        {"BigTIFF", {'I', 'I', 43, 0, 8, 0, 0, 0}, FileRefusal::unknown_format},
        // Icons: the inner bitmap's size against its directory entry.
        damaged("icon, inner width 0x80000000", icon, [](Bytes& b) { put32le(b, kIconImage + 4, 0x80000000u); }, FileRefusal::bad_size),
        damaged("icon, inner height 0x80000000", icon, [](Bytes& b) { put32le(b, kIconImage + 8, 0x80000000u); }, FileRefusal::bad_size),
        damaged("icon, inner height 0", icon, [](Bytes& b) { put32le(b, kIconImage + 8, 0); }, FileRefusal::bad_size),
        damaged("icon, inner width 257", icon, [](Bytes& b) { put32le(b, kIconImage + 4, 257); }, FileRefusal::bad_size),
        damaged("icon, inner width other than the entry's", icon, [](Bytes& b) { put32le(b, kIconImage + 4, 32); }, FileRefusal::bad_size),
        damaged("icon, mask rows not counted in the height", icon, [](Bytes& b) { put32le(b, kIconImage + 8, 16); }, FileRefusal::bad_size),
        damaged("icon, second entry's inner height 0x80000000", two_icons,
                [&](Bytes& b) { put32le(b, 6 + 2 * 16 + (icon.bytes.size() - kIconImage) + 8, 0x80000000u); },
                FileRefusal::bad_size),
        damaged("icon, no entries", icon, [](Bytes& b) { put16le(b, 4, 0); }, FileRefusal::bad_header),
        damaged("icon, entry past the end", icon, [](Bytes& b) { put32le(b, 6 + 12, 0x7FFFFFF0u); }, FileRefusal::bad_layout),
        damaged("icon, entry inside the directory", icon, [](Bytes& b) { put32le(b, 6 + 12, 6); }, FileRefusal::bad_layout),
        damaged("icon, rows past the entry", icon, [](Bytes& b) { put32le(b, 6 + 8, 40 + 16 * 64); }, FileRefusal::truncated),
        damaged("icon, bit count 7", icon, [](Bytes& b) { put16le(b, kIconImage + 14, 7); }, FileRefusal::bad_header),
        damaged("icon, core bitmap header", icon, [](Bytes& b) { put32le(b, kIconImage, 12); }, FileRefusal::unsupported),
        damaged("icon, PNG image of another size", png_icon,
                [](Bytes& b) { put32be(b, kIconImage + 16, 17); }, FileRefusal::bad_size),
        damaged("icon, PNG image taller than its data", png_icon,
                [](Bytes& b) { put32be(b, kIconImage + 20, 100000); }, FileRefusal::short_data),
        // PNG: the header against the image data.
        {"PNG, 100000 rows claimed over 23 rows of data", png_claiming(500, 100000, 2, 8, 23 * 1501 / 1032 + 60),
         FileRefusal::short_data},
        {"PNG bomb, 30000 x 30000 over 1 MB", png_claiming(30000, 30000, 2, 8, 1 << 20), FileRefusal::short_data},
        {"PNG bomb, 30000 x 30000 within the deflate bound", png_claiming(30000, 30000, 2, 8, 2620000),
         FileRefusal::too_large},
        {"PNG wider than 2^24 pixels", png_claiming((1u << 24) + 1, 1, 0, 8, 17000), FileRefusal::too_large},
        damaged("PNG, width 0", png, [&](Bytes& b) { put32be(b, png_header, 0); }, FileRefusal::bad_size),
        damaged("PNG, height 2^31", png, [&](Bytes& b) { put32be(b, png_header + 4, 0x80000000u); }, FileRefusal::bad_size),
        damaged("PNG, palette of 16 bits", png, [&](Bytes& b) { b[png_header + 8] = 16; b[png_header + 9] = 3; }, FileRefusal::bad_header),
        damaged("PNG, no image data", png, [](Bytes& b) {
            for (std::size_t at; (at = png_chunk(b, "IDAT")) != Bytes::size_type(-1);) std::copy_n("tEXt", 4, b.begin() + std::ptrdiff_t(at + 4));
        }, FileRefusal::short_data),
        damaged("PNG, chunk of 2^31 bytes", png, [&](Bytes& b) { put32be(b, png_chunk(b, "IDAT"), 0x80000000u); }, FileRefusal::bad_header),
        damaged("PNG, cut inside its header", png, [](Bytes& b) { b.resize(20); }, FileRefusal::truncated),
        // GIF: the first frame against the screen and its data.
        damaged("GIF, 65535 rows claimed over 30 rows of data", gif, [&](Bytes& b) {
            put16le(b, 8, 0xFFFF);
            put16le(b, gif_image + 7, 0xFFFF);
        }, FileRefusal::short_data),
        damaged("GIF bomb, 65535 x 65535", gif, [&](Bytes& b) {
            put16le(b, 6, 0xFFFF);
            put16le(b, 8, 0xFFFF);
            put16le(b, gif_image + 5, 0xFFFF);
            put16le(b, gif_image + 7, 0xFFFF);
        }, FileRefusal::short_data),
        damaged("GIF, frame wider than the screen", gif, [&](Bytes& b) { put16le(b, gif_image + 5, 41); }, FileRefusal::outside_screen),
        damaged("GIF, frame below the screen", gif, [&](Bytes& b) { put16le(b, gif_image + 3, 1); }, FileRefusal::outside_screen),
        damaged("GIF, frame of no width", gif, [&](Bytes& b) { put16le(b, gif_image + 5, 0); }, FileRefusal::bad_size),
        damaged("GIF, code size 12", gif, [&](Bytes& b) { b[gif_image + 10] = 12; }, FileRefusal::bad_header),
        damaged("GIF, code past the table", gif, [&](Bytes& b) { b[gif_image + 12] = 0xFF; b[gif_image + 13] = 0xFF; }, FileRefusal::bad_header),
        damaged("GIF, no image", gif, [&](Bytes& b) { b.resize(gif_image); b.push_back(';'); }, FileRefusal::bad_layout),
        damaged("GIF, cut inside the first frame", gif, [&](Bytes& b) { b.resize(gif_image + 40); }, FileRefusal::truncated),
        // BMP.
        damaged("BMP, width 0", bmp, [](Bytes& b) { put32le(b, 18, 0); }, FileRefusal::bad_size),
        damaged("BMP, height -2^31", bmp, [](Bytes& b) { put32le(b, 22, 0x80000000u); }, FileRefusal::bad_size),
        damaged("BMP, no bits per pixel", bmp, [](Bytes& b) { put16le(b, 28, 0); }, FileRefusal::bad_header),
        damaged("BMP, pixels past the end", bmp, [](Bytes& b) { put32le(b, 10, 0x7FFFFFFF); }, FileRefusal::bad_layout),
        damaged("BMP, pixels inside the header", bmp, [](Bytes& b) { put32le(b, 10, 20); }, FileRefusal::bad_layout),
        damaged("BMP, rows past the end", bmp, [](Bytes& b) { put32le(b, 22, 22); }, FileRefusal::truncated),
        damaged("BMP, rows beyond 32 bits", bmp, [](Bytes& b) { put32le(b, 18, 0x7FFFFFFF); put16le(b, 28, 32); put32le(b, 22, 3); }, FileRefusal::too_large),
        damaged("BMP bomb, run-length 30000 x 30000", bmp_file(37, 21, 8, BmpKind::rle), [](Bytes& b) {
            put32le(b, 18, 30000);
            put32le(b, 22, 30000);
        }, FileRefusal::too_large),
        // TIFF.
        damaged("TIFF, directory past the end", tiff, [](Bytes& b) { put32le(b, 4, 0x7FFFFFF0u); }, FileRefusal::bad_layout),
        damaged("TIFF, width 0", tiff, [&](Bytes& b) { put32le(b, tiff_entry(b, 256) + 8, 0); }, FileRefusal::bad_size),
        damaged("TIFF, strip past the end", tiff, [&](Bytes& b) { put32le(b, le_at(b, tiff_entry(b, 273) + 8), 0x7FFFFFF0u); }, FileRefusal::bad_layout),
        damaged("TIFF, strip array past the end", tiff, [&](Bytes& b) { put32le(b, tiff_entry(b, 273) + 8, 0x7FFFFFF0u); }, FileRefusal::bad_layout),
        damaged("TIFF, no strips", tiff, [&](Bytes& b) { put16le(b, tiff_entry(b, 273), 999); }, FileRefusal::bad_header),
        damaged("TIFF, 128 bits a sample", tiff, [&](Bytes& b) { put16le(b, le_at(b, tiff_entry(b, 258) + 8), 128); }, FileRefusal::bad_header),
        damaged("TIFF, one strip beyond 32 bits", tiff, [&](Bytes& b) {
            put32le(b, tiff_entry(b, 256) + 8, 0x00FFFFFF);
            put32le(b, tiff_entry(b, 257) + 8, 1000);
            put16le(b, tiff_entry(b, 278) + 8, 1000);
        }, FileRefusal::too_large),
        damaged("TIFF, entries past the end", tiff, [&](Bytes& b) { put16le(b, tiff_directory, 5000); }, FileRefusal::truncated),
        // JPEG.
        damaged("JPEG, width 0", jpeg, [](Bytes& b) { put16be(b, kJpegFrame + 5, 0); }, FileRefusal::bad_size),
        damaged("JPEG, height to come later", jpeg, [](Bytes& b) { put16be(b, kJpegFrame + 3, 0); }, FileRefusal::bad_size),
        damaged("JPEG, five components", jpeg, [](Bytes& b) { b[kJpegFrame + 7] = 5; }, FileRefusal::bad_header),
        damaged("JPEG, segment past the end", jpeg, [](Bytes& b) { put16be(b, 4, 0xFFF0); }, FileRefusal::truncated),
        damaged("JPEG, scan before the frame", jpeg, [](Bytes& b) { b[kJpegFrame - 1] = 0xDA; }, FileRefusal::bad_header),
        damaged("JPEG bomb, 65535 x 65535", jpeg, [](Bytes& b) { put16be(b, kJpegFrame + 3, 0xFFFF); put16be(b, kJpegFrame + 5, 0xFFFF); }, FileRefusal::too_large),
    };
    return files;
}

}  // namespace korvix::testfiles
