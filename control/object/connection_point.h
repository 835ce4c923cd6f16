// Connection points of the control: one outgoing interface each, sinks kept
// by cookie. A connection point lives inside the control and shares its
// reference count, so handing one out keeps the control alive.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <vector>

#include "common/win/unique_resource.h"

namespace korvix {

class ConnectionPoint final : public IConnectionPoint {
public:
    ConnectionPoint(IConnectionPointContainer& owner, REFIID iid) noexcept : owner_(owner), iid_(iid) {}
    ~ConnectionPoint();

    // IUnknown (identity is the connection point; lifetime is the owner's)
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return owner_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return owner_.Release(); }

    // IConnectionPoint
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) noexcept override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) noexcept override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) noexcept override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) noexcept override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) noexcept override;

    const IID& iid() const noexcept { return iid_; }
    // A copy of the current sinks, so a sink may Unadvise while being called.
    std::vector<com_ptr<IUnknown>> sinks() const;
    struct Advised {
        DWORD cookie;
        com_ptr<IUnknown> sink;
    };
    // The same with each sink's cookie, to ask advised() during a call-out.
    std::vector<Advised> connections() const;
    bool advised(DWORD cookie) const noexcept;
    // Drops every sink (the control is going away).
    void clear() noexcept;

private:
    struct Connection {
        DWORD cookie;
        com_ptr<IUnknown> sink;
    };
    IConnectionPointContainer& owner_;
    IID iid_;
    std::vector<Connection> connections_;
    DWORD next_cookie_ = 1;
};

// IEnumConnectionPoints over a fixed list of the control's connection points.
HRESULT create_connection_point_enum(IConnectionPoint* const* points, ULONG count,
                                     IEnumConnectionPoints** out) noexcept;

}  // namespace korvix
