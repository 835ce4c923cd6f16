// One control on a container's form, created and torn down the way a form
// designer's runtime does it: CoCreateInstance, SetClientSite first (the
// class asks for it with OLEMISC_SETCLIENTSITEFIRST), property notifications
// connected, then InitNew or Load, SetExtent, DoVerb(INPLACEACTIVATE).
// Teardown: Close, Unadvise, SetClientSite(NULL), release.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <memory>

#include "common/win/unique_resource.h"
#include "control/twain_interface.h"
#include "tests/wine/hostkit/control_site.h"
#include "tests/wine/hostkit/property_notify_recorder.h"

namespace korvix::hostkit {

struct host_options {
    CLSID clsid;                 // defaults to the Twain class
    ambient_values ambients;
    host_options();
};

class hosted_control {
public:
    // Creates the object and gives it its site. Throws hresult_error.
    hosted_control(HWND frame, const RECT& pos, const host_options& options = {});
    ~hosted_control() { teardown(); }
    hosted_control(const hosted_control&) = delete;
    hosted_control& operator=(const hosted_control&) = delete;

    // Exactly one of these initialises the object.
    HRESULT init_new();                        // IPersistPropertyBag::InitNew
    HRESULT load(IPropertyBag* bag);           // IPersistPropertyBag::Load
    HRESULT init_new_stream();                 // IPersistStreamInit::InitNew
    HRESULT load_stream(IStream* stream);      // IPersistStreamInit::Load
    HRESULT load_storage(IStorage* storage);   // IPersistStorage::Load

    // SetExtent, then DoVerb(OLEIVERB_INPLACEACTIVATE) into the frame.
    HRESULT activate();
    // New rectangle in the frame (pixels): SetExtent and SetObjectRects.
    HRESULT move(const RECT& pos);
    // Close, disconnect, SetClientSite(NULL), release. Safe to call twice.
    void teardown() noexcept;

    IUnknown* unknown() const noexcept { return object_.get(); }
    IDispatch* dispatch() const noexcept { return dispatch_.get(); }
    ITwain* twain() const noexcept { return twain_.get(); }
    IOleObject* ole_object() const noexcept { return object_.get(); }
    template <typename T>
    com_ptr<T> query(REFIID iid) const {
        return object_.template query<T>(iid);
    }
    control_site& site() const noexcept { return *site_.get(); }
    property_notify_recorder& notifications() const noexcept { return *recorder_.get(); }
    // The control's own window (IOleInPlaceObject::GetWindow), null before activation.
    HWND window() const;

private:
    HRESULT set_extent(const RECT& pos);

    HWND frame_;
    RECT pos_;
    com_ptr<control_site> site_;
    com_ptr<property_notify_recorder> recorder_;
    com_ptr<IOleObject> object_;
    com_ptr<IDispatch> dispatch_;
    com_ptr<ITwain> twain_;
    sink_connection notify_connection_;
    bool activated_ = false;
};

// Creates, initialises as a new instance and activates a control.
// Throws hresult_error naming the step that failed.
std::unique_ptr<hosted_control> host_new_control(HWND frame, const RECT& pos, const host_options& options = {});

// Pixels to HIMETRIC at the screen's resolution.
SIZEL pixels_to_himetric(LONG cx, LONG cy);

}  // namespace korvix::hostkit
