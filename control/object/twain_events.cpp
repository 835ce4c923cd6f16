// The control's events: raising them on the advised sinks, and the view's
// notifications forwarded as events.
#include "control/object/twain_control.h"

namespace korvix {

namespace {

VARIANTARG by_ref(SHORT& v) {
    VARIANTARG a;
    V_VT(&a) = VT_BYREF | VT_I2;
    V_I2REF(&a) = &v;
    return a;
}

VARIANTARG by_ref(float& v) {
    VARIANTARG a;
    V_VT(&a) = VT_BYREF | VT_R4;
    V_R4REF(&a) = &v;
    return a;
}

}  // namespace

void TwainControl::raise_event(DISPID id, VARIANTARG* args, UINT count) noexcept {
    if (freeze_count_ > 0) return;
    // Hold ourselves and a copy of the sinks: a handler may release the
    // control or unadvise while it runs.
    com_ptr<IUnknown> keep_alive(identity());
    try {
        DISPPARAMS params{args, nullptr, count, 0};
        for (const com_ptr<IUnknown>& sink : event_point_.sinks()) {
            // Sinks were taken as the event interface or as IDispatch; both are IDispatch.
            auto* dispatch = static_cast<IDispatch*>(sink.get());
            dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        }
    } catch (...) {
        // Out of memory copying the sink list: the event is lost, nothing else.
    }
}

void TwainControl::raise_progress(SHORT percent) noexcept {
    VARIANTARG arg;
    V_VT(&arg) = VT_I2;
    V_I2(&arg) = percent;
    raise_event(DISPID_TwainEvent_Progress, &arg, 1);
}

void TwainControl::on_surface_resize() { raise_event(DISPID_TwainEvent_Resize, nullptr, 0); }
void TwainControl::on_scroll() { raise_event(DISPID_TwainEvent_Scroll, nullptr, 0); }
void TwainControl::on_picture_box_paint() { raise_event(DISPID_TwainEvent_Paint, nullptr, 0); }
void TwainControl::on_click() { raise_event(DISPID_TwainEvent_Click, nullptr, 0); }
void TwainControl::on_dbl_click() { raise_event(DISPID_TwainEvent_DblClick, nullptr, 0); }

void TwainControl::on_mouse(LONG dispid, SHORT& button, SHORT& shift, float& x, float& y) {
    VARIANTARG args[4] = {by_ref(y), by_ref(x), by_ref(shift), by_ref(button)};
    raise_event(dispid, args, 4);
}

void TwainControl::on_key(LONG dispid, SHORT& key_code, SHORT& shift) {
    VARIANTARG args[2] = {by_ref(shift), by_ref(key_code)};
    raise_event(dispid, args, 2);
}

void TwainControl::on_key_press(SHORT& key_ascii) {
    VARIANTARG arg = by_ref(key_ascii);
    raise_event(DISPID_TwainEvent_KeyPress, &arg, 1);
}

void TwainControl::on_focus_request() {
    if (client_site_ && !ui_active_) activate_in_place(true);
}

}  // namespace korvix
