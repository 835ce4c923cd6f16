// The control's events: raising them on the advised sinks, and the view's
// reports and the picture's progress turned into events.
#include <array>

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

constexpr UINT kMostArguments = 4;  // MouseDown, MouseUp, MouseMove

}  // namespace

void TwainControl::raise_event(DISPID id, VARIANTARG* args, UINT count) noexcept {
    if (freeze_count_ > 0 || count > kMostArguments) return;
    // Hold ourselves and a copy of the sinks: a handler may release the
    // control, or advise and unadvise sinks, while it runs.
    com_ptr<IUnknown> keep_alive(identity());
    try {
        for (const ConnectionPoint::Advised& connection : event_point_.connections()) {
            // A sink disconnected by an earlier handler hears nothing more;
            // so does every sink once a handler froze events.
            if (!event_point_.advised(connection.cookie) || freeze_count_ > 0) continue;
            // Each sink gets its own copy of the argument variants (a sink
            // may coerce them in place); by-reference ones still point at the
            // view's values, so what one handler writes the next one reads.
            std::array<VARIANTARG, kMostArguments> own{};
            for (UINT i = 0; i < count; ++i) own[i] = args[i];
            DISPPARAMS params{count ? own.data() : nullptr, nullptr, count, 0};
            // Sinks were taken as the event interface or as IDispatch; both are IDispatch.
            auto* dispatch = static_cast<IDispatch*>(connection.sink.get());
            // A failing handler does not keep the event from the others.
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

void TwainControl::Pic24Progress::on_progress(std::int16_t percent) { owner.raise_progress(percent); }

void TwainControl::on_surface_resize() { raise_event(DISPID_TwainEvent_Resize, nullptr, 0); }
void TwainControl::on_scroll() { raise_event(DISPID_TwainEvent_Scroll, nullptr, 0); }
void TwainControl::on_picture_box_paint() { raise_event(DISPID_TwainEvent_Paint, nullptr, 0); }
void TwainControl::on_click() { raise_event(DISPID_TwainEvent_Click, nullptr, 0); }
void TwainControl::on_dbl_click() { raise_event(DISPID_TwainEvent_DblClick, nullptr, 0); }

void TwainControl::on_mouse(MouseAction action, SHORT& button, SHORT& shift, float& x, float& y) {
    const DISPID id = action == MouseAction::down ? DISPID_TwainEvent_MouseDown
                      : action == MouseAction::up ? DISPID_TwainEvent_MouseUp
                                                  : DISPID_TwainEvent_MouseMove;
    VARIANTARG args[4] = {by_ref(y), by_ref(x), by_ref(shift), by_ref(button)};
    raise_event(id, args, 4);
}

void TwainControl::on_key(KeyAction action, SHORT& key_code, SHORT& shift) {
    VARIANTARG args[2] = {by_ref(shift), by_ref(key_code)};
    raise_event(action == KeyAction::down ? DISPID_TwainEvent_KeyDown : DISPID_TwainEvent_KeyUp, args, 2);
}

void TwainControl::on_key_press(SHORT& key_ascii) {
    VARIANTARG arg = by_ref(key_ascii);
    raise_event(DISPID_TwainEvent_KeyPress, &arg, 1);
}

void TwainControl::on_focus_request() {
    if (client_site_ && !ui_active_) activate_in_place(true);
}

void TwainControl::hold() noexcept { AddRef(); }
void TwainControl::release_hold() noexcept { Release(); }

}  // namespace korvix
