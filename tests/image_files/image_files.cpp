#include "tests/image_files/image_files.h"

#include <algorithm>
#include <map>
#include <utility>

namespace korvix::testfiles {

namespace {

std::uint8_t red(std::uint32_t c) { return std::uint8_t(c >> 16); }
std::uint8_t green(std::uint32_t c) { return std::uint8_t(c >> 8); }
std::uint8_t blue(std::uint32_t c) { return std::uint8_t(c); }
std::uint32_t rgb(unsigned r, unsigned g, unsigned b) { return (r & 255) << 16 | (g & 255) << 8 | (b & 255); }
std::uint32_t grey(unsigned v) { return rgb(v, v, v); }

void append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }
void append16le(Bytes& b, std::uint32_t v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}
void append32le(Bytes& b, std::uint32_t v) {
    append16le(b, v & 0xFFFF);
    append16le(b, v >> 16);
}
void append16be(Bytes& b, std::uint32_t v) {
    b.push_back(std::uint8_t(v >> 8));
    b.push_back(std::uint8_t(v));
}
void append32be(Bytes& b, std::uint32_t v) {
    append16be(b, v >> 16);
    append16be(b, v & 0xFFFF);
}

// Packs `bits`-bit values most significant first, rows padded to `align` bytes.
class RowPacker {
public:
    RowPacker(Bytes& out, unsigned bits) : out_(out), bits_(bits) {}
    void put(std::uint32_t value) {
        if (bits_ >= 8) {
            for (unsigned shift = bits_; shift > 0; shift -= 8) out_.push_back(std::uint8_t(value >> (shift - 8)));
            return;
        }
        acc_ = acc_ << bits_ | value;
        held_ += bits_;
        if (held_ == 8) flush();
    }
    void end_row(std::size_t align, std::size_t row_start) {
        if (held_) {
            acc_ <<= 8 - held_;
            flush();
        }
        while ((out_.size() - row_start) % align) out_.push_back(0);
    }

private:
    void flush() {
        out_.push_back(std::uint8_t(acc_));
        acc_ = held_ = 0;
    }
    Bytes& out_;
    unsigned bits_, acc_ = 0, held_ = 0;
};

// ---------------------------------------------------------------- BMP

Bytes bmp_palette(unsigned count, bool core) {
    Bytes table;
    for (unsigned i = 0; i < count; ++i) {
        const std::uint32_t c = palette_colour(i);
        table.insert(table.end(), {blue(c), green(c), red(c)});
        if (!core) table.push_back(0);
    }
    return table;
}

// Run-length rows (bottom-up): runs of equal indices, a delta skip is not used.
Bytes rle_rows(const std::vector<std::vector<unsigned>>& rows, unsigned bits) {
    Bytes out;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        for (std::size_t x = 0; x < row->size();) {
            std::size_t run = 1;
            while (x + run < row->size() && run < 255 && (*row)[x + run] == (*row)[x]) ++run;
            const unsigned v = (*row)[x];
            out.push_back(std::uint8_t(run));
            out.push_back(std::uint8_t(bits == 8 ? v : (v << 4 | v)));
            x += run;
        }
        out.insert(out.end(), {0, 0});  // end of line
    }
    out.insert(out.end(), {0, 1});  // end of bitmap
    return out;
}

// ---------------------------------------------------------------- PNG

std::uint32_t crc32(const std::uint8_t* p, std::size_t n) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}

void append_chunk(Bytes& png, const char* type, const Bytes& data) {
    append32be(png, std::uint32_t(data.size()));
    const std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    append(png, data);
    append32be(png, crc32(png.data() + start, png.size() - start));
}

// A zlib stream of stored (uncompressed) deflate blocks.
Bytes zlib_stored(const Bytes& raw) {
    Bytes z{0x78, 0x01};
    std::size_t at = 0;
    do {
        const std::size_t n = std::min<std::size_t>(raw.size() - at, 65535);
        z.push_back(at + n == raw.size() ? 1 : 0);
        append16le(z, std::uint32_t(n));
        append16le(z, std::uint32_t(~n & 0xFFFF));
        z.insert(z.end(), raw.begin() + std::ptrdiff_t(at), raw.begin() + std::ptrdiff_t(at + n));
        at += n;
    } while (at < raw.size());
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    append32be(z, b << 16 | a);
    return z;
}

// ---------------------------------------------------------------- GIF

