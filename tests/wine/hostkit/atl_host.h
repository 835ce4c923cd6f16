// The control inside the platform's own minimal container: atl.dll's
// "AtlAxWin" window class, which creates the control from the window text
// (a ProgID) and initialises it through IPersistStreamInit::InitNew.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>

#include "common/win/unique_resource.h"

namespace korvix::hostkit {

class atl_host {
public:
    // Loads atl.dll and registers its window classes. Throws hresult_error.
    atl_host();
    ~atl_host();
    atl_host(const atl_host&) = delete;
    atl_host& operator=(const atl_host&) = delete;

    // Creates an AtlAxWin child of parent hosting prog_id; the window owns the control.
    unique_hwnd create(HWND parent, const RECT& pos, const std::wstring& prog_id) const;
    // The control hosted in an AtlAxWin window.
    com_ptr<IUnknown> control(HWND ax_window) const;

private:
    using init_fn = BOOL(WINAPI*)();
    using get_control_fn = HRESULT(WINAPI*)(HWND, IUnknown**);
    unique_hmodule atl_;
    get_control_fn get_control_ = nullptr;
};

}  // namespace korvix::hostkit
