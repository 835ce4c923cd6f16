// The picture the sample host shows: a colour gradient with a check
// pattern and a caption, wider than the form so the scroll bar appears.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include "common/win/unique_resource.h"

namespace korvix::sample {

com_ptr<IPictureDisp> make_sample_picture(int width, int height);

}  // namespace korvix::sample
