// SaveFile: BMP, JPEG, GIF and PNG through the GDI+ encoders chosen by the
// file type or, for file type 0, by the name's extension; TIFF through the
// project's own strip writer, because the TIFF encoder behind GDI+ holds the
// whole picture in one strip (twice) and keeps one copy after it returns.
// GIF gets an 8-bit palette picture: the GIF encoder writes no usable image
// from 24-bit pixels.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <vector>

#include "codecs/bitmap_rows.h"
#include "codecs/encoder_table.h"
#include "codecs/gdi_helper.h"
#include "codecs/palette_quantizer.h"
#include "codecs/replacement_file.h"
#include "codecs/tiff_writer.h"
#include "common/win/file_sink.h"

namespace korvix {

namespace {

using Gdiplus::Status;
using namespace Gdiplus::DllExports;

constexpr wchar_t kEncoderQualityText[] = L"{1D5BE4B5-FA4A-452D-9CDD-5DB35105E7EB}";

// GdiplusStartup (version 1, background thread and external codecs allowed,
// no start-up output) / GdiplusShutdown.
class GdiplusSession {
public:
    GdiplusSession() noexcept {
        const Gdiplus::GdiplusStartupInput input;
        status_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr);
    }
    ~GdiplusSession() {
        if (status_ == Gdiplus::Ok) Gdiplus::GdiplusShutdown(token_);
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    Status status() const noexcept { return status_; }

private:
    ULONG_PTR token_ = 0;
    Status status_;
};

void dispose_image(Gdiplus::GpBitmap* image) noexcept { GdipDisposeImage(image); }
using unique_gdiplus_bitmap = unique_resource<Gdiplus::GpBitmap*, dispose_image>;

HBITMAP as_bitmap(LONG handle) { return reinterpret_cast<HBITMAP>(static_cast<LONG_PTR>(handle)); }

// The GIF encoder's input: the picture's colours in an 8-bit palette bitmap
// over indices that must outlive the GDI+ bitmap.
Status make_palette_bitmap(HBITMAP source, PalettePicture& indexed, unique_gdiplus_bitmap& out) {
    BitmapRows rows(source);
    switch (quantize_to_palette(rows, indexed)) {
    case QuantizeResult::done: break;
    case QuantizeResult::too_large: return Gdiplus::OutOfMemory;
    default: return Gdiplus::InvalidParameter;  // not a bitmap, or unreadable
    }
    Status status = GdipCreateBitmapFromScan0(indexed.width, indexed.height, static_cast<INT>(indexed.stride),
                                              PixelFormat8bppIndexed, indexed.indices.data(), out.put());
    if (status != Gdiplus::Ok) return status;
    std::vector<BYTE> palette_bytes(sizeof(Gdiplus::ColorPalette) + 256 * sizeof(Gdiplus::ARGB));
    auto* palette = reinterpret_cast<Gdiplus::ColorPalette*>(palette_bytes.data());
    palette->Flags = 0;
    palette->Count = static_cast<UINT>(indexed.palette.size());
    for (size_t i = 0; i < indexed.palette.size(); ++i) palette->Entries[i] = 0xFF000000u | indexed.palette[i];
    return GdipSetImagePalette(out.get(), palette);
}

Status save_through_gdiplus(HBITMAP source, ImageFormat format, const wchar_t* clsid_text,
                            const std::wstring& file_name, const BYTE* quality, ImageResolution dpi) {
    GdiplusSession session;
    if (session.status() != Gdiplus::Ok) return session.status();

    unique_gdiplus_bitmap bitmap;
    PalettePicture indexed;
    const Status made = format == ImageFormat::gif ? make_palette_bitmap(source, indexed, bitmap)
                                                   : GdipCreateBitmapFromHBITMAP(source, nullptr, bitmap.put());
    if (made != Gdiplus::Ok) return made;
    const ImageResolution written = resolution_or_screen(dpi);
    GdipBitmapSetResolution(bitmap.get(), static_cast<Gdiplus::REAL>(written.x), static_cast<Gdiplus::REAL>(written.y));

    CLSID encoder{};
    ::CLSIDFromString(clsid_text, &encoder);
    // 0 (lowest) to 100 (highest); larger values are the encoder's business.
    ULONG quality_value = quality ? *quality : 0;
    Gdiplus::EncoderParameters quality_block{};
    quality_block.Count = 1;
    ::CLSIDFromString(kEncoderQualityText, &quality_block.Parameter[0].Guid);
    quality_block.Parameter[0].NumberOfValues = 1;
    quality_block.Parameter[0].Type = Gdiplus::EncoderParameterValueTypeLong;
    quality_block.Parameter[0].Value = &quality_value;
    const Gdiplus::EncoderParameters* parameters = format == ImageFormat::jpeg && quality ? &quality_block : nullptr;

    ReplacementFile file;
    if (!file.reserve(file_name)) return Gdiplus::Win32Error;
    Status status = GdipSaveImageToFile(bitmap.get(), file.temp_path().c_str(), &encoder, parameters);
    bitmap.reset();
    if (status == Gdiplus::Ok && !file.commit()) status = Gdiplus::Win32Error;
    return status;
}

Status save_tiff(HBITMAP source, const std::wstring& file_name, ImageResolution dpi) {
    BitmapRows rows(source);
    if (rows.width() == 0) return Gdiplus::InvalidParameter;  // no bitmap: no file is touched
    ReplacementFile file;
    if (!file.reserve(file_name)) return Gdiplus::Win32Error;
    TiffResult result;
    {
        const HANDLE handle = ::CreateFileW(file.temp_path().c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return Gdiplus::Win32Error;
        unique_handle out(handle);
        FileSink sink(out.get());
        result = write_tiff(rows, dpi, sink);
    }
    switch (result) {
    case TiffResult::written: return file.commit() ? Gdiplus::Ok : Gdiplus::Win32Error;
    case TiffResult::invalid_size: return Gdiplus::InvalidParameter;
    case TiffResult::too_large: return Gdiplus::ValueOverflow;
    case TiffResult::read_failed: return Gdiplus::GenericError;
    case TiffResult::write_failed: break;
    }
    return Gdiplus::Win32Error;
}

}  // namespace

int GdiHelper::save_file(const std::wstring& file_name, LONG file_type, BYTE quality, BYTE /*compression*/,
                         ImageResolution fallback_dpi) const {
    const FileTypeEncoder encoder = encoder_for_save(file_type, file_name);
    ImageResolution dpi = resolution();
    if (dpi.x <= 0 && dpi.y <= 0) dpi = fallback_dpi;
    if (encoder.format == ImageFormat::tiff) return save_tiff(as_bitmap(bitmap_), file_name, dpi);
    // A JPEG that only its name asked for, with Quality never set (0, which
    // only stored settings can change), gets the encoder's own default
    // quality rather than the lowest there is.
    const bool encoder_default = file_type == 0 && quality == 0;
    return save_through_gdiplus(as_bitmap(bitmap_), encoder.format, encoder.clsid_text, file_name,
                                encoder_default ? nullptr : &quality, dpi);
}

}  // namespace korvix
