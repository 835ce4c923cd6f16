// Stored settings from a hostile source: records the control saved, then
// mutated, through IPersistStreamInit; and property bags that answer with
// wrong types, failures, foreign objects, or call back into the control.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "tests/wine/hostkit/process_resources.h"
#include "tests/wine/hostkit/server_registration.h"
#include "tests/wine/hostkit/frame_window.h"
#include "tests/wine/sweep/sweep_support.h"

namespace korvix::sweep {
namespace {

using Bytes = std::vector<BYTE>;

// The records the fuzz corpus was seeded with (saved by the control).
std::vector<Bytes> saved_records() {
    const std::wstring dir = hostkit::windows_path(KORVIX_CORPUS_DIR "/settings_record_fuzzer");
    std::vector<Bytes> records;
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW((dir + L"\\*.bin").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return records;
    do {
        const HANDLE opened = ::CreateFileW((dir + L"\\" + found.cFileName).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                            nullptr, OPEN_EXISTING, 0, nullptr);
        if (opened == INVALID_HANDLE_VALUE) continue;
        unique_handle file(opened);
        Bytes bytes(found.nFileSizeLow);
        DWORD got = 0;
        if (::ReadFile(file.get(), bytes.data(), found.nFileSizeLow, &got, nullptr) && got == bytes.size())
            records.push_back(bytes);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return records;
}

HRESULT load(ITwain* control, const Bytes& bytes) {
    com_ptr<IStream> stream;
    ::CreateStreamOnHGlobal(nullptr, TRUE, stream.put());
    ULONG written = 0;
    if (!bytes.empty()) stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
    com_ptr<IPersistStreamInit> persist;
    control->QueryInterface(IID_IPersistStreamInit, persist.put_void());
    return persist->Load(stream.get());
}

// One mutation of a record; offsets favour the fields over the icon's pixels.
Bytes mutate(Bytes b, Generator& gen) {
    static const std::uint32_t interesting[] = {0, 1, 0x7F, 0x80, 0xFF, 0xFFFF, 0x7FFFFFFF, 0xFFFFFFFF, 0x10000};
    auto offset = [&] {
        const std::uint32_t span = gen.chance(60) ? std::min<std::uint32_t>(130, b.size()) : b.size();
        return span ? gen.next(span) : 0u;
    };
    switch (gen.next(6)) {
    case 0:
        if (!b.empty()) b[offset()] ^= static_cast<BYTE>(1u << gen.next(8));
        break;
    case 1:
        if (!b.empty()) b[offset()] = static_cast<BYTE>(interesting[gen.next(9)]);
        break;
    case 2:
        b.resize(offset());
        break;
    case 3:
        b.insert(b.begin() + offset(), gen.next(8) + 1, static_cast<BYTE>(gen.next(256)));
        break;
    default:
        if (b.size() >= 4) {
            const std::uint32_t at = std::min<std::uint32_t>(offset(), b.size() - 4);
            const std::uint32_t v = gen.chance(30) ? static_cast<std::uint32_t>(b.size()) + gen.next(3)
                                                   : interesting[gen.next(9)];
            for (int i = 0; i < 4; ++i) b[at + i] = static_cast<BYTE>(v >> (8 * i));
        }
        break;
    }
    return b;
}

TEST(Sweep, SavedRecordsLoadAndMutatedOnesAreAllOrNothing) {
    Watchdog guard(60);
    const std::vector<Bytes> records = saved_records();
    ASSERT_GE(records.size(), 4u) << "the fuzz corpus of saved records is missing";
    for (const Bytes& record : records) {
        com_ptr<ITwain> fresh = new_control();
        EXPECT_EQ(load(fresh.get(), record), S_OK) << "a saved record no longer loads";
    }

    const size_t windows_before = hostkit::thread_window_count();
    com_ptr<ITwain> control = new_control();
    ASSERT_EQ(load(control.get(), records.back()), S_OK);
    Generator gen(1209);
    unsigned refused = 0, problems = 0;
    for (int i = 0; i < 600; ++i) {
        Bytes bytes = mutate(records[gen.next(static_cast<std::uint32_t>(records.size()))], gen);
        if (gen.chance(30)) bytes = mutate(bytes, gen);
        const State before = read_state(control.get());
        ::SetErrorInfo(0, nullptr);
        const HRESULT hr = load(control.get(), bytes);
        if (SUCCEEDED(hr)) continue;
        ++refused;
        const std::string changed = differences(before, read_state(control.get()));
        if ((error_description().empty() || !changed.empty()) && ++problems <= 10)
            ADD_FAILURE() << "mutation " << i << ": 0x" << std::hex << hr << " changed: " << changed;
    }
    control = nullptr;
    hostkit::pump_messages();
    std::printf("[ measured ] 600 mutated records, %u refused\n", refused);
    EXPECT_GT(refused, 200u);
    EXPECT_EQ(hostkit::thread_window_count(), windows_before);
}

// Answers every read with something a well-behaved bag never gives.
class HostileBag final : public IPropertyBag {
public:
    HostileBag(Generator& gen, ITwain* control) : gen_(gen), control_(control) {}
    std::vector<std::wstring> reads;
    bool reentered = false;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IPropertyBag)) return E_NOINTERFACE;
        *out = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* v, IErrorLog*) override {
        reads.push_back(name);
        switch (gen_.next(7)) {
        case 0: return E_INVALIDARG;  // not stored
        case 1: return gen_.chance(50) ? E_FAIL : E_OUTOFMEMORY;
        case 2: ::VariantClear(v); return S_OK;  // "stored" as nothing at all
        case 3:
            if (gen_.chance(50)) {
                reentered = true;
                control_->put_Resolution(static_cast<SHORT>(gen_.next(1000)));
                control_->put_ToolTipText(nullptr);
            }
            [[fallthrough]];
        default: {
            unique_variant value = gen_.value();
            ::VariantClear(v);
            return ::VariantCopy(v, value.get());
        }
        }
    }
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR, VARIANT*) override { return gen_.chance(10) ? E_FAIL : S_OK; }

private:
    Generator& gen_;
    ITwain* control_;
};

TEST(Sweep, HostileBagsEndInAnErrorOrAState) {
    Watchdog guard(60);
    com_ptr<ITwain> control = new_control();
    com_ptr<IPersistPropertyBag> persist = control.query<IPersistPropertyBag>(IID_IPersistPropertyBag);
    Generator gen(77);
    const std::vector<std::wstring>& order = state_keys_in_bag_order();
    unsigned failed = 0;
    for (int i = 0; i < 300; ++i) {
        HostileBag bag(gen, control.get());
        const State before = read_state(control.get());
        ::SetErrorInfo(0, nullptr);
        const HRESULT hr = gen.chance(80) ? persist->Load(&bag, nullptr) : persist->Save(&bag, TRUE, gen.chance(50));
        gen.forget_references();
        if (SUCCEEDED(hr)) continue;
        ++failed;
        EXPECT_FALSE(error_description().empty()) << i << " 0x" << std::hex << hr;
        if (bag.reentered || bag.reads.empty()) continue;
        // Keys read before the failure stay applied; those after it are untouched.
        const State after = read_state(control.get());
        auto failing = std::find(order.begin(), order.end(), bag.reads.back());
        for (auto key = failing == order.end() ? order.end() : failing + 1; key != order.end(); ++key)
            EXPECT_EQ(after.at(*key), before.at(*key)) << i << " " << std::string(key->begin(), key->end());
    }
    std::printf("[ measured ] 300 hostile bags, %u calls failed\n", failed);
    EXPECT_GT(failed, 100u);
}

}  // namespace
}  // namespace korvix::sweep
