#include "twain/win/dib_to_picture.h"

#include "common/win/file_sink.h"
#include "twain/bmp_writer.h"
#include "twain/dib_layout.h"
#include "twain/win/temp_file.h"

namespace korvix::twain {

namespace {

bool write_file(const std::wstring& path, const std::uint8_t* dib, const DibLayout& layout) noexcept {
    const HANDLE opened = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    unique_handle file(opened == INVALID_HANDLE_VALUE ? nullptr : opened);
    if (!file) return false;
    FileSink sink(file.get());
    if (!write_bmp(dib, layout, sink)) return false;
    return ::CloseHandle(file.release()) != FALSE;
}

// A BMP file as a new picture object that owns its bitmap; empty on failure.
com_ptr<IPictureDisp> load_bmp_picture(const wchar_t* path) noexcept {
    unique_hbitmap bitmap(static_cast<HBITMAP>(
        ::LoadImageW(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
    if (!bitmap) return {};
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof desc;
    desc.picType = PICTYPE_BITMAP;
    desc.bmp.hbitmap = bitmap.get();
    com_ptr<IPictureDisp> picture;
    if (FAILED(::OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, picture.put_void()))) return {};
    bitmap.release();  // the picture owns it now
    return picture;
}

}  // namespace

TW_UINT32 DibToPicture::take(TW_HANDLE& dib) noexcept {
    replaced_ = false;
    dpi_x_ = dpi_y_ = 0;
    HGLOBAL block = static_cast<HGLOBAL>(dib);
    TempFile file;
    {
        global_lock locked(block);
        if (!locked.get()) return 1;
        const auto* bytes = static_cast<const std::uint8_t*>(locked.get());
        const DibCheck check = check_dib(bytes, ::GlobalSize(block));
        if (!check) return 1;
        file = TempFile::create();
        if (file.path().empty() || !write_file(file.path(), bytes, check.layout)) return 1;
        dpi_x_ = dpi_from_pels_per_meter(check.layout.x_pels_per_meter);
        dpi_y_ = dpi_from_pels_per_meter(check.layout.y_pels_per_meter);
    }
    // The file holds the image: the DIB's memory goes before the picture's comes.
    if (::GlobalFree(block) == nullptr) dib = nullptr;
    com_ptr<IPictureDisp> loaded = load_bmp_picture(file.path().c_str());
    if (!loaded) return 1;
    picture_ = std::move(loaded);
    replaced_ = true;
    return 0;
}

}  // namespace korvix::twain
