// LoadFile through the Windows Imaging Component, the platform's decoders:
// the decoded rows go straight into the new picture's 24-bit DIB section, so
// loading needs the picture once plus whatever the decoder itself keeps.
// (GDI+ would add its own full copy of the image and then a third, 32-bit
// one for the bitmap; a large scan then no longer fits the 32-bit process.)
//
// The platform's decoders trust what a file's header claims: a lying icon
// crashed the host, lying PNG and GIF heights leaked on every load. So the
// file is mapped once, its bytes checked (codecs/checks), and only then
// handed, from that same mapping, to the decoder of the format the check
// found; a GIF only up to the end of its first frame.
#include <windows.h>
#include <wincodec.h>

#include <cstring>
#include <vector>

#include "codecs/checks/image_check.h"
#include "codecs/checks/picture_limits.h"
#include "codecs/gdi_helper.h"
#include "codecs/mapped_file.h"
#include "codecs/replacement_file.h"
#include "common/handle_bits.h"

namespace korvix {

namespace {

// A 24-bit bottom-up DIB section of the frame's size, its header holding
// the file's resolution, which goes wherever the picture goes; empty when
// the size is not one a bitmap can have.
unique_hbitmap make_dib_section(UINT width, UINT height, ImageResolution dpi, BYTE** bits, size_t* stride) {
    const uint64_t row = (uint64_t(width) * 3 + 3) & ~uint64_t(3);
    if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX || row * height > INT32_MAX)
        return unique_hbitmap();
    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = static_cast<LONG>(width);
    header.bmiHeader.biHeight = static_cast<LONG>(height);
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 24;
    header.bmiHeader.biCompression = BI_RGB;
    header.bmiHeader.biXPelsPerMeter = pels_per_metre(dpi.x);
    header.bmiHeader.biYPelsPerMeter = pels_per_metre(dpi.y);
    void* pixels = nullptr;
    unique_hbitmap bitmap(::CreateDIBSection(nullptr, &header, DIB_RGB_COLORS, &pixels, nullptr, 0));
    *bits = static_cast<BYTE*>(pixels);
    *stride = static_cast<size_t>(row);
    return bitmap;
}

// Copies the frame into the DIB section row by row. 24-bit frames go in as
// they are; every other format is converted to premultiplied BGRA first,
// which puts partly transparent pixels on black (the ARGB 0 background).
bool copy_rows(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, UINT width, UINT height, BYTE* bits,
               size_t stride) {
    WICPixelFormatGUID format{};
    if (FAILED(frame->GetPixelFormat(&format))) return false;
    if (IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
        for (UINT y = 0; y < height; ++y) {
            const WICRect row{0, static_cast<INT>(y), static_cast<INT>(width), 1};
            BYTE* target = bits + size_t(height - 1 - y) * stride;
            if (FAILED(frame->CopyPixels(&row, static_cast<UINT>(stride), static_cast<UINT>(stride), target)))
                return false;
        }
        return true;
    }
    com_ptr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(frame, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                                     WICBitmapPaletteTypeCustom)))
        return false;
    std::vector<BYTE> bgra(size_t(width) * 4);
    for (UINT y = 0; y < height; ++y) {
        const WICRect row{0, static_cast<INT>(y), static_cast<INT>(width), 1};
        if (FAILED(converter->CopyPixels(&row, width * 4, width * 4, bgra.data()))) return false;
        BYTE* target = bits + size_t(height - 1 - y) * stride;
        for (UINT x = 0; x < width; ++x) std::memcpy(target + size_t(x) * 3, bgra.data() + size_t(x) * 4, 3);
    }
    return true;
}

const GUID& decoder_for(ImageFormat format) {
    switch (format) {
    case ImageFormat::bmp: return GUID_ContainerFormatBmp;
    case ImageFormat::png: return GUID_ContainerFormatPng;
    case ImageFormat::gif: return GUID_ContainerFormatGif;
    case ImageFormat::jpeg: return GUID_ContainerFormatJpeg;
    case ImageFormat::tiff: return GUID_ContainerFormatTiff;
    case ImageFormat::icon:
    case ImageFormat::cursor:
    case ImageFormat::unknown: break;
    }
    return GUID_ContainerFormatIco;
}

}  // namespace

com_ptr<IPictureDisp> GdiHelper::load_file(const std::wstring& file_name) {
    com_init_scope com;
    const std::wstring path = resolved_file_path(file_name);
    if (path.empty()) return {};
    MappedFile file;
    if (!file.open(path)) return {};
    const ImageCheck checked = check_image_file(file.data(), file.size());
    if (!checked.accepted()) return {};
    const BYTE* bytes = file.data();
    std::vector<BYTE> first_frame;
    if (checked.append_trailer) {
        first_frame.assign(bytes, bytes + checked.decode_length);
        first_frame.push_back(';');
        bytes = first_frame.data();
    }
    const size_t length = checked.decode_length + (checked.append_trailer ? 1 : 0);

    // Declared after the bytes they read, so they are released first.
    com_ptr<IWICImagingFactory> factory;
    com_ptr<IWICStream> stream;
    com_ptr<IWICBitmapDecoder> decoder;
    if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  factory.put_void())) ||
        FAILED(factory->CreateStream(stream.put())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes), static_cast<DWORD>(length))) ||
        FAILED(factory->CreateDecoder(decoder_for(checked.format), nullptr, decoder.put())) ||
        FAILED(decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand)))
        return {};
    com_ptr<IWICBitmapFrameDecode> frame;
    UINT width = 0, height = 0;
    if (FAILED(decoder->GetFrame(0, frame.put())) || FAILED(frame->GetSize(&width, &height))) return {};
    if (!fits_picture_limits(width, height)) return {};  // what the decoder makes of it, measured again
    ImageResolution dpi;
    if (FAILED(frame->GetResolution(&dpi.x, &dpi.y))) dpi = {};

    BYTE* bits = nullptr;
    size_t stride = 0;
    unique_hbitmap bitmap = make_dib_section(width, height, dpi, &bits, &stride);
    if (!bitmap || !copy_rows(factory.get(), frame.get(), width, height, bits, stride)) return {};
    com_ptr<IPictureDisp> picture = bitmap_to_picture(bitmap.get());
    if (!picture) return {};
    bitmap_ = handle_to_long(bitmap.release());  // the picture owns it now
    return picture;
}

}  // namespace korvix