// GIF's LZW, codes written least significant bit first into sub-blocks.
class LzwWriter {
public:
    explicit LzwWriter(unsigned min_code_size) : min_(min_code_size) {}
    Bytes encode(const std::vector<unsigned>& indices) {
        const unsigned clear = 1u << min_, end_of_data = clear + 1;
        auto reset = [&] {
            table_.clear();
            next_ = clear + 2;
            width_ = min_ + 1;
        };
        reset();
        emit(clear);
        int prefix = -1;
        for (unsigned index : indices) {
            if (prefix < 0) {
                prefix = int(index);
                continue;
            }
            const auto found = table_.find({prefix, index});
            if (found != table_.end()) {
                prefix = found->second;
                continue;
            }
            emit(unsigned(prefix));
            table_[{prefix, index}] = int(next_++);
            if (next_ == (1u << width_) + 1 && width_ < 12) ++width_;
            if (next_ == 4096) {
                emit(clear);
                reset();
            }
            prefix = int(index);
        }
        if (prefix >= 0) emit(unsigned(prefix));
        emit(end_of_data);
        if (held_) bytes_.push_back(std::uint8_t(acc_));
        Bytes out;
        for (std::size_t at = 0; at < bytes_.size(); at += 255) {
            const std::size_t n = std::min<std::size_t>(255, bytes_.size() - at);
            out.push_back(std::uint8_t(n));
            out.insert(out.end(), bytes_.begin() + std::ptrdiff_t(at), bytes_.begin() + std::ptrdiff_t(at + n));
        }
        out.push_back(0);
        return out;
    }

private:
    void emit(unsigned code) {
        acc_ |= code << held_;
        held_ += width_;
        while (held_ >= 8) {
            bytes_.push_back(std::uint8_t(acc_));
            acc_ >>= 8;
            held_ -= 8;
        }
    }
    unsigned min_, next_ = 0, width_ = 0, acc_ = 0, held_ = 0;
    std::map<std::pair<int, unsigned>, int> table_;
    Bytes bytes_;
};

// ---------------------------------------------------------------- JPEG

// Bits most significant first, with a zero stuffed after every 0xFF byte.
class EntropyWriter {
public:
    void put(std::uint32_t value, unsigned count) {
        for (unsigned i = count; i-- > 0;) {
            acc_ = acc_ << 1 | ((value >> i) & 1);
            if (++held_ == 8) flush();
        }
    }
    Bytes finish() {
        while (held_) put(1, 1);  // pad with ones
        return std::move(out_);
    }

private:
    void flush() {
        out_.push_back(std::uint8_t(acc_));
        if (acc_ == 0xFF) out_.push_back(0);
        acc_ = held_ = 0;
    }
    Bytes out_;
    unsigned acc_ = 0, held_ = 0;
};

// Magnitude category and its bits, as JPEG codes a DC difference.
void put_difference(EntropyWriter& w, int diff) {
    unsigned category = 0;
    for (int m = diff < 0 ? -diff : diff; m; m >>= 1) ++category;
    w.put(category, 4);  // every DC symbol has the 4-bit code equal to its value
    if (category) w.put(std::uint32_t(diff < 0 ? diff - 1 : diff) & ((1u << category) - 1), category);
}

void append_segment(Bytes& jpeg, std::uint8_t marker, const Bytes& body) {
    jpeg.insert(jpeg.end(), {0xFF, marker});
    append16be(jpeg, std::uint32_t(body.size() + 2));
    append(jpeg, body);
}

// ---------------------------------------------------------------- TIFF

struct TiffWriter {
    bool big;
    Bytes out;
    void u16(std::uint32_t v) { big ? append16be(out, v) : append16le(out, v); }
    void u32(std::uint32_t v) { big ? append32be(out, v) : append32le(out, v); }
    void set32(std::size_t at, std::uint32_t v) { big ? put32be(out, at, v) : put32le(out, at, v); }
};

Bytes bitmap_image(const Picture& picture, unsigned bits) {
    Bytes b;
    append32le(b, 40);
    append32le(b, picture.width);
    append32le(b, picture.height * 2);
    append16le(b, 1);
    append16le(b, bits);
    for (int i = 0; i < 6; ++i) append32le(b, 0);
    if (bits <= 8) append(b, bmp_palette(1u << bits, false));
    for (std::uint32_t y = picture.height; y-- > 0;) {
        const std::size_t row = b.size();
        RowPacker pack(b, bits);
        for (std::uint32_t x = 0; x < picture.width; ++x) {
            const std::uint32_t c = picture.at(x, y);
            if (bits <= 8) pack.put(palette_index(x, y, 1u << bits));
            else if (bits == 24) b.insert(b.end(), {blue(c), green(c), red(c)});
            else b.insert(b.end(), {blue(c), green(c), red(c), 0xFF});
        }
        pack.end_row(4, row);
    }
    const std::size_t mask_row = (picture.width + 31) / 32 * 4;
    b.resize(b.size() + mask_row * picture.height, 0);  // every pixel opaque
    return b;
}

}  // namespace

