// Every DISPID of the type library, and some that are not in it, with every
// combination of invocation flags and zero to four awkward arguments. No
// crash, no hang, no dialog; every failure is a dispatch refusal or carries
// its description; a refused call changes nothing; windows and memory stay
// flat.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <map>
#include <set>

#include "tests/wine/hostkit/control_state.h"
#include "tests/wine/hostkit/dispatch_call.h"
#include "tests/wine/hostkit/frame_window.h"
#include "tests/wine/hostkit/modal_watcher.h"
#include "tests/wine/hostkit/process_resources.h"
#include "tests/wine/sweep/sweep_support.h"

namespace korvix::sweep {
namespace {

// Once built, these show modal UI, scan or touch files: the blind sweep
// gives them only the calls that must be refused before they run.
const std::set<DISPID> kActOnTheWorld = {DISPID_Twain_About,  DISPID_Twain_Scan,     DISPID_Twain_SelectSource,
                                         DISPID_Twain_Save,   DISPID_Twain_Load,     DISPID_Twain_ShowSave,
                                         DISPID_Twain_ShowLoad};

// What is wrong with the way a call failed ("" when nothing is).
const char* wrong_failure(HRESULT hr, UINT argc, UINT arg_err, const EXCEPINFO* excep) {
    if (hr == DISP_E_MEMBERNOTFOUND || hr == DISP_E_BADPARAMCOUNT || hr == DISP_E_NONAMEDARGS ||
        hr == DISP_E_PARAMNOTOPTIONAL)
        return "";
    if (hr == DISP_E_TYPEMISMATCH || hr == DISP_E_OVERFLOW || hr == DISP_E_BADVARTYPE || hr == DISP_E_PARAMNOTFOUND)
        return arg_err < argc ? "" : "argument refusal without puArgErr";
    if (hr == DISP_E_EXCEPTION)
        return excep && excep->bstrDescription && FAILED(excep->scode) ? "" : "exception without a description";
    if (excep) return "raw HRESULT although EXCEPINFO was supplied";
    return hostkit::error_description().empty() ? "failure without error information" : "";
}

struct Pass {
    unsigned calls = 0, refused = 0, reported = 0;
    hostkit::control_state state;  // as the last call left it
};

void sweep_call(ITwain* control, DISPID id, WORD flags, UINT argc, Generator& gen, Pass& pass) {
    std::vector<unique_variant> args;
    std::vector<VARIANT> raw;
    for (UINT i = 0; i < argc; ++i) raw.push_back(*args.emplace_back(gen.value()).get());
    DISPID put = DISPID_PROPERTYPUT;
    const bool named = argc > 0 && (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) && gen.chance(70);
    DISPPARAMS params{raw.data(), named ? &put : nullptr, argc, named ? 1u : 0u};
    EXCEPINFO excep{};
    EXCEPINFO* const with_excep = gen.chance(75) ? &excep : nullptr;
    UINT arg_err = std::numeric_limits<UINT>::max();
    unique_variant result;
    ::SetErrorInfo(0, nullptr);
    const HRESULT hr = control->Invoke(id, IID_NULL, 0x0409, flags, &params, result.put(), with_excep, &arg_err);
    const std::string wrong = FAILED(hr) ? wrong_failure(hr, argc, arg_err, with_excep) : "";
    ::SysFreeString(excep.bstrSource);
    ::SysFreeString(excep.bstrDescription);
    ::SysFreeString(excep.bstrHelpFile);
    gen.forget_references();
    hostkit::control_state now = hostkit::read_state(control);
    ++pass.calls;
    pass.refused += FAILED(hr);
    if (FAILED(hr) && (!wrong.empty() || now != pass.state) && ++pass.reported <= 20) {
        EXPECT_EQ(now, pass.state) << "id 0x" << std::hex << id << " flags " << flags << " args " << argc << " hr 0x"
                                   << hr << ": " << (wrong.empty() ? "a refused call changed a property" : wrong);
        EXPECT_EQ(wrong, "");
    }
    pass.state = std::move(now);
}

void sweep_all(ITwain* control, std::uint32_t seed, Pass& pass) {
    // The library's ids, with the most arguments each takes, and ids it does
    // not have: the default member, the special ones, neighbours, extremes.
    std::map<DISPID, UINT> ids;
    for (const hostkit::member_shape& m : hostkit::type_members(control)) ids[m.id] = std::max(ids[m.id], m.arguments);
    EXPECT_EQ(ids.size(), 27u);
    for (DISPID extra : std::initializer_list<DISPID>{DISPID_VALUE, DISPID_UNKNOWN, DISPID_PROPERTYPUT, DISPID_NEWENUM,
                                                      DISPID_EVALUATE, 1, 0x68030013, 0x6003001B, 0x7FFFFFFF,
                                                      std::numeric_limits<DISPID>::min()})
        ids.emplace(extra, 0);
    Generator gen(seed);
    pass.state = hostkit::read_state(control);
    for (const auto& [id, most] : ids) {
        for (WORD flags = 0; flags < 16; ++flags)
            for (UINT argc = 0; argc <= 4; ++argc)
                if (!kActOnTheWorld.count(id) || !(flags & DISPATCH_METHOD) || argc > most)
                    for (int repeat = 0; repeat < 3; ++repeat) sweep_call(control, id, flags, argc, gen, pass);
        hostkit::pump_messages();
    }
}

TEST(Sweep, EveryMemberWithEveryFlagAndAwkwardArguments) {
    hostkit::modal_watcher dialogs([](HWND dialog) { hostkit::press(dialog, IDCANCEL); });
    com_ptr<ITwain> control = new_control();
    ASSERT_TRUE(control);
    Pass warm_up, measured;
    sweep_all(control.get(), 1, warm_up);
    const size_t windows = hostkit::thread_window_count();
    const long long memory = hostkit::committed_private_bytes();
    sweep_all(control.get(), 2, measured);
    EXPECT_GT(measured.refused, measured.calls / 4);
    EXPECT_EQ(hostkit::thread_window_count(), windows);
    EXPECT_LT(static_cast<long long>(hostkit::committed_private_bytes()) - memory, 1 << 20);
    EXPECT_EQ(dialogs.dialogs_seen(), 0);
}

}  // namespace
}  // namespace korvix::sweep
