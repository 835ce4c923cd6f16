#include "control/object/connection_point.h"

#include <algorithm>
#include <new>

namespace korvix {

namespace {

// Enumerator over a snapshot of items. Traits say how an item is copied
// out (with its reference) and released.
template <typename Interface, typename Item, typename Traits>
class SnapshotEnum final : public Interface {
public:
    explicit SnapshotEnum(std::vector<Item> items, size_t pos = 0) : items_(std::move(items)), pos_(pos) {
        for (Item& i : items_) Traits::add_ref(i);
    }
    ~SnapshotEnum() {
        for (Item& i : items_) Traits::release(i);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, Traits::iid())) {
            *out = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        const LONG r = InterlockedDecrement(&refs_);
        if (r == 0) delete this;
        return r;
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, Item* out, ULONG* fetched) noexcept override {
        if (!out) return E_POINTER;
        if (count != 1 && !fetched) return E_INVALIDARG;
        ULONG n = 0;
        while (n < count && pos_ < items_.size()) {
            out[n] = items_[pos_++];
            Traits::add_ref(out[n]);
            ++n;
        }
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) noexcept override {
        const size_t left = items_.size() - pos_;
        pos_ += std::min<size_t>(left, count);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() noexcept override {
        pos_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(Interface** out) noexcept override {
        if (!out) return E_POINTER;
        *out = nullptr;
        auto* copy = new (std::nothrow) SnapshotEnum(items_, pos_);
        if (!copy) return E_OUTOFMEMORY;
        *out = copy;
        return S_OK;
    }

private:
    LONG refs_ = 1;
    std::vector<Item> items_;
    size_t pos_;
};

struct ConnectDataTraits {
    static const IID& iid() { return IID_IEnumConnections; }
    static void add_ref(CONNECTDATA& c) { if (c.pUnk) c.pUnk->AddRef(); }
    static void release(CONNECTDATA& c) { if (c.pUnk) c.pUnk->Release(); }
};

struct PointTraits {
    static const IID& iid() { return IID_IEnumConnectionPoints; }
    static void add_ref(IConnectionPoint*& p) { p->AddRef(); }
    static void release(IConnectionPoint*& p) { p->Release(); }
};

using ConnectionsEnum = SnapshotEnum<IEnumConnections, CONNECTDATA, ConnectDataTraits>;
using PointsEnum = SnapshotEnum<IEnumConnectionPoints, IConnectionPoint*, PointTraits>;

}  // namespace

ConnectionPoint::~ConnectionPoint() { clear(); }

HRESULT ConnectionPoint::QueryInterface(REFIID riid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IConnectionPoint)) {
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) noexcept {
    if (!iid) return E_POINTER;
    *iid = iid_;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) noexcept {
    if (!out) return E_POINTER;
    *out = &owner_;
    owner_.AddRef();
    return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) noexcept {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    // The sink must speak the outgoing interface; event sinks written for
    // late binding often answer only IDispatch, which is how events are sent.
    com_ptr<IUnknown> held;
    if (FAILED(sink->QueryInterface(iid_, held.put_void()))) {
        if (IsEqualIID(iid_, IID_IPropertyNotifySink) ||
            FAILED(sink->QueryInterface(IID_IDispatch, held.put_void())))
            return CONNECT_E_CANNOTCONNECT;
    }
    try {
        connections_.push_back({next_cookie_, std::move(held)});
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    *cookie = next_cookie_++;
    if (next_cookie_ == 0) next_cookie_ = 1;
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) noexcept {
    auto it = std::find_if(connections_.begin(), connections_.end(),
                           [&](const Connection& c) { return c.cookie == cookie; });
    if (it == connections_.end()) return CONNECT_E_NOCONNECTION;
    // Release after erasing: the sink's Release may call back into us.
    com_ptr<IUnknown> gone = std::move(it->sink);
    connections_.erase(it);
    return S_OK;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        std::vector<CONNECTDATA> items;
        for (const Connection& c : connections_) items.push_back({c.sink.get(), c.cookie});
        *out = new ConnectionsEnum(std::move(items));
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

std::vector<com_ptr<IUnknown>> ConnectionPoint::sinks() const {
    std::vector<com_ptr<IUnknown>> out;
    out.reserve(connections_.size());
    for (const Connection& c : connections_) out.push_back(c.sink);
    return out;
}

std::vector<ConnectionPoint::Advised> ConnectionPoint::connections() const {
    std::vector<Advised> out;
    out.reserve(connections_.size());
    for (const Connection& c : connections_) out.push_back({c.cookie, c.sink});
    return out;
}

bool ConnectionPoint::advised(DWORD cookie) const noexcept {
    return std::any_of(connections_.begin(), connections_.end(),
                       [&](const Connection& c) { return c.cookie == cookie; });
}

void ConnectionPoint::clear() noexcept {
    std::vector<Connection> gone;
    gone.swap(connections_);
}

HRESULT create_connection_point_enum(IConnectionPoint* const* points, ULONG count,
                                     IEnumConnectionPoints** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        *out = new PointsEnum(std::vector<IConnectionPoint*>(points, points + count));
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace korvix