Picture make_picture(std::uint32_t width, std::uint32_t height, const Colour& colour) {
    Picture p{width, height, {}};
    p.rgb.reserve(std::size_t(width) * height);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x) p.rgb.push_back(colour(x, y) & 0xFFFFFF);
    return p;
}

std::uint32_t pattern(std::uint32_t x, std::uint32_t y) { return rgb(x * 37 + y * 11, x * 5 + y * 53, x * y * 3 + 7); }

std::uint32_t palette_colour(unsigned index) {
    return index == 0 ? 0 : rgb(index * 67 + 13, index * 29 + 101, 255 - index * 41);
}

unsigned palette_index(std::uint32_t x, std::uint32_t y, unsigned count) { return (x / 3 + y / 2) % count; }

TestFile bmp_file(std::uint32_t width, std::uint32_t height, unsigned bits, BmpKind kind) {
    const bool indexed = bits <= 8, core = kind == BmpKind::core_header;
    const std::uint32_t header = core ? 12 : kind == BmpKind::v5_header ? 124 : 40;
    const unsigned colours = indexed ? 1u << bits : 0;
    Picture shows = make_picture(width, height, [&](std::uint32_t x, std::uint32_t y) {
        if (indexed) return palette_colour(palette_index(x, y, colours));
        const std::uint32_t c = pattern(x, y);
        // 5 or 6 bits a channel, read back with the top bits repeated below.
        auto five = [](unsigned v) { return (v & 0xF8) | v >> 5; };
        auto six = [](unsigned v) { return (v & 0xFC) | v >> 6; };
        if (bits == 16 && kind == BmpKind::bitfields) return rgb(five(red(c)), six(green(c)), five(blue(c)));
        if (bits == 16) return rgb(five(red(c)), five(green(c)), five(blue(c)));
        return c;
    });

    Bytes pixels;
    std::uint32_t compression = 0;
    if (kind == BmpKind::rle) {
        std::vector<std::vector<unsigned>> rows(height);
        for (std::uint32_t y = 0; y < height; ++y)
            for (std::uint32_t x = 0; x < width; ++x) rows[y].push_back(palette_index(x, y, colours));
        pixels = rle_rows(rows, bits);
        compression = bits == 8 ? 1 : 2;
    } else {
        for (std::uint32_t i = 0; i < height; ++i) {
            const std::uint32_t y = kind == BmpKind::top_down ? i : height - 1 - i;
            const std::size_t row = pixels.size();
            RowPacker pack(pixels, bits <= 8 ? bits : 8);
            for (std::uint32_t x = 0; x < width; ++x) {
                const std::uint32_t c = pattern(x, y);
                if (indexed) {
                    pack.put(palette_index(x, y, colours));
                } else if (bits == 16) {
                    const std::uint32_t v = kind == BmpKind::bitfields
                                                ? (red(c) >> 3) << 11 | (green(c) >> 2) << 5 | blue(c) >> 3
                                                : (red(c) >> 3) << 10 | (green(c) >> 3) << 5 | blue(c) >> 3;
                    append16le(pixels, v);
                } else {
                    pixels.insert(pixels.end(), {blue(c), green(c), red(c)});
                    if (bits == 32) pixels.push_back(0);
                }
            }
            pack.end_row(4, row);
        }
        if (kind == BmpKind::bitfields || kind == BmpKind::v5_header) compression = bits == 16 || bits == 32 ? 3 : 0;
    }

    Bytes masks;
    if (compression == 3) {
        if (bits == 16) for (std::uint32_t m : {0xF800u, 0x07E0u, 0x001Fu}) append32le(masks, m);
        else for (std::uint32_t m : {0xFF0000u, 0x00FF00u, 0x0000FFu}) append32le(masks, m);
    }
    Bytes info;
    append32le(info, header);
    if (core) {
        append16le(info, width);
        append16le(info, height);
        append16le(info, 1);
        append16le(info, bits);
    } else {
        append32le(info, width);
        append32le(info, kind == BmpKind::top_down ? std::uint32_t(-std::int32_t(height)) : height);
        append16le(info, 1);
        append16le(info, bits);
        append32le(info, compression);
        append32le(info, std::uint32_t(pixels.size()));
        append32le(info, 2835);
        append32le(info, 2835);
        append32le(info, 0);
        append32le(info, 0);
        if (header == 124) {
            append(info, masks.empty() ? Bytes(12, 0) : masks);
            append32le(info, 0);  // alpha mask
            append32le(info, 0x73524742);  // 'sRGB'
            info.resize(124, 0);
            masks.clear();  // the masks are in the header
        }
    }
    const Bytes table = bmp_palette(colours, core);
    const std::uint32_t offset = std::uint32_t(14 + info.size() + masks.size() + table.size());
    Bytes file{'B', 'M'};
    append32le(file, offset + std::uint32_t(pixels.size()));
    append32le(file, 0);
    append32le(file, offset);
    append(file, info);
    append(file, masks);
    append(file, table);
    append(file, pixels);
    return {"BMP " + std::to_string(bits) + " bits, kind " + std::to_string(int(kind)), file, shows, bits == 16 ? 8 : 0};
}

