// Every DISPID of the type library, and some that are not in it, with every
// combination of invocation flags and zero to four awkward arguments. No
// crash, no hang; every failure is a dispatch refusal or carries its
// description; a refused call changes nothing; windows and memory stay flat.
#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <set>

#include "tests/wine/hostkit/process_resources.h"
#include "tests/wine/hostkit/frame_window.h"
#include "tests/wine/sweep/sweep_support.h"

namespace korvix::sweep {
namespace {

// Once built, these show modal UI, scan or touch files. The blind sweep
// gives them only calls that must be refused before they run.
bool acts_on_the_world(DISPID id) {
    switch (id) {
    case DISPID_Twain_About:
    case DISPID_Twain_Scan:
    case DISPID_Twain_SelectSource:
    case DISPID_Twain_Save:
    case DISPID_Twain_Load:
    case DISPID_Twain_ShowSave:
    case DISPID_Twain_ShowLoad: return true;
    default: return false;
    }
}

// The DISPIDs the type library describes, with the most arguments a method takes.
std::map<DISPID, UINT> library_members(ITwain* control) {
    std::map<DISPID, UINT> members;
    com_ptr<ITypeInfo> info;
    if (FAILED(control->GetTypeInfo(0, 0, info.put()))) return members;
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) return members;
    const WORD count = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    for (WORD i = 0; i < count; ++i) {
        FUNCDESC* desc = nullptr;
        if (FAILED(info->GetFuncDesc(i, &desc))) continue;
        UINT taken = 0;
        for (SHORT p = 0; p < desc->cParams; ++p)
            if (!(desc->lprgelemdescParam[p].paramdesc.wParamFlags & PARAMFLAG_FRETVAL)) ++taken;
        UINT& slot = members[desc->memid];
        if (desc->invkind == INVOKE_FUNC) slot = taken;
        info->ReleaseFuncDesc(desc);
    }
    return members;
}

bool dispatch_refusal(HRESULT hr) {
    return hr == DISP_E_MEMBERNOTFOUND || hr == DISP_E_BADPARAMCOUNT || hr == DISP_E_NONAMEDARGS ||
           hr == DISP_E_PARAMNOTOPTIONAL;
}

bool argument_refusal(HRESULT hr) {
    return hr == DISP_E_TYPEMISMATCH || hr == DISP_E_OVERFLOW || hr == DISP_E_BADVARTYPE || hr == DISP_E_PARAMNOTFOUND;
}

struct Tally {
    unsigned calls = 0, refused = 0;
    std::vector<std::string> problems;
    void problem(DISPID id, WORD flags, UINT argc, HRESULT hr, const std::string& what) {
        char head[96];
        std::snprintf(head, sizeof head, "id 0x%08lx flags %u args %u hr 0x%08lx: ", static_cast<unsigned long>(id),
                      flags, argc, static_cast<unsigned long>(hr));
        if (problems.size() < 25) problems.push_back(head + what);
    }
};

void sweep_call(ITwain* control, DISPID id, WORD flags, UINT argc, Generator& gen, Tally& tally) {
    std::vector<unique_variant> args;
    std::vector<VARIANT> raw;
    for (UINT i = 0; i < argc; ++i) {
        args.push_back(gen.value());
        raw.push_back(*args.back().get());
    }
    DISPID put = DISPID_PROPERTYPUT;
    const bool named = argc > 0 && (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) && gen.chance(70);
    DISPPARAMS params{raw.empty() ? nullptr : raw.data(), named ? &put : nullptr, argc, named ? 1u : 0u};
    const bool with_excep = gen.chance(75);

    const State before = read_state(control);
    ::SetErrorInfo(0, nullptr);
    EXCEPINFO excep{};
    UINT arg_err = std::numeric_limits<UINT>::max();
    unique_variant result;
    const HRESULT hr = control->Invoke(id, IID_NULL, 0x0409, flags, &params, result.put(),
                                       with_excep ? &excep : nullptr, &arg_err);
    ++tally.calls;
    const std::wstring description = excep.bstrDescription ? excep.bstrDescription : L"";
    ::SysFreeString(excep.bstrSource);
    ::SysFreeString(excep.bstrDescription);
    ::SysFreeString(excep.bstrHelpFile);
    gen.forget_references();
    if (SUCCEEDED(hr)) return;

    ++tally.refused;
    if (hr == DISP_E_EXCEPTION) {
        if (!with_excep || description.empty() || SUCCEEDED(excep.scode))
            tally.problem(id, flags, argc, hr, "exception without a description");
    } else if (argument_refusal(hr)) {
        if (arg_err >= argc) tally.problem(id, flags, argc, hr, "argument refusal without puArgErr");
    } else if (!dispatch_refusal(hr)) {
        if (with_excep)
            tally.problem(id, flags, argc, hr, "raw HRESULT although EXCEPINFO was supplied");
        else if (error_description().empty())
            tally.problem(id, flags, argc, hr, "failure without error information");
    }
    const std::string changed = differences(before, read_state(control));
    if (!changed.empty()) tally.problem(id, flags, argc, hr, "refused call changed " + changed);
}

void sweep_all(ITwain* control, const std::map<DISPID, UINT>& members, std::uint32_t seed, Tally& tally) {
    std::set<DISPID> ids;
    for (const auto& m : members) ids.insert(m.first);
    // Not in the library: the default member, the special ones, neighbours, extremes.
    const DISPID extras[] = {DISPID_VALUE, DISPID_UNKNOWN, DISPID_PROPERTYPUT, DISPID_NEWENUM, DISPID_EVALUATE, 1,
                             0x68030013, 0x6003001B, 0x7FFFFFFF, std::numeric_limits<DISPID>::min()};
    for (DISPID extra : extras)
        ids.insert(extra);
    Generator gen(seed);
    for (DISPID id : ids) {
        const auto member = members.find(id);
        for (WORD flags = 0; flags < 16; ++flags) {
            for (UINT argc = 0; argc <= 4; ++argc) {
                // Members that act on the world get only calls that cannot reach them.
                if (acts_on_the_world(id) && (flags & DISPATCH_METHOD) && argc <= member->second) continue;
                for (int repeat = 0; repeat < 3; ++repeat) sweep_call(control, id, flags, argc, gen, tally);
            }
        }
        hostkit::pump_messages();
    }
}

TEST(Sweep, EveryMemberWithEveryFlagAndAwkwardArguments) {
    Watchdog guard(90);
    com_ptr<ITwain> control = new_control();
    ASSERT_TRUE(control);
    const std::map<DISPID, UINT> members = library_members(control.get());
    ASSERT_EQ(members.size(), 27u);

    Tally warm_up;
    sweep_all(control.get(), members, 1, warm_up);
    const size_t windows_before = hostkit::thread_window_count();
    const size_t memory_before = hostkit::committed_private_bytes();
    Tally tally;
    sweep_all(control.get(), members, 2, tally);
    const size_t windows_after = hostkit::thread_window_count();
    const size_t memory_after = hostkit::committed_private_bytes();

    std::printf("[ measured ] %u calls, %u refused; windows %u -> %u; committed memory %u -> %u bytes\n",
                tally.calls, tally.refused, static_cast<unsigned>(windows_before),
                static_cast<unsigned>(windows_after), static_cast<unsigned>(memory_before),
                static_cast<unsigned>(memory_after));
    for (const auto* t : {&warm_up, &tally})
        for (const std::string& p : t->problems) ADD_FAILURE() << p;
    EXPECT_GT(tally.refused, tally.calls / 4);
    EXPECT_EQ(windows_after, windows_before);
    EXPECT_LT(static_cast<long long>(memory_after) - static_cast<long long>(memory_before), 1024 * 1024);
    EXPECT_EQ(guard.dialogs_closed(), 0);
}

}  // namespace
}  // namespace korvix::sweep
