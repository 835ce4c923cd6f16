// The twelve events as a host's handlers receive them: raised by the user's
// actions on the real windows, with their arguments, at their moments; to
// every advised sink; not while frozen; and safe when a handler calls back
// into the control or lets go of it.
#include "tests/wine/viewport/viewport_env.h"

#include <algorithm>
#include <functional>

#include "tests/wine/hostkit/server_registration.h"
#include "tests/wine/hostkit/test_pictures.h"

namespace korvix::viewport_test {
namespace {

using hostkit::event_sink;
using hostkit::sink_connection;

constexpr VARTYPE kShortRef = VT_BYREF | VT_I2, kSingleRef = VT_BYREF | VT_R4;

struct expected_event {
    DISPID id;
    std::vector<event_sink::argument> arguments;
};

std::vector<event_sink::argument> mouse_args(double button, double shift, double x, double y) {
    return {{kShortRef, button}, {kShortRef, shift}, {kSingleRef, x}, {kSingleRef, y}};
}
std::vector<event_sink::argument> key_args(double code, double shift) { return {{kShortRef, code}, {kShortRef, shift}}; }

std::string describe(const std::vector<event_sink::event>& events) {
    std::string s;
    for (const auto& e : events) {
        s += std::to_string(e.id) + "(";
        for (const auto& a : e.arguments) s += std::to_string(a.type) + ":" + std::to_string(a.value) + " ";
        s += ") ";
    }
    return s;
}

// The events a case is about: Paint only where the case says so, since
// every message pump may repaint.
std::vector<event_sink::event> without_paint(const std::vector<event_sink::event>& events) {
    std::vector<event_sink::event> out;
    for (const auto& e : events)
        if (e.id != DISPID_TwainEvent_Paint) out.push_back(e);
    return out;
}

bool same(const std::vector<event_sink::event>& seen, const std::vector<expected_event>& expected) {
    if (seen.size() != expected.size()) return false;
    for (size_t i = 0; i < seen.size(); ++i) {
        if (seen[i].id != expected[i].id || seen[i].arguments.size() != expected[i].arguments.size()) return false;
        for (size_t k = 0; k < seen[i].arguments.size(); ++k)
            if (seen[i].arguments[k].type != expected[i].arguments[k].type ||
                seen[i].arguments[k].value != expected[i].arguments[k].value)
                return false;
    }
    return true;
}

void send(HWND window, UINT msg, WPARAM wp, int x = 0, int y = 0) {
    ::SendMessageW(window, msg, wp, MAKELPARAM(x, y));
}

struct action_case {
    const char* name;
    std::function<void(const hostkit::view_windows&)> act;
    std::vector<expected_event> expected;
    bool with_paint = false;
};

// The view is scrolled to (300, 100) before each action: mouse positions
// still count from the picture box's top-left corner.
const std::vector<action_case>& action_cases() {
    static const std::vector<action_case> cases = {
        {"thumb dragged: Scroll once per step, not for the release",
         [](const auto& w) {
             scroll(w, false, SB_THUMBTRACK, 320);
             scroll(w, true, SB_THUMBTRACK, 150);
             scroll(w, true, SB_THUMBPOSITION, 150);
             scroll(w, true, SB_ENDSCROLL);
         },
         {{DISPID_TwainEvent_Scroll, {}}, {DISPID_TwainEvent_Scroll, {}}}},
        {"arrows, track and ends: no Scroll",
         [](const auto& w) {
             for (WORD code : {SB_LINEDOWN, SB_PAGEDOWN, SB_LINEUP, SB_PAGEUP, SB_BOTTOM, SB_TOP}) {
                 scroll(w, false, code);
                 scroll(w, true, code);
             }
         },
         {}},
        {"mouse over the scrolled box",
         [](const auto& w) {
             send(w.picture_box, WM_MOUSEMOVE, 0, 0, 0);
             send(w.picture_box, WM_LBUTTONDOWN, MK_LBUTTON, 5, 7);
             send(w.picture_box, WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, 6, 9);
             send(w.picture_box, WM_LBUTTONUP, 0, 6, 9);
             send(w.picture_box, WM_RBUTTONDOWN, MK_RBUTTON | MK_CONTROL, 298, 218);
             send(w.picture_box, WM_RBUTTONUP, MK_CONTROL, 298, 218);
         },
         {{DISPID_TwainEvent_MouseMove, mouse_args(0, 0, 0, 0)},
          {DISPID_TwainEvent_MouseDown, mouse_args(1, 0, 5, 7)},
          {DISPID_TwainEvent_MouseMove, mouse_args(1, 1, 6, 9)},
          {DISPID_TwainEvent_MouseUp, mouse_args(1, 0, 6, 9)},
          {DISPID_TwainEvent_Click, {}},
          {DISPID_TwainEvent_MouseDown, mouse_args(2, 2, 298, 218)},
          {DISPID_TwainEvent_MouseUp, mouse_args(2, 2, 298, 218)}}},
        {"double click",
         [](const auto& w) {
             send(w.picture_box, WM_LBUTTONDOWN, MK_LBUTTON, 1, 2);
             send(w.picture_box, WM_LBUTTONUP, 0, 1, 2);
             send(w.picture_box, WM_LBUTTONDBLCLK, MK_LBUTTON, 1, 2);
             send(w.picture_box, WM_LBUTTONUP, 0, 1, 2);
         },
         {{DISPID_TwainEvent_MouseDown, mouse_args(1, 0, 1, 2)},
          {DISPID_TwainEvent_MouseUp, mouse_args(1, 0, 1, 2)},
          {DISPID_TwainEvent_Click, {}},
          {DISPID_TwainEvent_DblClick, {}},
          {DISPID_TwainEvent_MouseUp, mouse_args(1, 0, 1, 2)}}},
        {"keys on the surface; the picture box's are not forwarded",
         [](const auto& w) {
             send(w.surface, WM_KEYDOWN, 'A');
             send(w.surface, WM_CHAR, 'a');
             send(w.surface, WM_KEYUP, 'A');
             send(w.picture_box, WM_KEYDOWN, 'B');
             send(w.picture_box, WM_CHAR, 'b');
         },
         {{DISPID_TwainEvent_KeyDown, key_args('A', 0)},
          {DISPID_TwainEvent_KeyPress, {{kShortRef, 'a'}}},
          {DISPID_TwainEvent_KeyUp, key_args('A', 0)}}},
        {"paint",
         [](const auto& w) {
             ::InvalidateRect(w.picture_box, nullptr, FALSE);
             ::UpdateWindow(w.picture_box);
         },
         {{DISPID_TwainEvent_Paint, {}}},
         true},
    };
    return cases;
}

class EventsInContainers : public ViewportInContainers {};
using Events = ViewportTest;

TEST_P(EventsInContainers, UserActionsRaiseTheirEventsWithTheirArguments) {
    hosted_twain twain(frame_->hwnd(), GetParam());
    const auto& w = twain.windows();
    set_picture(twain.control(), hostkit::make_gradient_picture(1000, 600).get());
    auto sink = event_sink::create();
    sink_connection connection(twain.control(), DIID___Twain, sink.get());
    for (const action_case& c : action_cases()) {
        scroll(w, false, SB_THUMBTRACK, 300);
        scroll(w, true, SB_THUMBTRACK, 100);
        ::UpdateWindow(w.picture_box);
        hostkit::pump_messages();
        sink->clear();
        c.act(w);
        const auto seen = c.with_paint ? sink->events() : without_paint(sink->events());
        EXPECT_TRUE(same(seen, c.expected)) << c.name << ": " << describe(seen);
    }
}

INSTANTIATE_TEST_SUITE_P(Containers, EventsInContainers, ::testing::Values(container::own, container::atl),
                         container_name);

// Real mouse input where a user would click: only the picture box gives
// Click; the border, the bars and the corner between them do not.
TEST_F(Events, ClickComesOnlyFromThePictureBox) {
    hosted_twain twain(frame_->hwnd(), container::own, RECT{40, 40, 360, 280});
    const auto& w = twain.windows();
    set_picture(twain.control(), hostkit::make_gradient_picture(1000, 600).get());
    auto sink = event_sink::create();
    sink_connection connection(twain.control(), DIID___Twain, sink.get());
    ::SetForegroundWindow(frame_->hwnd());
    RECT surface{}, bar{}, box{};
    ::GetWindowRect(w.surface, &surface);
    ::GetWindowRect(w.hscroll, &bar);
    ::GetWindowRect(w.picture_box, &box);
    const struct {
        const char* where;
        POINT at;
        bool clicks;
    } places[] = {{"picture box", {box.left + 10, box.top + 10}, true},
                  {"border", {surface.left, surface.top + 50}, false},
                  {"bar's arrow", {bar.left + 3, (bar.top + bar.bottom) / 2}, false},
                  {"bar's track", {(bar.left + bar.right) / 2 + 40, (bar.top + bar.bottom) / 2}, false},
                  {"corner between the bars", {surface.right - 6, surface.bottom - 6}, false}};
    for (const auto& p : places) {
        ::SetCursorPos(p.at.x, p.at.y);
        hostkit::pump_messages();
        sink->clear();
        INPUT input[2] = {};
        input[0].type = input[1].type = INPUT_MOUSE;
        input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        ASSERT_EQ(::SendInput(2, input, sizeof(INPUT)), 2u);
        for (int i = 0; i < 5; ++i) {
            ::Sleep(20);
            hostkit::pump_messages();
        }
        EXPECT_EQ(sink->count(DISPID_TwainEvent_Click), p.clicks ? 1 : 0) << p.where << ": " << describe(sink->events());
        EXPECT_EQ(sink->count(DISPID_TwainEvent_MouseDown), p.clicks ? 1 : 0) << p.where;
    }
}

// Scroll comes after the new part is shown, Resize after the new layout: a
// handler that looks sees the new state.
TEST_F(Events, ScrollAndResizeComeAfterTheViewsWork) {
    hosted_twain twain(frame_->hwnd(), container::own);
    const auto& w = twain.windows();
    const SIZE picture{400, 300};
    set_picture(twain.control(), hostkit::make_gradient_picture(picture.cx, picture.cy).get());
    auto sink = event_sink::create();
    sink_connection connection(twain.control(), DIID___Twain, sink.get());
    COLORREF corner_in_scroll = CLR_INVALID;
    bool bars_in_resize = true;
    RECT box_in_resize{};
    sink->set_handler([&](DISPID id, DISPPARAMS&) {
        if (id == DISPID_TwainEvent_Scroll) {
            ::UpdateWindow(w.picture_box);
            corner_in_scroll = hostkit::capture_window(w.picture_box).at(0, 0);
        } else if (id == DISPID_TwainEvent_Resize) {
            bars_in_resize = ::IsWindowVisible(w.hscroll) || ::IsWindowVisible(w.vscroll);
            box_in_resize = hostkit::child_rect_pixels(w.picture_box);
        }
        return S_OK;
    });
    scroll(w, false, SB_THUMBTRACK, 57);
    EXPECT_EQ(corner_in_scroll, hostkit::gradient_pixel(57, 0, picture.cx, picture.cy));

    twain.move(RECT{0, 0, 500, 400});  // the picture now fits
    EXPECT_EQ(sink->count(DISPID_TwainEvent_Resize), 1);
    EXPECT_FALSE(bars_in_resize);
    EXPECT_EQ(box_in_resize.right - box_in_resize.left, 496);
    EXPECT_EQ(box_in_resize.bottom - box_in_resize.top, 396);
    // A picture that fits is shown whole on BackColor, not cut out.
    EXPECT_EQ(shown(w).at(450, 50), ::GetSysColor(COLOR_WINDOW));
}

// By-reference arguments point at the control's own values: what one
// handler writes the next one reads, and a KeyAscii left at 0 cancels the
// key; a by-value Integer is just a value.
TEST_F(Events, HandlersShareTheByReferenceArguments) {
    hosted_twain twain(frame_->hwnd(), container::own);
    const auto& w = twain.windows();
    auto first = event_sink::create(), second = event_sink::create();
    sink_connection c1(twain.control(), DIID___Twain, first.get());
    sink_connection c2(twain.control(), DIID___Twain, second.get());
    first->set_handler([](DISPID id, DISPPARAMS& p) {
        if (id == DISPID_TwainEvent_KeyPress) hostkit::set_short_argument(p.rgvarg[0], 0);
        if (id == DISPID_TwainEvent_KeyDown) hostkit::set_short_argument(p.rgvarg[1], 'Z');  // KeyCode
        if (id == DISPID_TwainEvent_MouseDown) *V_R4REF(&p.rgvarg[1]) = 42.5f;                 // x
        return S_OK;
    });
    send(w.surface, WM_KEYDOWN, 'Q');
    send(w.surface, WM_CHAR, 'q');
    send(w.picture_box, WM_LBUTTONDOWN, MK_LBUTTON, 3, 4);
    const auto seen = without_paint(second->events());
    EXPECT_TRUE(same(seen, {{DISPID_TwainEvent_KeyDown, key_args('Z', 0)},
                            {DISPID_TwainEvent_KeyPress, {{kShortRef, 0}}},
                            {DISPID_TwainEvent_MouseDown, mouse_args(1, 0, 42.5, 4)}}))
        << describe(seen);
}

// A failing sink does not stop the others; a sink disconnected during a
// raise hears nothing more; while the container froze events none arrive.
TEST_F(Events, EveryAdvisedSinkHearsEveryEventUnlessFrozen) {
    hosted_twain twain(frame_->hwnd(), container::own);
    const auto& w = twain.windows();
    com_ptr<event_sink> sinks[5];
    std::vector<sink_connection> connections;
    for (auto& s : sinks) {
        s = event_sink::create();
        connections.emplace_back(twain.control(), DIID___Twain, s.get());
    }
    sinks[0]->set_handler([](DISPID, DISPPARAMS&) { return E_FAIL; });
    sinks[1]->set_handler([&](DISPID id, DISPPARAMS&) {
        if (id == DISPID_TwainEvent_Click) connections[1].disconnect();
        return DISP_E_EXCEPTION;
    });
    sinks[2]->set_handler([&](DISPID id, DISPPARAMS&) {
        if (id == DISPID_TwainEvent_Click) connections[3].disconnect();
        return S_OK;
    });
    const auto click = [&] {
        for (auto& s : sinks) s->clear();
        send(w.picture_box, WM_LBUTTONUP, 0, 1, 1);
        std::vector<int> heard;
        for (auto& s : sinks) heard.push_back(s->count(DISPID_TwainEvent_Click));
        return heard;
    };
    EXPECT_EQ(click(), (std::vector<int>{1, 1, 1, 0, 1}));
    EXPECT_EQ(click(), (std::vector<int>{1, 0, 1, 0, 1}));
    auto control = com_ptr<IDispatch>(twain.control()).query<IOleControl>(IID_IOleControl);
    ASSERT_TRUE(control);
    control->FreezeEvents(TRUE);
    control->FreezeEvents(TRUE);
    EXPECT_EQ(click(), (std::vector<int>{0, 0, 0, 0, 0}));
    control->FreezeEvents(FALSE);
    EXPECT_EQ(click(), (std::vector<int>{0, 0, 0, 0, 0}));
    control->FreezeEvents(FALSE);
    EXPECT_EQ(click(), (std::vector<int>{1, 0, 1, 0, 1}));
    for (auto& s : sinks) EXPECT_EQ(s->ref_count(), s.get() == sinks[1].get() || s.get() == sinks[3].get() ? 1 : 2);
}

// Handlers that call back into the control: nothing crashes, nothing
// recurses without end, and the view ends in the state the calls ask for.
TEST_F(Events, HandlersMayCallBackIntoTheControl) {
    const SIZE big{1000, 600}, other{700, 500};
    const struct {
        const char* name;
        DISPID on;
        std::function<void(hosted_twain&)> handler;
        std::function<void(hosted_twain&)> trigger;
        std::function<void(hosted_twain&)> check;
    } cases[] = {
        {"Refresh from Paint", DISPID_TwainEvent_Paint, [](hosted_twain& t) { call(t.control(), DISPID_Twain_Refresh); },
         [](hosted_twain& t) {
             ::InvalidateRect(t.windows().picture_box, nullptr, FALSE);
             hostkit::pump_messages();
         },
         [&](hosted_twain& t) {
             hostkit::pump_messages();
             RECT pending{};
             EXPECT_FALSE(::GetUpdateRect(t.windows().picture_box, &pending, FALSE)) << "repaints keep coming";
             EXPECT_TRUE(shows_gradient_part(shown(t.windows()), big, POINT{0, 0}));
         }},
        {"Refresh from Scroll", DISPID_TwainEvent_Scroll, [](hosted_twain& t) { call(t.control(), DISPID_Twain_Refresh); },
         [](hosted_twain& t) { scroll(t.windows(), true, SB_THUMBTRACK, 77); },
         [&](hosted_twain& t) { EXPECT_TRUE(shows_gradient_part(shown(t.windows()), big, POINT{0, 77})); }},
        {"Picture from Resize", DISPID_TwainEvent_Resize,
         [&](hosted_twain& t) { set_picture(t.control(), hostkit::make_gradient_picture(other.cx, other.cy).get()); },
         [](hosted_twain& t) { t.move(RECT{0, 0, 300, 200}); },
         [&](hosted_twain& t) {
             EXPECT_EQ(get(t.control(), DISPID_Twain_BitmapWidth)->lVal, other.cx);
             EXPECT_TRUE(shows_gradient_part(shown(t.windows()), other, scroll_position(t.windows())));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        hosted_twain twain(frame_->hwnd(), container::own);
        set_picture(twain.control(), hostkit::make_gradient_picture(big.cx, big.cy).get());
        auto sink = event_sink::create();
        sink_connection connection(twain.control(), DIID___Twain, sink.get());
        int calls = 0;
        sink->set_handler([&](DISPID id, DISPPARAMS&) {
            if (id == c.on && ++calls < 50) c.handler(twain);
            return S_OK;
        });
        c.trigger(twain);
        c.check(twain);
        EXPECT_GE(calls, 1);
        EXPECT_LT(calls, 50);
    }
}

// A handler that lets go of the control: the container tears it down from
// inside the event, and the control finishes the message it was handling
// before it goes. Nothing is left of it, and later input reaches nothing.
TEST_F(Events, HandlerMayReleaseTheControl) {
    for (const DISPID on : {DISPID_TwainEvent_MouseDown, DISPID_TwainEvent_Click, DISPID_TwainEvent_KeyDown,
                            DISPID_TwainEvent_Scroll}) {
        SCOPED_TRACE(on);
        auto twain = std::make_unique<hosted_twain>(frame_->hwnd(), container::own);
        const hostkit::view_windows w = twain->windows();
        set_picture(twain->control(), hostkit::make_gradient_picture(1000, 600).get());
        auto sink = event_sink::create();
        auto connection = std::make_unique<sink_connection>(twain->control(), DIID___Twain, sink.get());
        sink->set_handler([&](DISPID id, DISPPARAMS&) {
            if (id == on && twain) {
                connection.reset();
                twain.reset();
            }
            return S_OK;
        });
        send(w.picture_box, WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
        send(w.picture_box, WM_LBUTTONUP, 0, 5, 5);
        send(w.surface, WM_KEYDOWN, 'A');
        scroll(w, false, SB_THUMBTRACK, 10);
        hostkit::pump_messages();
        EXPECT_FALSE(twain);
        EXPECT_FALSE(::IsWindow(w.picture_box));
        EXPECT_FALSE(::IsWindow(w.surface));
        EXPECT_EQ(sink->count(on), 1);
        EXPECT_EQ(sink->ref_count(), 1);
    }
    ::CoFreeUnusedLibraries();
    EXPECT_EQ(hostkit::module_can_unload(hostkit::module_under_test()), S_OK);
}

}  // namespace
}  // namespace korvix::viewport_test
