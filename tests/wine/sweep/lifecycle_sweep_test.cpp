// A container that gets the OLE life cycle wrong in every order: interfaces
// queried and released at random, verbs out of order, Close and
// SetClientSite(NULL) anywhere, its window destroyed under the control.
// Nothing may crash, the site must get every reference back, and windows
// and memory stay flat.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "tests/wine/hostkit/control_site.h"
#include "tests/wine/hostkit/frame_window.h"
#include "tests/wine/hostkit/process_resources.h"
#include "tests/wine/sweep/sweep_support.h"

namespace korvix::sweep {
namespace {

const IID* const kInterfaces[] = {&IID_IUnknown,          &IID_IDispatch,         &IID__Twain,
                                  &IID_IOleObject,        &IID_IOleInPlaceObject, &IID_IOleInPlaceActiveObject,
                                  &IID_IOleControl,       &IID_IViewObject2,      &IID_IPersistStreamInit,
                                  &IID_IPersistPropertyBag, &IID_IPersistStorage, &IID_IConnectionPointContainer,
                                  &IID_IProvideClassInfo2, &IID_IMarshal,         &IID_IClassFactory};

const LONG kVerbs[] = {OLEIVERB_PRIMARY,        OLEIVERB_SHOW,      OLEIVERB_OPEN, OLEIVERB_HIDE,
                       OLEIVERB_UIACTIVATE,     OLEIVERB_INPLACEACTIVATE, OLEIVERB_DISCARDUNDOSTATE,
                       OLEIVERB_PROPERTIES,     7,                  -42};

struct Host {
    std::unique_ptr<hostkit::frame_window> frame;
    com_ptr<hostkit::control_site> site;
    std::vector<com_ptr<hostkit::control_site>> old_sites;  // checked at the end
    void open() {
        if (site) old_sites.push_back(site);
        frame = std::make_unique<hostkit::frame_window>(L"sweep", SIZE{400, 300}, false);
        site = hostkit::control_site::create(frame->hwnd(), RECT{10, 10, 210, 160});
    }
};

RECT random_rect(Generator& gen) {
    const LONG x = static_cast<LONG>(gen.next(300)) - 50, y = static_cast<LONG>(gen.next(300)) - 50;
    return RECT{x, y, x + static_cast<LONG>(gen.next(400)) - 20, y + static_cast<LONG>(gen.next(400)) - 20};
}

// One form's worth of abuse; returns false when a site kept a reference.
bool abuse_once(Generator& gen) {
    Host host;
    host.open();
    com_ptr<IUnknown> control;
    if (FAILED(::CoCreateInstance(CLSID_Twain, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, control.put_void())))
        return false;
    std::vector<com_ptr<IUnknown>> held;
    for (int step = 0; step < 16 && control; ++step) {
        com_ptr<IOleObject> ole = control.query<IOleObject>(IID_IOleObject);
        com_ptr<IOleInPlaceObject> in_place = control.query<IOleInPlaceObject>(IID_IOleInPlaceObject);
        com_ptr<ITwain> twain = control.query<ITwain>(IID__Twain);
        switch (gen.next(13)) {
        case 0: {
            com_ptr<IUnknown> got;
            control->QueryInterface(*kInterfaces[gen.next(std::size(kInterfaces))], got.put_void());
            if (got) held.push_back(got);
            break;
        }
        case 1:
            if (!held.empty()) held.erase(held.begin() + gen.next(static_cast<std::uint32_t>(held.size())));
            break;
        case 2: {
            RECT pos = random_rect(gen);
            ole->DoVerb(kVerbs[gen.next(std::size(kVerbs))], nullptr, gen.chance(80) ? host.site.get() : nullptr, 0,
                        gen.chance(80) && host.frame ? host.frame->hwnd() : nullptr, gen.chance(80) ? &pos : nullptr);
            break;
        }
        case 3: ole->SetClientSite(gen.chance(70) ? host.site.get() : nullptr); break;
        case 4: ole->Close(gen.next(3)); break;
        case 5:
            if (gen.chance(50))
                in_place->InPlaceDeactivate();
            else
                in_place->UIDeactivate();
            break;
        case 6: {
            RECT pos = random_rect(gen);
            in_place->SetObjectRects(&pos, &pos);
            SIZEL extent{static_cast<LONG>(gen.next(20000)) - 1000, static_cast<LONG>(gen.next(20000)) - 1000};
            ole->SetExtent(gen.chance(90) ? DVASPECT_CONTENT : DVASPECT_ICON, &extent);
            break;
        }
        case 7:  // the container's window goes; a later step may bring a new one
            host.frame.reset();
            if (gen.chance(50)) host.open();
            break;
        case 8: {
            unique_variant text = unique_variant::bstr(gen.chance(50) ? L"tip" : L"");
            twain->put_ToolTipText(text->bstrVal);
            twain->put_Enabled(gen.chance(50) ? VARIANT_TRUE : VARIANT_FALSE);
            twain->put_BorderStyle(static_cast<SHORT>(gen.next(3)));
            twain->Refresh();
            break;
        }
        case 9: {
            window_dc screen(nullptr);
            unique_hdc dc(::CreateCompatibleDC(screen.get()));
            unique_hbitmap bitmap(::CreateCompatibleBitmap(screen.get(), 64, 48));
            select_scope selected(dc.get(), bitmap.get());
            RECTL bounds{0, 0, 64, 48};
            control.query<IViewObject2>(IID_IViewObject2)
                ->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.get(), &bounds, nullptr, nullptr, 0);
            break;
        }
        case 10: control.query<IPersistStreamInit>(IID_IPersistStreamInit)->InitNew(); break;
        case 11: {
            LPMSG none = nullptr;
            ole->DoVerb(OLEIVERB_INPLACEACTIVATE, none, host.site.get(), 0, nullptr, nullptr);
            hostkit::pump_messages();
            break;
        }
        default:  // the host drops its main reference; what it still holds keeps the control
            control = held.empty() ? nullptr : held.front();
            break;
        }
    }
    control = nullptr;
    held.clear();
    hostkit::pump_messages();
    host.frame.reset();
    hostkit::pump_messages();
    bool sites_released = host.site->ref_count() == 1;
    for (const auto& site : host.old_sites) sites_released = sites_released && site->ref_count() == 1;
    return sites_released;
}

TEST(Sweep, LifecycleAbuseLeavesNothingBehind) {
    Watchdog guard(90);
    Generator gen(4711);
    for (int i = 0; i < 30; ++i) ASSERT_TRUE(abuse_once(gen)) << "warm-up round " << i << " kept a site";
    const size_t windows_before = hostkit::thread_window_count();
    const size_t memory_before = hostkit::committed_private_bytes();
    int kept = 0;
    for (int i = 0; i < 200; ++i)
        if (!abuse_once(gen)) ++kept;
    ::CoFreeUnusedLibraries();
    const size_t windows_after = hostkit::thread_window_count();
    const size_t memory_after = hostkit::committed_private_bytes();
    std::printf("[ measured ] 200 abused forms; windows %u -> %u; committed memory %u -> %u bytes\n",
                static_cast<unsigned>(windows_before), static_cast<unsigned>(windows_after),
                static_cast<unsigned>(memory_before), static_cast<unsigned>(memory_after));
    EXPECT_EQ(kept, 0) << "rounds whose site kept a reference";
    EXPECT_EQ(windows_after, windows_before);
    EXPECT_LT(static_cast<long long>(memory_after) - static_cast<long long>(memory_before), 1024 * 1024);
}

}  // namespace
}  // namespace korvix::sweep
