// IPropertyNotifySink that records what the control announces, in order,
// plus the connection to the control's connection point (Advise on
// construction, Unadvise on destruction).
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <vector>

#include "common/win/unique_resource.h"

namespace korvix::hostkit {

class property_notify_recorder final : public IPropertyNotifySink {
public:
    struct event {
        enum kind_t { changed, request_edit } kind;
        DISPID id;
    };

    static com_ptr<property_notify_recorder> create();

    const std::vector<event>& events() const noexcept { return events_; }
    std::vector<DISPID> changed_ids() const;
    void clear() noexcept { events_.clear(); }
    // What OnRequestEdit answers (S_OK allows the change).
    void set_request_edit_answer(HRESULT hr) noexcept { request_edit_answer_ = hr; }
    LONG ref_count() const noexcept { return refs_; }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs_); }
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP OnChanged(DISPID id) override;
    STDMETHODIMP OnRequestEdit(DISPID id) override;

private:
    property_notify_recorder() = default;
    ~property_notify_recorder() = default;
    LONG refs_ = 1;
    HRESULT request_edit_answer_ = S_OK;
    std::vector<event> events_;
};

// An Advise on a connection point, undone when it goes out of scope.
class sink_connection {
public:
    sink_connection() = default;
    // Throws hresult_error when the object has no such connection point.
    sink_connection(IUnknown* object, REFIID sink_iid, IUnknown* sink);
    sink_connection(sink_connection&& o) noexcept;
    sink_connection& operator=(sink_connection&& o) noexcept;
    ~sink_connection() { disconnect(); }
    void disconnect() noexcept;
    bool connected() const noexcept { return cookie_ != 0; }

private:
    com_ptr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
};

}  // namespace korvix::hostkit
