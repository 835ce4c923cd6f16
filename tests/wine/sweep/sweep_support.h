// The hostile host's toolkit: controls from the built module and a seeded
// generator of the values a hostile host passes.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <cstdint>
#include <deque>
#include <random>

#include "common/win/unique_resource.h"
#include "control/korvix_ids.h"
#include "control/twain_interface.h"
#include "tests/wine/hostkit/unique_variant.h"

namespace korvix::sweep {

using hostkit::unique_variant;

// A new control from the registered module, initialised as a new instance.
com_ptr<ITwain> new_control();

// 22 kinds of value: wrong types, extremes, NaN and infinities, huge strings
// and embedded NULs, missing arguments, objects that are and are not
// pictures, by-reference values, arrays.
class Generator {
public:
    explicit Generator(std::uint32_t seed);
    std::uint32_t next(std::uint32_t bound) { return std::uniform_int_distribution<std::uint32_t>(0, bound - 1)(rng_); }
    bool chance(int percent) { return next(100) < static_cast<std::uint32_t>(percent); }
    // By-reference values point into storage kept until forget_references().
    unique_variant value();
    void forget_references() { referenced_.clear(); }

private:
    std::mt19937 rng_;
    std::deque<unique_variant> referenced_;
    com_ptr<IDispatch> not_a_picture_;
    com_ptr<IPictureDisp> bitmap_, icon_;
};

}  // namespace korvix::sweep
