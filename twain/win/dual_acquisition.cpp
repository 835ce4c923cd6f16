#include "twain/win/dual_acquisition.h"

#include "twain/win/busy_scope.h"
#include "twain/win/source_chooser.h"

namespace korvix::twain {

namespace {

using Side = SourceChoice::Side;

std::wstring label(const std::string& name, const wchar_t* bits) {
    wchar_t wide[64] = {};
    ::MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wide, 63);
    return std::wstring(wide) + L" (" + bits + L")";
}

}  // namespace

DualAcquisition::DualAcquisition(std::wstring helper_program, HelperLimits limits)
    : native_(nullptr, TwainDriver::Protocol::twain2), helper_(std::move(helper_program), limits) {}

void DualAcquisition::throw_unreachable() const {
    const char* why = helper_.reach() == HelperAcquisition::Reach::no_helper
                          ? "No TWAIN Data Source Manager can be reached: the 64-bit one (TWAINDSM.DLL or "
                            "TWAIN_32.DLL) cannot be loaded, and the helper for 32-bit sources "
                            "(korvix_twain32.exe, next to the control) cannot be started."
                          : "No TWAIN Data Source Manager can be reached: neither the 64-bit one (TWAINDSM.DLL or "
                            "TWAIN_32.DLL) nor the 32-bit one (TWAIN_32.DLL) can be loaded: no scanner software is "
                            "installed on this computer.";
    throw hresult_error(HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND), why);
}

// The remembered side while it can still be reached; else the 64-bit side
// when it lists a source, else the helper's.
Side DualAcquisition::side_for_scan(std::string& name) {
    const SourceChoice choice = remembered_source();
    name = choice.name;
    if (choice.side == Side::native && !native_.list_sources().empty()) return Side::native;
    if (choice.side == Side::helper) return Side::helper;
    name.clear();
    return native_.list_sources().empty() ? Side::helper : Side::native;
}

AcquireResult DualAcquisition::acquire(com_ptr<IPictureDisp>& picture, const ScanSettings& settings, HWND owner) {
    if (busy()) return {};
    std::string name;
    Side side;
    {
        const BusyScope busy(busy_);
        side = side_for_scan(name);
    }
    if (side == Side::native) {
        native_.set_preferred_source(name);
        return native_.acquire(picture, settings, owner);
    }
    helper_.set_preferred_source(name);
    const AcquireResult r = helper_.acquire(picture, settings, owner);
    if (helper_.reach() != HelperAcquisition::Reach::reached && !native_.available()) throw_unreachable();
    return r;
}

std::uint32_t DualAcquisition::choose_source(HWND owner) {
    if (busy()) return 1;
    std::vector<std::string> native_names, helper_names;
    {
        const BusyScope busy(busy_);
        native_names = native_.list_sources();
        helper_names = helper_.list_sources();
    }
    const bool helper_reached = helper_.reach() == HelperAcquisition::Reach::reached;
    if (!native_names.empty() && !helper_names.empty()) {
        std::vector<std::wstring> labels;
        const SourceChoice before = remembered_source();
        int selected = 0;
        for (const std::string& n : native_names) {
            if (before.side == Side::native && before.name == n) selected = static_cast<int>(labels.size());
            labels.push_back(label(n, L"64-bit"));
        }
        for (const std::string& n : helper_names) {
            if (before.side == Side::helper && before.name == n) selected = static_cast<int>(labels.size());
            labels.push_back(label(n, L"32-bit"));
        }
        int chosen = -1;
        {
            const BusyScope busy(busy_);
            chosen = choose_among(owner, labels, selected);
        }
        if (chosen < 0) return 1;
        const bool native = chosen < static_cast<int>(native_names.size());
        remember_source({native ? Side::native : Side::helper,
                         native ? native_names[chosen] : helper_names[chosen - native_names.size()]});
        return 0;
    }
    // One side, or none: that side's own chooser (when neither lists a
    // source, the helper's, unless only the 64-bit manager loads).
    const bool use_native = !native_names.empty() || (!helper_reached && native_.available());
    if (!use_native && !helper_reached) throw_unreachable();
    const std::uint32_t status = use_native ? native_.choose_source(owner) : helper_.choose_source(owner);
    if (status == 0) {
        const std::string& name = use_native ? native_.source_name() : helper_.source_name();
        remember_source({use_native ? Side::native : Side::helper, name});
    }
    return status;
}

}  // namespace korvix::twain
