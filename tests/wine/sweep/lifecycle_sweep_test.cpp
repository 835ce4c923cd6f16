// A container that gets the OLE life cycle wrong in every order: interfaces
// queried and released at random, verbs out of order, Close and
// SetClientSite(NULL) anywhere, its window destroyed under the control.
// Nothing may crash, the site must get every reference back, and windows
// and memory stay flat.
#include <gtest/gtest.h>

#include <memory>

#include "tests/wine/hostkit/control_site.h"
#include "tests/wine/hostkit/frame_window.h"
#include "tests/wine/hostkit/modal_watcher.h"
#include "tests/wine/hostkit/process_resources.h"
#include "tests/wine/sweep/sweep_support.h"

namespace korvix::sweep {
namespace {

const IID* const kInterfaces[] = {&IID_IUnknown,          &IID_IDispatch,         &IID__Twain,
                                  &IID_IOleObject,        &IID_IOleInPlaceObject, &IID_IOleInPlaceActiveObject,
                                  &IID_IOleControl,       &IID_IViewObject2,      &IID_IPersistStreamInit,
                                  &IID_IPersistPropertyBag, &IID_IPersistStorage, &IID_IConnectionPointContainer,
                                  &IID_IProvideClassInfo2, &IID_IMarshal,         &IID_IClassFactory};

const LONG kVerbs[] = {OLEIVERB_PRIMARY,    OLEIVERB_SHOW,           OLEIVERB_OPEN,
                       OLEIVERB_HIDE,       OLEIVERB_UIACTIVATE,     OLEIVERB_INPLACEACTIVATE,
                       OLEIVERB_PROPERTIES, OLEIVERB_DISCARDUNDOSTATE, 7, -42};

// The container: its window, and every site it ever gave the control.
struct Host {
    std::unique_ptr<hostkit::frame_window> frame;
    std::vector<com_ptr<hostkit::control_site>> sites;
    void open() {
        frame = std::make_unique<hostkit::frame_window>(L"sweep", SIZE{400, 300}, false);
        sites.push_back(hostkit::control_site::create(frame->hwnd(), RECT{10, 10, 210, 160}));
    }
    IOleClientSite* site() const { return sites.back().get(); }
};

RECT random_rect(Generator& gen) {
    const LONG x = static_cast<LONG>(gen.next(300)) - 50, y = static_cast<LONG>(gen.next(300)) - 50;
    return RECT{x, y, x + static_cast<LONG>(gen.next(400)) - 20, y + static_cast<LONG>(gen.next(400)) - 20};
}

// One form's worth of abuse; false when a site kept a reference.
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
        RECT pos = random_rect(gen);
        switch (gen.next(12)) {
        case 0: {
            com_ptr<IUnknown> got;
            control->QueryInterface(*kInterfaces[gen.next(std::size(kInterfaces))], got.put_void());
            if (got) held.push_back(got);
            break;
        }
        case 1:
            if (!held.empty()) held.erase(held.begin() + gen.next(static_cast<std::uint32_t>(held.size())));
            break;
        case 2:
            ole->DoVerb(kVerbs[gen.next(std::size(kVerbs))], nullptr, gen.chance(80) ? host.site() : nullptr, 0,
                        gen.chance(80) && host.frame ? host.frame->hwnd() : nullptr, gen.chance(80) ? &pos : nullptr);
            break;
        case 3: ole->SetClientSite(gen.chance(70) ? host.site() : nullptr); break;
        case 4: ole->Close(gen.next(3)); break;
        case 5: gen.chance(50) ? in_place->InPlaceDeactivate() : in_place->UIDeactivate(); break;
        case 6: {  // odd or inverted rectangles and extents
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
            com_ptr<ITwain> twain = control.query<ITwain>(IID__Twain);
            unique_bstr tip(::SysAllocString(gen.chance(50) ? L"tip" : L""));
            twain->put_ToolTipText(tip.get());
            twain->put_Enabled(gen.chance(50) ? VARIANT_TRUE : VARIANT_FALSE);
            twain->put_BorderStyle(static_cast<SHORT>(gen.next(3)));
            twain->Refresh();
            break;
        }
        case 9: {
            window_dc screen(nullptr);
            RECTL bounds{0, 0, 64, 48};
            control.query<IViewObject2>(IID_IViewObject2)
                ->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, screen.get(), &bounds, nullptr, nullptr, 0);
            break;
        }
        case 10: control.query<IPersistStreamInit>(IID_IPersistStreamInit)->InitNew(); break;
        default:  // the host drops its main reference; what it still holds keeps the control
            control = held.empty() ? nullptr : held.front();
            break;
        }
        if (gen.chance(10)) hostkit::pump_messages();
    }
    control = nullptr;
    held.clear();
    hostkit::pump_messages();
    host.frame.reset();
    hostkit::pump_messages();
    for (const auto& site : host.sites)
        if (site->ref_count() != 1) return false;
    return true;
}

TEST(Sweep, LifecycleAbuseLeavesNothingBehind) {
    hostkit::modal_watcher dialogs([](HWND dialog) { hostkit::press(dialog, IDCANCEL); });
    Generator gen(4711);
    for (int i = 0; i < 30; ++i) ASSERT_TRUE(abuse_once(gen)) << "warm-up round " << i << " kept a site";
    const size_t windows = hostkit::thread_window_count();
    const long long memory = hostkit::committed_private_bytes();
    int kept = 0;
    for (int i = 0; i < 200; ++i) kept += !abuse_once(gen);
    ::CoFreeUnusedLibraries();
    EXPECT_EQ(kept, 0) << "rounds whose site kept a reference";
    EXPECT_EQ(hostkit::thread_window_count(), windows);
    EXPECT_LT(static_cast<long long>(hostkit::committed_private_bytes()) - memory, 1 << 20);
    EXPECT_EQ(dialogs.dialogs_seen(), 0);
}

}  // namespace
}  // namespace korvix::sweep