TestFile png_file(std::uint32_t width, std::uint32_t height, unsigned colour_type, unsigned depth, bool interlaced) {
    const unsigned max = (1u << std::min(depth, 8u)) - 1;
    auto sample = [&](unsigned v8) { return depth == 16 ? v8 * 257 : depth == 8 ? v8 : v8 * max / 255; };
    auto back = [&](unsigned s) { return depth >= 8 ? (depth == 16 ? s >> 8 : s) : s * 255 / max; };
    const unsigned colours = colour_type == 3 ? 1u << depth : 0;
    Picture shows = make_picture(width, height, [&](std::uint32_t x, std::uint32_t y) {
        const std::uint32_t c = pattern(x, y);
        if (colour_type == 3) return palette_colour(palette_index(x, y, colours));
        if (colour_type == 0 || colour_type == 4) return grey(back(sample(green(c))));
        return c;
    });
    auto append_pixel = [&](RowPacker& pack, std::uint32_t x, std::uint32_t y) {
        const std::uint32_t c = pattern(x, y);
        switch (colour_type) {
        case 0: pack.put(sample(green(c))); break;
        case 3: pack.put(palette_index(x, y, colours)); break;
        case 4: pack.put(sample(green(c))); pack.put(sample(255)); break;
        default:
            for (unsigned v : {red(c), green(c), blue(c)}) pack.put(sample(v));
            if (colour_type == 6) pack.put(sample(255));
        }
    };
    Bytes raw;
    struct Pass { std::uint32_t x0, y0, dx, dy; };
    const std::vector<Pass> passes = interlaced ? std::vector<Pass>{{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                                                    {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}}
                                                : std::vector<Pass>{{0, 0, 1, 1}};
    for (const Pass& pass : passes) {
        if (pass.x0 >= width) continue;
        for (std::uint32_t y = pass.y0; y < height; y += pass.dy) {
            raw.push_back(0);  // filter: none
            RowPacker pack(raw, depth);
            for (std::uint32_t x = pass.x0; x < width; x += pass.dx) append_pixel(pack, x, y);
            pack.end_row(1, raw.size());
        }
    }
    Bytes png{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes header;
    append32be(header, width);
    append32be(header, height);
    header.insert(header.end(), {std::uint8_t(depth), std::uint8_t(colour_type), 0, 0, std::uint8_t(interlaced)});
    append_chunk(png, "IHDR", header);
    if (colour_type == 3) {
        Bytes plte;
        for (unsigned i = 0; i < colours; ++i) {
            const std::uint32_t c = palette_colour(i);
            plte.insert(plte.end(), {red(c), green(c), blue(c)});
        }
        append_chunk(png, "PLTE", plte);
    }
    // The image data in two IDAT chunks, as encoders split it.
    const Bytes z = zlib_stored(raw);
    const std::size_t half = z.size() / 2;
    append_chunk(png, "IDAT", Bytes(z.begin(), z.begin() + std::ptrdiff_t(half)));
    append_chunk(png, "IDAT", Bytes(z.begin() + std::ptrdiff_t(half), z.end()));
    append_chunk(png, "IEND", {});
    return {"PNG type " + std::to_string(colour_type) + " depth " + std::to_string(depth) +
                (interlaced ? " interlaced" : ""),
            png, shows, depth == 16 ? 1 : 0};
}

TestFile gif_file(std::uint32_t width, std::uint32_t height, const std::vector<GifFrame>& frames) {
    constexpr unsigned kBits = 4, kColours = 1u << kBits;
    Bytes gif{'G', 'I', 'F', '8', '9', 'a'};
    append16le(gif, width);
    append16le(gif, height);
    gif.insert(gif.end(), {0x80 | (kBits - 1), 0, 0});
    for (unsigned i = 0; i < kColours; ++i) {
        const std::uint32_t c = palette_colour(i);
        gif.insert(gif.end(), {red(c), green(c), blue(c)});
    }
    if (frames.size() > 1) {  // loop forever
        gif.insert(gif.end(), {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0});
    }
    // A local table holds the global colours in reverse order.
    auto index = [&](std::size_t n, std::uint32_t x, std::uint32_t y) {
        return (palette_index(x, y, kColours) + unsigned(n) * 5) % kColours;
    };
    for (std::size_t n = 0; n < frames.size(); ++n) {
        const GifFrame& f = frames[n];
        gif.insert(gif.end(), {0x21, 0xF9, 4, 0x04, 10, 0, 0, 0});  // 0.1 s, keep
        gif.push_back(',');
        for (std::uint32_t v : {f.left, f.top, f.width, f.height}) append16le(gif, v);
        gif.push_back(std::uint8_t((f.local_table ? 0x80 | (kBits - 1) : 0) | (f.interlaced ? 0x40 : 0)));
        if (f.local_table) {
            for (unsigned i = kColours; i-- > 0;) {
                const std::uint32_t c = palette_colour(i);
                gif.insert(gif.end(), {red(c), green(c), blue(c)});
            }
        }
        std::vector<unsigned> rows;
        std::vector<std::uint32_t> order;
        for (std::uint32_t y = 0; y < f.height; ++y) order.push_back(y);
        if (f.interlaced) {
            order.clear();
            for (auto [start, step] : {std::pair{0u, 8u}, {4u, 8u}, {2u, 4u}, {1u, 2u}})
                for (std::uint32_t y = start; y < f.height; y += step) order.push_back(y);
        }
        for (std::uint32_t y : order)
            for (std::uint32_t x = 0; x < f.width; ++x) {
                const unsigned i = index(n, x, y);
                rows.push_back(f.local_table ? kColours - 1 - i : i);
            }
        gif.push_back(kBits);
        append(gif, LzwWriter(kBits).encode(rows));
    }
    gif.push_back(';');
    const GifFrame& first = frames.front();
    Picture shows = make_picture(first.width, first.height, [&](std::uint32_t x, std::uint32_t y) {
        return palette_colour(index(0, x, y));
    });
    return {"GIF of " + std::to_string(frames.size()) + " frames" + (first.interlaced ? ", interlaced" : "") +
                (first.local_table ? ", local colours" : ""),
            gif, shows, 0};
}

TestFile jpeg_file(std::uint32_t width, std::uint32_t height, unsigned components, bool progressive) {
    const std::uint32_t blocks_x = (width + 7) / 8, blocks_y = (height + 7) / 8;
    // One flat value per block and component.
    auto value = [&](std::uint32_t bx, std::uint32_t by, unsigned c) {
        return unsigned((bx * 48 + by * 80 + c * 70 + 16) % 256) & ~1u;
    };
    Picture shows = make_picture(width, height, [&](std::uint32_t x, std::uint32_t y) {
        const std::uint32_t bx = x / 8, by = y / 8;
        if (components == 1) return grey(value(bx, by, 0));
        // Each colour is (255 - ink) scaled by (255 - black).
        const unsigned k = value(bx, by, 3);
        auto channel = [&](unsigned ink) { return (255 - ink) * (255 - k) / 255; };
        return rgb(channel(value(bx, by, 0)), channel(value(bx, by, 1)), channel(value(bx, by, 2)));
    });
    // CMYK is stored as Adobe's encoders store it, inverted (255: no ink),
    // and marked so; without the mark decoders take four components as YCCK.
    auto stored = [&](std::uint32_t bx, std::uint32_t by, unsigned c) {
        return components == 4 ? 255 - value(bx, by, c) : value(bx, by, c);
    };
    auto dc = [&](std::uint32_t bx, std::uint32_t by, unsigned c) { return 8 * (int(stored(bx, by, c)) - 128); };

    Bytes jpeg{0xFF, 0xD8};
    Bytes quant{0};
    quant.resize(65, 1);
    append_segment(jpeg, 0xDB, quant);
    if (components == 4) append_segment(jpeg, 0xEE, {'A', 'd', 'o', 'b', 'e', 0, 100, 0, 0, 0, 0, 0});
    Bytes frame{8};
    append16be(frame, height);
    append16be(frame, width);
    frame.push_back(std::uint8_t(components));
    for (unsigned c = 0; c < components; ++c) frame.insert(frame.end(), {std::uint8_t(c + 1), 0x11, 0});
    append_segment(jpeg, progressive ? 0xC2 : 0xC0, frame);
    // DC table 0: categories 0-11; AC table 0: EOB and the end-of-band runs EOB1-EOB14. All 4-bit codes.
    Bytes tables{0x00};
    Bytes counts(16, 0);
    counts[3] = 12;
    append(tables, counts);
    for (std::uint8_t s = 0; s < 12; ++s) tables.push_back(s);
    tables.push_back(0x10);
    counts[3] = 15;
    append(tables, counts);
    for (std::uint8_t s = 0; s < 15; ++s) tables.push_back(std::uint8_t(s << 4));
    append_segment(jpeg, 0xC4, tables);

    auto scan = [&](std::vector<unsigned> comps, std::uint8_t ss, std::uint8_t se, std::uint8_t ah_al,
                    const std::function<void(EntropyWriter&)>& body) {
        Bytes header{std::uint8_t(comps.size())};
        for (unsigned c : comps) header.insert(header.end(), {std::uint8_t(c + 1), 0x00});
        header.insert(header.end(), {ss, se, ah_al});
        append_segment(jpeg, 0xDA, header);
        EntropyWriter w;
        body(w);
        append(jpeg, w.finish());
    };
    std::vector<unsigned> all;
    for (unsigned c = 0; c < components; ++c) all.push_back(c);
    auto dc_scan = [&](int shift) {
        return [&, shift](EntropyWriter& w) {
            std::vector<int> previous(components, 0);
            for (std::uint32_t by = 0; by < blocks_y; ++by)
                for (std::uint32_t bx = 0; bx < blocks_x; ++bx)
                    for (unsigned c = 0; c < components; ++c) {
                        const int v = dc(bx, by, c) >> shift;
                        put_difference(w, v - previous[c]);
                        previous[c] = v;
                        if (!progressive) w.put(0, 4);  // EOB: no AC coefficients
                    }
        };
    };
    if (!progressive) {
        scan(all, 0, 63, 0x00, dc_scan(0));
    } else {
        scan(all, 0, 0, 0x01, dc_scan(1));  // DC, first pass: all but the lowest bit
        scan(all, 0, 0, 0x10, [&](EntropyWriter& w) {  // DC refinement: the lowest bit of each block
            for (std::uint32_t by = 0; by < blocks_y; ++by)
                for (std::uint32_t bx = 0; bx < blocks_x; ++bx)
                    for (unsigned c = 0; c < components; ++c) w.put(std::uint32_t(dc(bx, by, c)) & 1, 1);
        });
        for (unsigned c = 0; c < components; ++c) {
            scan({c}, 1, 63, 0x00, [&](EntropyWriter& w) {  // AC: one end-of-band run over every block
                const std::uint32_t run = blocks_x * blocks_y;
                unsigned r = 0;
                while ((run >> (r + 1)) != 0) ++r;
                w.put(r, 4);
                w.put(run - (1u << r), r);
            });
        }
    }
    jpeg.insert(jpeg.end(), {0xFF, 0xD9});
    return {std::string(progressive ? "progressive" : "baseline") + " JPEG, " + std::to_string(components) +
                " components",
            jpeg, shows, components == 4 ? 2 : 0, components == 4};
}

TestFile tiff_file(std::uint32_t width, std::uint32_t height, TiffKind kind, unsigned pages) {
    const bool tiles = kind == TiffKind::tiles, grey_only = kind == TiffKind::grey;
    const unsigned samples = grey_only ? 1 : 3;
    constexpr std::uint32_t kTile = 16, kRowsPerStrip = 5;
    auto colour = [&](unsigned page, std::uint32_t x, std::uint32_t y) {
        const std::uint32_t c = pattern(x + page * 7, y);
        return grey_only ? grey(green(c)) : c;
    };
    TiffWriter t{kind == TiffKind::big_endian, {}};
    t.out = t.big ? Bytes{'M', 'M', 0, 42} : Bytes{'I', 'I', 42, 0};
    std::size_t link = t.out.size();  // where the next directory's offset goes
    t.u32(0);
    for (unsigned page = 0; page < pages; ++page) {
        // The pixel data first: strips of rows, or tiles padded to full size.
        std::vector<std::uint32_t> offsets, counts;
        auto put_pixel = [&](std::uint32_t x, std::uint32_t y) {
            const std::uint32_t c = x < width && y < height ? colour(page, x, y) : 0;
            if (grey_only) t.out.push_back(green(c));
            else t.out.insert(t.out.end(), {red(c), green(c), blue(c)});
        };
        if (tiles) {
            for (std::uint32_t ty = 0; ty < height; ty += kTile)
                for (std::uint32_t tx = 0; tx < width; tx += kTile) {
                    offsets.push_back(std::uint32_t(t.out.size()));
                    for (std::uint32_t y = ty; y < ty + kTile; ++y)
                        for (std::uint32_t x = tx; x < tx + kTile; ++x) put_pixel(x, y);
                    counts.push_back(std::uint32_t(t.out.size()) - offsets.back());
                }
        } else {
            for (std::uint32_t y0 = 0; y0 < height; y0 += kRowsPerStrip) {
                offsets.push_back(std::uint32_t(t.out.size()));
                for (std::uint32_t y = y0; y < std::min(height, y0 + kRowsPerStrip); ++y)
                    for (std::uint32_t x = 0; x < width; ++x) put_pixel(x, y);
                counts.push_back(std::uint32_t(t.out.size()) - offsets.back());
            }
        }
        // Arrays of more than one value live outside the directory.
        auto array = [&](const std::vector<std::uint32_t>& values) {
            const std::uint32_t at = std::uint32_t(t.out.size());
            for (std::uint32_t v : values) t.u32(v);
            return at;
        };
        const std::uint32_t offsets_at = offsets.size() > 1 ? array(offsets) : offsets[0];
        const std::uint32_t counts_at = counts.size() > 1 ? array(counts) : counts[0];
        const std::uint32_t bits_at = std::uint32_t(t.out.size());
        for (unsigned s = 0; s < samples; ++s) t.u16(8);
        if (t.out.size() % 2) t.out.push_back(0);
        struct Entry { std::uint16_t tag, type; std::uint32_t count, value; };
        std::vector<Entry> entries = {
            {256, 4, 1, width}, {257, 4, 1, height}, {258, 3, samples, samples == 1 ? 8u : bits_at},
            {259, 3, 1, 1}, {262, 3, 1, grey_only ? 1u : 2u}, {277, 3, 1, samples}, {284, 3, 1, 1}};
        if (tiles) {
            entries.insert(entries.end(), {{322, 3, 1, kTile}, {323, 3, 1, kTile},
                                           {324, 4, std::uint32_t(offsets.size()), offsets_at},
                                           {325, 4, std::uint32_t(counts.size()), counts_at}});
        } else {
            entries.insert(entries.end(), {{273, 4, std::uint32_t(offsets.size()), offsets_at},
                                           {278, 3, 1, kRowsPerStrip},
                                           {279, 4, std::uint32_t(counts.size()), counts_at}});
        }
        std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
        t.set32(link, std::uint32_t(t.out.size()));
        t.u16(std::uint32_t(entries.size()));
        for (const Entry& e : entries) {
            t.u16(e.tag);
            t.u16(e.type);
            t.u32(e.count);
            if (e.type == 3 && e.count == 1) {
                t.u16(e.value);
                t.u16(0);
            } else {
                t.u32(e.value);
            }
        }
        link = t.out.size();
        t.u32(0);
    }
    Picture shows = make_picture(width, height, [&](std::uint32_t x, std::uint32_t y) { return colour(0, x, y); });
    return {"TIFF kind " + std::to_string(int(kind)) + ", " + std::to_string(pages) + " pages", t.out, shows, 0};
}

TestFile icon_file(const std::vector<IconImage>& images, bool cursor) {
    std::vector<Bytes> data;
    std::vector<Picture> pictures;
    for (const IconImage& image : images) {
        if (image.bits == 0) {
            TestFile png = png_file(image.side, image.side, 6, 8);
            data.push_back(png.bytes);
            pictures.push_back(png.shows);
            continue;
        }
        const bool indexed = image.bits <= 8;
        pictures.push_back(make_picture(image.side, image.side, [&](std::uint32_t x, std::uint32_t y) {
            return indexed ? palette_colour(palette_index(x, y, 1u << image.bits)) : pattern(x, y);
        }));
        data.push_back(bitmap_image(pictures.back(), image.bits));
    }
    Bytes file;
    append16le(file, 0);
    append16le(file, cursor ? 2 : 1);
    append16le(file, std::uint32_t(images.size()));
    std::uint32_t offset = std::uint32_t(6 + 16 * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const std::uint8_t side = std::uint8_t(images[i].side == 256 ? 0 : images[i].side);
        file.insert(file.end(), {side, side, 0, 0});
        append16le(file, 1);                                          // planes, or hot spot x
        append16le(file, cursor ? 2 : images[i].bits ? images[i].bits : 32);  // bit count, or hot spot y
        append32le(file, std::uint32_t(data[i].size()));
        append32le(file, offset);
        offset += std::uint32_t(data[i].size());
    }
    for (const Bytes& d : data) append(file, d);
    return {std::string(cursor ? "cursor" : "icon") + " of " + std::to_string(images.size()) + " images", file,
            pictures.front(), 0};
}

std::vector<TestFile> valid_files() {
    std::vector<TestFile> files;
    for (unsigned bits : {1u, 4u, 8u, 16u, 24u, 32u}) files.push_back(bmp_file(37, 21, bits));
    files.push_back(bmp_file(37, 21, 16, BmpKind::bitfields));
    files.push_back(bmp_file(37, 21, 32, BmpKind::bitfields));
    files.push_back(bmp_file(37, 21, 8, BmpKind::rle));
    files.push_back(bmp_file(37, 21, 4, BmpKind::rle));
    files.push_back(bmp_file(37, 21, 24, BmpKind::top_down));
    files.push_back(bmp_file(37, 21, 24, BmpKind::core_header));
    files.push_back(bmp_file(37, 21, 32, BmpKind::v5_header));
    for (unsigned depth : {1u, 2u, 4u, 8u, 16u}) files.push_back(png_file(29, 19, 0, depth));
    for (unsigned depth : {1u, 2u, 4u, 8u}) files.push_back(png_file(29, 19, 3, depth));
    for (unsigned type : {2u, 4u, 6u})
        for (unsigned depth : {8u, 16u}) files.push_back(png_file(29, 19, type, depth));
    files.push_back(png_file(29, 19, 2, 8, true));
    files.push_back(png_file(3, 2, 3, 4, true));  // passes without a column
    files.push_back(gif_file(40, 30, {{0, 0, 40, 30}}));
    files.push_back(gif_file(200, 150, {{0, 0, 200, 150}, {10, 20, 50, 40}, {0, 0, 200, 150, false, true}}));
    files.push_back(gif_file(40, 30, {{5, 4, 31, 23, true, true}}));
    for (unsigned components : {1u, 4u})
        for (bool progressive : {false, true}) files.push_back(jpeg_file(44, 27, components, progressive));
    files.push_back(tiff_file(33, 23, TiffKind::strips));
    files.push_back(tiff_file(33, 23, TiffKind::big_endian));
    files.push_back(tiff_file(33, 23, TiffKind::grey));
    files.push_back(tiff_file(33, 23, TiffKind::tiles));
    files.push_back(tiff_file(33, 23, TiffKind::strips, 3));
    files.push_back(icon_file({{32, 32}, {16, 8}}));
    files.push_back(icon_file({{16, 1}}));
    files.push_back(icon_file({{48, 24}, {16, 4}}));
    files.push_back(icon_file({{256, 0}, {32, 32}}));
    return files;
}

TestFile cursor_file() { return icon_file({{32, 1}}, true); }

void put16le(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = std::uint8_t(v);
    b[at + 1] = std::uint8_t(v >> 8);
}
void put32le(Bytes& b, std::size_t at, std::uint32_t v) {
    put16le(b, at, v & 0xFFFF);
    put16le(b, at + 2, v >> 16);
}
void put16be(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = std::uint8_t(v >> 8);
    b[at + 1] = std::uint8_t(v);
}
void put32be(Bytes& b, std::size_t at, std::uint32_t v) {
    put16be(b, at, v >> 16);
    put16be(b, at + 2, v & 0xFFFF);
}

std::size_t png_chunk(const Bytes& png, const char* type) {
    for (std::size_t at = 8; at + 8 <= png.size();) {
        if (std::equal(type, type + 4, png.begin() + std::ptrdiff_t(at + 4))) return at;
        at += 12 + (std::size_t(png[at]) << 24 | std::size_t(png[at + 1]) << 16 | std::size_t(png[at + 2]) << 8 |
                    png[at + 3]);
    }
    return Bytes::size_type(-1);
}

void fix_png_crc(Bytes& png, std::size_t chunk) {
    const std::size_t length =
        std::size_t(png[chunk]) << 24 | std::size_t(png[chunk + 1]) << 16 | std::size_t(png[chunk + 2]) << 8 | png[chunk + 3];
    put32be(png, chunk + 8 + length, crc32(png.data() + chunk + 4, length + 4));
}

std::size_t gif_first_image(const Bytes& gif) {
    std::size_t at = 13 + (gif[10] & 0x80 ? 3u << ((gif[10] & 7) + 1) : 0);
    while (gif[at] == '!') {
        at += 2;
        while (gif[at]) at += gif[at] + 1u;
        ++at;
    }
    return at;
}

}  // namespace korvix::testfiles
