// The hostile host's toolkit: controls from the built module, a seeded
// generator of awkward values, the state a host can read back (to prove
// that a refused call changed nothing), and a guard that turns a hang into
// a failure.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>
#include <ocidl.h>

#include <cstdint>
#include <deque>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "common/win/unique_resource.h"
#include "control/korvix_ids.h"
#include "control/twain_interface.h"
#include "tests/wine/hostkit/unique_variant.h"

namespace korvix::sweep {

using hostkit::unique_variant;

// A new control from the registered module, initialised as a new instance.
com_ptr<ITwain> new_control();

// What a host can read back, by persisted key name ("Picture" and
// "BitmapWidth" too). Objects read as their identity.
using State = std::map<std::wstring, std::wstring>;
State read_state(ITwain* control);
// The keys in the order a property bag is read ("Quality" and
// "Compression" have no property and are left out).
const std::vector<std::wstring>& state_keys_in_bag_order();
std::string differences(const State& before, const State& after);

// The thread's current IErrorInfo description ("" when there is none).
std::wstring error_description();

// Values a hostile host passes: wrong types, extremes, NaN, huge strings,
// objects that are and are not pictures, by-reference variants.
class Generator {
public:
    explicit Generator(std::uint32_t seed);
    ~Generator();
    Generator(const Generator&) = delete;
    Generator& operator=(const Generator&) = delete;

    std::uint32_t next(std::uint32_t bound) { return std::uniform_int_distribution<std::uint32_t>(0, bound - 1)(rng_); }
    bool chance(int percent) { return next(100) < static_cast<std::uint32_t>(percent); }
    // A fresh value; by-reference values point into storage the generator owns.
    unique_variant value();
    std::size_t kinds() const noexcept;
    // Lets go of the targets of by-reference values handed out so far.
    void forget_references() { referenced_.clear(); }

private:
    unique_variant make(std::size_t kind);
    std::mt19937 rng_;
    std::deque<unique_variant> referenced_;  // targets of by-reference values
    com_ptr<IDispatch> not_a_picture_;
    com_ptr<IPictureDisp> bitmap_, icon_;
};

// An IDispatch that is no picture (answers IDispatch only).
com_ptr<IDispatch> make_plain_object();

// Fails the process (exit code 3) unless disarmed within `seconds`, and
// meanwhile closes any dialog box of the watched thread: a sweep must never
// wait on modal UI or hang.
class Watchdog {
public:
    explicit Watchdog(unsigned seconds);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
    int dialogs_closed() const noexcept;

private:
    unique_handle stop_;
    unique_handle thread_;
};

}  // namespace korvix::sweep
