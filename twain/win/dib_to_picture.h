// DibToPicture: the image of a native transfer becomes the caller's
// picture, in memory (dib_section_picture.h). A global block holding a DIB
// is checked against its block's size before anything past the header is
// read; a source that hands over a GDI bitmap instead (cameras do) is read
// from the bitmap. Either is released once the picture holds its copy, with
// the call that fits its kind: the shared memory's free, or DeleteObject.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include "common/win/unique_resource.h"
#include "twain/twain_driver.h"
#include "twain/twain_platform.h"

namespace korvix::twain {

class DibToPicture final : public ImageSink {
public:
    // picture: the caller's picture variable, replaced only on success.
    // driver: asked at the transfer for the resolution it sent the source,
    // which the picture records when the image states none.
    DibToPicture(com_ptr<IPictureDisp>& picture, const TwainDriver& driver) noexcept
        : picture_(picture), driver_(driver) {}

    TW_UINT32 take(TW_HANDLE& image, GlobalMemory& memory) noexcept override;
    void release(TW_HANDLE& image, GlobalMemory& memory) noexcept override;

    // Of the last image taken: whether it became the picture, and the
    // resolution it stated (0 when it stated none).
    bool replaced() const noexcept { return replaced_; }
    double dpi_x() const noexcept { return dpi_x_; }
    double dpi_y() const noexcept { return dpi_y_; }

private:
    com_ptr<IPictureDisp>& picture_;
    const TwainDriver& driver_;
    bool replaced_ = false;
    double dpi_x_ = 0, dpi_y_ = 0;
};

}  // namespace korvix::twain
