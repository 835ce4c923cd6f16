// HScroll1_Change: what the picture box shows for the bars' positions.
#include "view/control_view_impl.h"

namespace korvix {

// Until the cut-out of the visible part exists, the picture box holds the
// whole picture; it shows it from its top-left corner and clips the rest.
void ControlView::Impl::hscroll1_change() { box->set_picture(view_picture); }

}  // namespace korvix
