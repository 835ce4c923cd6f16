// cGDI: which bitmap the codecs work on, its size in pixels, wrapping a
// bitmap in a picture object that owns it, and the file codecs (saving the
// selected bitmap in one of five formats, loading an image file into a new
// picture). The helper never owns the bitmap behind the handle it is given.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <string>

#include "codecs/image_rows.h"
#include "common/win/unique_resource.h"

namespace korvix {

class GdiHelper {
public:
    void set_bitmap_handle(LONG handle) noexcept { bitmap_ = handle; }
    // Nothing selects no bitmap. Otherwise reads the picture's default
    // property (its Handle) through IDispatch; a value that does not convert
    // to a 32-bit integer throws hresult_error with the conversion failure.
    void set_picture(IPictureDisp* picture);
    LONG bitmap_handle() const noexcept { return bitmap_; }
    // 0 for no handle or a handle that is not a bitmap.
    LONG get_width() const noexcept;
    LONG get_height() const noexcept;
    // A new picture object owning the bitmap; empty when OLE refuses.
    static com_ptr<IPictureDisp> bitmap_to_picture(HBITMAP bitmap) noexcept;
    // The resolution the selected bitmap carries: a picture's own, kept in
    // its DIB section's header (pixels per metre) wherever the picture goes.
    // 0 along an axis the header leaves 0, and for any other bitmap.
    ImageResolution resolution() const noexcept;

    // SaveFile: writes the selected bitmap to file_name in the format of
    // file_type (1 JPEG, 2 GIF, 3 TIFF, 4 PNG, any other but 0 BMP); with 0
    // the name's extension chooses (codecs/encoder_table.h). Where the
    // format stores a resolution it records the bitmap's own, else
    // fallback_dpi, else 96. quality goes to the JPEG encoder, except that
    // with file type 0 a quality of 0 leaves the encoder its default;
    // compression has no effect. Returns the GDI+ status of the first step that failed,
    // 0 when written. The file is written under a temporary name and
    // replaces file_name only when complete, so a failure leaves the folder
    // as it was.
    int save_file(const std::wstring& file_name, LONG file_type, BYTE quality, BYTE compression,
                  ImageResolution fallback_dpi = {}) const;

    // LoadFile: a new picture of the file's image (a 24-bit DIB section
    // whose header holds the file's resolution; it owns its bitmap, which
    // also becomes the selected bitmap), or an empty one when the file
    // cannot be read. The file is closed when this returns.
    com_ptr<IPictureDisp> load_file(const std::wstring& file_name);

private:
    LONG bitmap_ = 0;
};

}  // namespace korvix
