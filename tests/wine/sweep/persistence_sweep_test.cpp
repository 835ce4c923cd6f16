// Stored settings from a hostile source: records the control saved, then
// mutated, through IPersistStreamInit; and property bags that answer with
// wrong types, failures, foreign objects, or call back into the control.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/wine/hostkit/control_state.h"
#include "tests/wine/hostkit/dispatch_call.h"
#include "tests/wine/hostkit/frame_window.h"
#include "tests/wine/hostkit/process_resources.h"
#include "tests/wine/sweep/corpus_writer.h"
#include "tests/wine/sweep/sweep_support.h"

namespace korvix::sweep {
namespace {

// One mutation of a record; offsets favour the fields over the icon's pixels.
std::vector<BYTE> mutate(std::vector<BYTE> b, Generator& gen) {
    static const std::uint32_t interesting[] = {0, 1, 0x7F, 0x80, 0xFF, 0xFFFF, 0x7FFFFFFF, 0xFFFFFFFF, 0x10000};
    const auto size = static_cast<std::uint32_t>(b.size());
    const std::uint32_t span = gen.chance(60) ? std::min<std::uint32_t>(130, size) : size;
    const std::uint32_t at = span ? gen.next(span) : 0;
    switch (gen.next(6)) {
    case 0: if (at < size) b[at] ^= static_cast<BYTE>(1u << gen.next(8)); break;
    case 1: if (at < size) b[at] = static_cast<BYTE>(interesting[gen.next(9)]); break;
    case 2: b.resize(at); break;
    case 3: b.insert(b.begin() + at, gen.next(8) + 1, static_cast<BYTE>(gen.next(256))); break;
    default:  // a 32-bit size or count overwritten
        if (size >= 4) {
            const std::uint32_t v = gen.chance(30) ? size + gen.next(3) : interesting[gen.next(9)];
            for (std::uint32_t i = 0; i < 4; ++i) b[std::min(at, size - 4) + i] = static_cast<BYTE>(v >> (8 * i));
        }
        break;
    }
    return b;
}

TEST(Sweep, SavedRecordsLoadAndMutatedOnesAreAllOrNothing) {
    const auto records = saved_records();
    ASSERT_EQ(records.size(), 6u);
    for (const auto& [name, record] : records)
        EXPECT_EQ(hostkit::load_record(new_control().get(), record), S_OK) << name;

    const size_t windows = hostkit::thread_window_count();
    com_ptr<ITwain> control = new_control();
    ASSERT_EQ(hostkit::load_record(control.get(), records[3].second), S_OK);  // an icon and every key changed
    hostkit::control_state state = hostkit::read_state(control.get());
    Generator gen(1209);
    unsigned refused = 0, reported = 0;
    for (int i = 0; i < 600; ++i) {
        std::vector<BYTE> bytes = mutate(records[gen.next(static_cast<std::uint32_t>(records.size()))].second, gen);
        if (gen.chance(30)) bytes = mutate(bytes, gen);
        const HRESULT hr = hostkit::load_record(control.get(), bytes);
        const bool described = SUCCEEDED(hr) || !hostkit::error_description().empty();
        hostkit::control_state now = hostkit::read_state(control.get());
        refused += FAILED(hr);
        if (FAILED(hr) && (!described || now != state) && ++reported <= 10) {
            EXPECT_TRUE(described) << "mutation " << i << ": 0x" << std::hex << hr;
            EXPECT_EQ(now, state) << "mutation " << i << ": 0x" << std::hex << hr;
        }
        state = std::move(now);
    }
    control = nullptr;
    hostkit::pump_messages();
    EXPECT_GT(refused, 200u);
    EXPECT_EQ(hostkit::thread_window_count(), windows);
}

// Answers every read with something a well-behaved bag never gives.
class HostileBag final : public IPropertyBag {
public:
    HostileBag(Generator& gen, ITwain* control) : gen_(gen), control_(control) {}
    std::vector<std::wstring> reads;
    bool reentered = false;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        *out = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPropertyBag) ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the test's stack
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* v, IErrorLog*) override {
        reads.push_back(name);
        static const HRESULT failures[] = {E_INVALIDARG, E_FAIL, E_OUTOFMEMORY};  // E_INVALIDARG: not stored
        const std::uint32_t answer = gen_.next(7);
        if (answer < 2) return failures[gen_.next(3)];
        ::VariantClear(v);
        if (answer == 2) return S_OK;  // "stored" as nothing at all
        if (answer == 3 && gen_.chance(50)) {  // calls back into the control while being read
            reentered = true;
            control_->put_Resolution(static_cast<SHORT>(gen_.next(1000)));
            control_->put_ToolTipText(nullptr);
        }
        return ::VariantCopy(v, gen_.value().get());
    }
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR, VARIANT*) override { return gen_.chance(10) ? E_FAIL : S_OK; }

private:
    Generator& gen_;
    ITwain* control_;
};

TEST(Sweep, HostileBagsEndInAnErrorOrAState) {
    com_ptr<ITwain> control = new_control();
    com_ptr<IPersistPropertyBag> persist = control.query<IPersistPropertyBag>(IID_IPersistPropertyBag);
    Generator gen(77);
    unsigned failed = 0;
    for (int i = 0; i < 300; ++i) {
        HostileBag bag(gen, control.get());
        const hostkit::control_state before = hostkit::read_state(control.get());
        ::SetErrorInfo(0, nullptr);
        const HRESULT hr = gen.chance(80) ? persist->Load(&bag, nullptr) : persist->Save(&bag, TRUE, gen.chance(50));
        gen.forget_references();
        if (SUCCEEDED(hr)) continue;
        ++failed;
        EXPECT_FALSE(hostkit::error_description().empty()) << i << " 0x" << std::hex << hr;
        if (bag.reentered) continue;
        // Keys read before the failure stay applied; the keys never read are untouched.
        const hostkit::control_state after = hostkit::read_state(control.get());
        for (const auto& [key, value] : before) {
            const bool read = std::any_of(bag.reads.begin(), bag.reads.end(),
                                          [&](const std::wstring& r) { return _wcsicmp(r.c_str(), key.c_str()) == 0; });
            EXPECT_TRUE(read || after.at(key) == value) << i << " " << key;
        }
    }
    EXPECT_GT(failed, 100u);
}

}  // namespace
}  // namespace korvix::sweep
