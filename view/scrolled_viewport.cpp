// HScroll1_Change: what the picture box shows for the bars' positions.
#include "view/control_view_impl.h"
#include "view/round_half_even.h"
#include "view/visible_part.h"

namespace korvix {

// The part of mViewPicture at both bars' positions (whichever bar moved, and
// a hidden bar's too), always the picture box's size: where it reaches past
// the picture the box shows black. The canvas keeps the part's bitmap from
// step to step, so a step costs about one blit of what the box shows.
void ControlView::Impl::hscroll1_change() {
    PixelRect part;
    part.left = hbar->value();
    part.top = vbar->value();
    part.width = view::round_to_long(box->scale_width());
    part.height = view::round_to_long(box->scale_height());
    com_ptr<IPictureDisp> shown = canvas.show(view_picture.get(), part);
    if (!shown) canvas.release();
    box->set_picture(shown);
}

}  // namespace korvix
