// DibToPicture: the transferred DIB becomes the caller's picture through a
// temporary BMP file. The DIB is checked against its block's size before
// anything past the header is read, written to the file straight from the
// locked block, freed, and the file loaded as a picture that owns its
// bitmap; the file is deleted on every path.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include "common/win/unique_resource.h"
#include "twain/twain_platform.h"

namespace korvix::twain {

class DibToPicture final : public ImageSink {
public:
    // picture: the caller's picture variable, replaced only on success.
    explicit DibToPicture(com_ptr<IPictureDisp>& picture) noexcept : picture_(picture) {}

    TW_UINT32 take(TW_HANDLE& dib) noexcept override;

    // Of the last DIB taken: whether it became the picture, and the
    // resolution it stated (0 when it stated none).
    bool replaced() const noexcept { return replaced_; }
    double dpi_x() const noexcept { return dpi_x_; }
    double dpi_y() const noexcept { return dpi_y_; }

private:
    com_ptr<IPictureDisp>& picture_;
    bool replaced_ = false;
    double dpi_x_ = 0, dpi_y_ = 0;
};

}  // namespace korvix::twain
