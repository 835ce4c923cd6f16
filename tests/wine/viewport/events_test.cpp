// The twelve events as a host's handlers receive them: raised by the user's
// actions on the real windows, with their arguments, at their moments; to
// every advised sink; not while frozen; and safe when a handler calls back
// into the control or lets go of it.
#include "tests/wine/viewport/viewport_env.h"

#include <functional>

#include "tests/wine/hostkit/server_registration.h"
#include "tests/wine/hostkit/test_pictures.h"

namespace korvix::viewport_test {
namespace {

using hostkit::event_sink;
using hostkit::sink_connection;
using strings = std::vector<std::string>;

const SIZE kPicture{1000, 600};

void send(HWND window, UINT msg, WPARAM wp, int x = 0, int y = 0) { ::SendMessageW(window, msg, wp, MAKELPARAM(x, y)); }

// A control showing the gradient picture, with one sink advised.
struct watched_twain {
    watched_twain(HWND frame, container kind = container::own, const RECT& pos = RECT{0, 0, 320, 240})
        : twain(frame, kind, pos), sink(event_sink::create()) {
        ViewportTest::putref(twain.control(), DISPID_Twain_Picture,
                             hostkit::make_gradient_picture(kPicture.cx, kPicture.cy).get());
        connection = sink_connection(twain.control(), DIID___Twain, sink.get());
    }
    const hostkit::view_windows& windows() const { return twain.windows(); }
    hosted_twain twain;
    com_ptr<event_sink> sink;
    sink_connection connection;
};

// Each case starts with the view scrolled to (300, 100): mouse positions
// still count from the picture box's corner. (Paint is seen in
// HandlersMayCallBackIntoTheControl.)
const struct {
    const char* name;
    std::function<void(const hostkit::view_windows&)> act;
    strings expected;
} kActions[] = {
    {"thumb dragged: Scroll per step, none for the release",
     [](const auto& w) {
         scroll(w, false, SB_THUMBTRACK, 320);
         scroll(w, true, SB_THUMBTRACK, 150);
         scroll(w, true, SB_THUMBPOSITION, 150);
         scroll(w, true, SB_ENDSCROLL);
     },
     {"Scroll", "Scroll"}},
    {"arrows, track and ends: no Scroll",
     [](const auto& w) {
         for (WORD code : {SB_LINEDOWN, SB_PAGEDOWN, SB_LINEUP, SB_PAGEUP, SB_BOTTOM, SB_TOP}) {
             scroll(w, false, code);
             scroll(w, true, code);
         }
     },
     {}},
    {"mouse over the scrolled box, a double click",
     [](const auto& w) {
         send(w.picture_box, WM_MOUSEMOVE, 0, 0, 0);
         send(w.picture_box, WM_LBUTTONDOWN, MK_LBUTTON, 5, 7);
         send(w.picture_box, WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, 6, 9);
         send(w.picture_box, WM_LBUTTONUP, 0, 6, 9);
         send(w.picture_box, WM_LBUTTONDBLCLK, MK_LBUTTON, 6, 9);
         send(w.picture_box, WM_LBUTTONUP, 0, 6, 9);
         send(w.picture_box, WM_RBUTTONDOWN, MK_RBUTTON | MK_CONTROL, 298, 218);
         send(w.picture_box, WM_RBUTTONUP, MK_CONTROL, 298, 218);
     },
     {"MouseMove(*0%,*0%,*0!,*0!)", "MouseDown(*1%,*0%,*5!,*7!)", "MouseMove(*1%,*1%,*6!,*9!)",
      "MouseUp(*1%,*0%,*6!,*9!)", "Click", "DblClick", "MouseUp(*1%,*0%,*6!,*9!)", "MouseDown(*2%,*2%,*298!,*218!)",
      "MouseUp(*2%,*2%,*298!,*218!)"}},
    {"keys on the surface; the picture box's are not forwarded",
     [](const auto& w) {
         send(w.surface, WM_KEYDOWN, 'A');
         send(w.surface, WM_CHAR, 'a');
         send(w.surface, WM_KEYUP, 'A');
         send(w.picture_box, WM_KEYDOWN, 'B');
         send(w.picture_box, WM_CHAR, 'b');
     },
     {"KeyDown(*65%,*0%)", "KeyPress(*97%)", "KeyUp(*65%,*0%)"}},
};

class EventsInContainers : public ViewportInContainers {};
using Events = ViewportTest;

TEST_P(EventsInContainers, UserActionsRaiseTheirEventsWithTheirArguments) {
    watched_twain t(frame_->hwnd(), GetParam());
    for (const auto& c : kActions) {
        scroll(t.windows(), false, SB_THUMBTRACK, 300);
        scroll(t.windows(), true, SB_THUMBTRACK, 100);
        shown(t.windows());
        t.sink->clear();
        c.act(t.windows());
        EXPECT_EQ(t.sink->events(), c.expected) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Containers, EventsInContainers, ::testing::Values(container::own, container::atl),
                         container_name);

// Real mouse input where a user would click: only the picture box gives
// MouseDown and Click; the border, the bars and the corner between them do not.
TEST_F(Events, ClickComesOnlyFromThePictureBox) {
    watched_twain t(frame_->hwnd(), container::own, RECT{40, 40, 360, 280});
    ::SetForegroundWindow(frame_->hwnd());
    RECT surface{}, bar{}, box{};
    ::GetWindowRect(t.windows().surface, &surface);
    ::GetWindowRect(t.windows().hscroll, &bar);
    ::GetWindowRect(t.windows().picture_box, &box);
    const LONG bar_middle = (bar.top + bar.bottom) / 2;
    const struct {
        const char* where;
        POINT at;
    } places[] = {{"picture box", {box.left + 10, box.top + 10}},
                  {"border", {surface.left, surface.top + 50}},
                  {"bar's arrow", {bar.left + 3, bar_middle}},
                  {"bar's track", {(bar.left + bar.right) / 2 + 40, bar_middle}},
                  {"corner between the bars", {surface.right - 6, surface.bottom - 6}}};
    for (const auto& p : places) {
        ::SetCursorPos(p.at.x, p.at.y);
        hostkit::pump_messages();
        t.sink->clear();
        INPUT input[2] = {};
        input[0].type = input[1].type = INPUT_MOUSE;
        input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        ASSERT_EQ(::SendInput(2, input, sizeof(INPUT)), 2u);
        for (int i = 0; i < 5; ++i) {
            ::Sleep(20);
            hostkit::pump_messages();
        }
        const int expected = &p == &places[0] ? 1 : 0;
        EXPECT_EQ(t.sink->count("MouseDown"), expected) << p.where;
        EXPECT_EQ(t.sink->count("Click"), expected) << p.where;
    }
}

// Scroll comes after the new part is shown, Resize after the new layout: a
// handler that looks sees the new state.
TEST_F(Events, ScrollAndResizeComeAfterTheViewsWork) {
    watched_twain t(frame_->hwnd());
    const auto& w = t.windows();
    COLORREF corner_in_scroll = CLR_INVALID;
    RECT box_in_resize{};
    t.sink->set_handler([&](DISPID id, DISPPARAMS&) {
        if (id == DISPID_TwainEvent_Scroll) {
            ::UpdateWindow(w.picture_box);
            corner_in_scroll = hostkit::capture_window(w.picture_box).at(0, 0);
        } else if (id == DISPID_TwainEvent_Resize) {
            box_in_resize = hostkit::child_rect_pixels(w.picture_box);
        }
        return S_OK;
    });
    scroll(w, false, SB_THUMBTRACK, 57);
    EXPECT_EQ(corner_in_scroll, hostkit::gradient_pixel(57, 0, kPicture.cx, kPicture.cy));

    t.twain.move(RECT{0, 0, 400, 300});  // the box was 299 x 219
    EXPECT_EQ(t.sink->count("Resize"), 1);
    EXPECT_EQ(box_in_resize.right - box_in_resize.left, 400 - 4 - 17);
    EXPECT_EQ(box_in_resize.bottom - box_in_resize.top, 300 - 4 - 17);
}

// Every advised sink hears every event: a failing sink does not stop the
// others; a sink disconnected during a raise hears nothing more; while the
// container froze events none arrive. By-reference arguments point at the
// control's own values: what one handler writes the next one reads, and a
// KeyAscii left at 0 cancels the key.
TEST_F(Events, EveryAdvisedSinkHearsEveryEventUnlessFrozen) {
    hosted_twain twain(frame_->hwnd(), container::own);
    const auto& w = twain.windows();
    com_ptr<event_sink> sinks[5];
    std::vector<sink_connection> connections;
    for (auto& s : sinks) {
        s = event_sink::create();
        connections.emplace_back(twain.control(), DIID___Twain, s.get());
    }
    sinks[0]->set_handler([](DISPID id, DISPPARAMS& p) {
        if (id == DISPID_TwainEvent_KeyPress) *V_I2REF(&p.rgvarg[0]) = 0;
        if (id == DISPID_TwainEvent_KeyDown) *V_I2REF(&p.rgvarg[1]) = 'Z';   // KeyCode
        if (id == DISPID_TwainEvent_MouseDown) *V_R4REF(&p.rgvarg[1]) = 42.5f;  // x
        return E_FAIL;
    });
    sinks[1]->set_handler([&](DISPID id, DISPPARAMS&) {
        if (id == DISPID_TwainEvent_Click) connections[1].disconnect();  // itself
        return DISP_E_EXCEPTION;
    });
    sinks[2]->set_handler([&](DISPID id, DISPPARAMS&) {
        if (id == DISPID_TwainEvent_Click) connections[3].disconnect();  // a later one
        return S_OK;
    });
    send(w.surface, WM_KEYDOWN, 'Q');
    send(w.surface, WM_CHAR, 'q');
    send(w.picture_box, WM_LBUTTONDOWN, MK_LBUTTON, 3, 4);
    EXPECT_EQ(sinks[4]->events(), (strings{"KeyDown(*90%,*0%)", "KeyPress(*0%)", "MouseDown(*1%,*0%,*42.5!,*4!)"}));
    const auto click = [&] {
        for (auto& s : sinks) s->clear();
        send(w.picture_box, WM_LBUTTONUP, 0, 1, 1);
        std::vector<int> heard;
        for (auto& s : sinks) heard.push_back(s->count("Click"));
        return heard;
    };
    EXPECT_EQ(click(), (std::vector<int>{1, 1, 1, 0, 1}));
    EXPECT_EQ(click(), (std::vector<int>{1, 0, 1, 0, 1}));
    auto control = com_ptr<IDispatch>(twain.control()).query<IOleControl>(IID_IOleControl);
    ASSERT_TRUE(control);
    for (const BOOL freeze : {TRUE, TRUE, FALSE}) {  // nested: frozen until the last thaw
        control->FreezeEvents(freeze);
        EXPECT_EQ(click(), (std::vector<int>{0, 0, 0, 0, 0}));
    }
    control->FreezeEvents(FALSE);
    EXPECT_EQ(click(), (std::vector<int>{1, 0, 1, 0, 1}));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(sinks[i]->ref_count(), i == 1 || i == 3 ? 1 : 2) << i;
}

// Handlers that call back into the control: nothing crashes, nothing
// recurses without end, and the view ends in the state the calls ask for.
TEST_F(Events, HandlersMayCallBackIntoTheControl) {
    const SIZE other{700, 500};
    const auto refresh = [](hosted_twain& t) { hostkit::dispatch_call(t.control(), DISPID_Twain_Refresh); };
    const struct {
        const char* name;
        DISPID on;
        std::function<void(hosted_twain&)> handler, trigger;
        SIZE shown;  // the picture shown at the bars' positions afterwards
    } cases[] = {
        {"Refresh from Paint", DISPID_TwainEvent_Paint, refresh,
         [](hosted_twain& t) { ::InvalidateRect(t.windows().picture_box, nullptr, FALSE); }, kPicture},
        {"Refresh from Scroll", DISPID_TwainEvent_Scroll, refresh,
         [](hosted_twain& t) { scroll(t.windows(), true, SB_THUMBTRACK, 77); }, kPicture},
        {"Picture from Resize", DISPID_TwainEvent_Resize,
         [&](hosted_twain& t) { putref(t.control(), DISPID_Twain_Picture, hostkit::make_gradient_picture(other.cx, other.cy).get()); },
         [](hosted_twain& t) { t.move(RECT{0, 0, 300, 200}); }, other},
    };
    for (const auto& c : cases) {
        watched_twain t(frame_->hwnd());
        int calls = 0;
        t.sink->set_handler([&](DISPID id, DISPPARAMS&) {
            if (id == c.on && ++calls < 50) c.handler(t.twain);
            return S_OK;
        });
        c.trigger(t.twain);
        const hostkit::window_capture seen = shown(t.windows());
        RECT pending{};
        EXPECT_FALSE(::GetUpdateRect(t.windows().picture_box, &pending, FALSE)) << c.name << ": repaints keep coming";
        EXPECT_TRUE(shows_gradient_part(seen, c.shown, scroll_position(t.windows()))) << c.name;
        EXPECT_TRUE(calls >= 1 && calls < 50) << c.name << ": " << calls << " calls";
    }
}

// A handler that lets go of the control: the container tears it down from
// inside the event, and the control finishes the message it was handling
// before it goes. Nothing is left of it, and later input reaches nothing.
TEST_F(Events, HandlerMayReleaseTheControl) {
    for (const char* on : {"MouseDown", "Click", "KeyDown", "Scroll"}) {
        auto t = std::make_unique<watched_twain>(frame_->hwnd());
        const hostkit::view_windows w = t->windows();
        const com_ptr<event_sink> sink = t->sink;
        sink->set_handler([&](DISPID, DISPPARAMS&) {
            if (t && sink->count(on) > 0) t.reset();
            return S_OK;
        });
        send(w.picture_box, WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
        send(w.picture_box, WM_LBUTTONUP, 0, 5, 5);
        send(w.surface, WM_KEYDOWN, 'A');
        scroll(w, false, SB_THUMBTRACK, 10);
        hostkit::pump_messages();
        EXPECT_FALSE(t) << on;
        EXPECT_FALSE(::IsWindow(w.picture_box) || ::IsWindow(w.surface)) << on;
        EXPECT_EQ(sink->count(on), 1) << on;
        EXPECT_EQ(sink->ref_count(), 1) << on;
    }
    ::CoFreeUnusedLibraries();
    EXPECT_EQ(hostkit::module_can_unload(hostkit::module_under_test()), S_OK);
}

}  // namespace
}  // namespace korvix::viewport_test
