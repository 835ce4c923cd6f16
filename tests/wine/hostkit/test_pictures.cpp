#include "tests/wine/hostkit/test_pictures.h"

#include <wincodec.h>

#include <cstring>
#include <limits>

namespace korvix::hostkit {
namespace {

// A DIB section with 24-bit rows; bits receives the top-down pixel memory.
unique_hbitmap make_dib(int width, int height, BYTE** bits, size_t* stride) {
    if (width <= 0 || height <= 0 || width > 0x4000 || height > 0x4000)
        throw hresult_error(E_INVALIDARG, "test picture size out of range");
    const size_t row = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* memory = nullptr;
    unique_hbitmap bmp(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0));
    if (!bmp || !memory) throw hresult_error(E_OUTOFMEMORY, "CreateDIBSection failed");
    *bits = static_cast<BYTE*>(memory);
    *stride = row;
    return bmp;
}

void put_pixel(BYTE* row, int x, COLORREF c) noexcept {
    row[x * 3 + 0] = GetBValue(c);  // DIB rows are blue, green, red
    row[x * 3 + 1] = GetGValue(c);
    row[x * 3 + 2] = GetRValue(c);
}

}  // namespace

COLORREF gradient_pixel(int x, int y, int width, int height) noexcept {
    const int r = width > 1 ? x * 255 / (width - 1) : 0;
    const int g = height > 1 ? y * 255 / (height - 1) : 0;
    const int b = (((x / 32) + (y / 32)) % 2) ? 200 : 40;
    return RGB(r, g, b);
}

unique_hbitmap make_solid_bitmap(int width, int height, COLORREF colour) {
    BYTE* bits = nullptr;
    size_t stride = 0;
    unique_hbitmap bmp = make_dib(width, height, &bits, &stride);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) put_pixel(bits + y * stride, x, colour);
    ::GdiFlush();
    return bmp;
}

unique_hbitmap make_gradient_bitmap(int width, int height) {
    BYTE* bits = nullptr;
    size_t stride = 0;
    unique_hbitmap bmp = make_dib(width, height, &bits, &stride);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) put_pixel(bits + y * stride, x, gradient_pixel(x, y, width, height));
    ::GdiFlush();
    return bmp;
}

com_ptr<IPictureDisp> picture_from_bitmap(unique_hbitmap bitmap) {
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof desc;
    desc.picType = PICTYPE_BITMAP;
    desc.bmp.hbitmap = bitmap.get();
    com_ptr<IPictureDisp> picture;
    throw_if_failed(::OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, picture.put_void()),
                    "OleCreatePictureIndirect failed");
    bitmap.release();  // the picture owns it now
    return picture;
}

com_ptr<IPictureDisp> make_solid_picture(int width, int height, COLORREF colour) {
    return picture_from_bitmap(make_solid_bitmap(width, height, colour));
}

com_ptr<IPictureDisp> make_gradient_picture(int width, int height) {
    return picture_from_bitmap(make_gradient_bitmap(width, height));
}

com_ptr<IPictureDisp> make_icon_picture() {
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof desc;
    desc.picType = PICTYPE_ICON;
    desc.icon.hicon = ::LoadIconW(nullptr, IDI_APPLICATION);
    com_ptr<IPictureDisp> picture;
    throw_if_failed(::OleCreatePictureIndirect(&desc, IID_IPictureDisp, FALSE, picture.put_void()),
                    "OleCreatePictureIndirect(icon) failed");
    return picture;
}

HANDLE picture_handle(IPictureDisp* picture) {
    if (!picture) return nullptr;
    auto pic = com_ptr<IPictureDisp>(picture).query<IPicture>(IID_IPicture);
    OLE_HANDLE handle = 0;
    if (!pic || FAILED(pic->get_Handle(&handle))) return nullptr;
    return reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(handle));
}

bool file_resolution(const std::wstring& path, double* x, double* y) {
    com_ptr<IWICImagingFactory> factory;
    com_ptr<IWICBitmapDecoder> decoder;
    com_ptr<IWICBitmapFrameDecode> frame;
    return SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IWICImagingFactory, factory.put_void())) &&
           SUCCEEDED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                        WICDecodeMetadataCacheOnDemand, decoder.put())) &&
           SUCCEEDED(decoder->GetFrame(0, frame.put())) && SUCCEEDED(frame->GetResolution(x, y));
}

}  // namespace korvix::hostkit
