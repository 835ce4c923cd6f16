#include "tests/wine/hostkit/atl_host.h"

namespace korvix::hostkit {

atl_host::atl_host() : atl_(::LoadLibraryW(L"atl.dll")) {
    if (!atl_) throw hresult_error(HRESULT_FROM_WIN32(::GetLastError()), "atl.dll not found");
    auto init = reinterpret_cast<init_fn>(reinterpret_cast<void*>(::GetProcAddress(atl_.get(), "AtlAxWinInit")));
    get_control_ = reinterpret_cast<get_control_fn>(
        reinterpret_cast<void*>(::GetProcAddress(atl_.get(), "AtlAxGetControl")));
    if (!init || !get_control_) throw hresult_error(E_NOTIMPL, "atl.dll lacks AtlAxWinInit/AtlAxGetControl");
    if (!init()) throw hresult_error(E_FAIL, "AtlAxWinInit failed");
}

atl_host::~atl_host() = default;

unique_hwnd atl_host::create(HWND parent, const RECT& pos, const std::wstring& prog_id) const {
    return unique_hwnd(::CreateWindowExW(0, L"AtlAxWin", prog_id.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                         pos.left, pos.top, pos.right - pos.left, pos.bottom - pos.top, parent,
                                         nullptr, ::GetModuleHandleW(nullptr), nullptr));
}

com_ptr<IUnknown> atl_host::control(HWND ax_window) const {
    com_ptr<IUnknown> unknown;
    if (FAILED(get_control_(ax_window, unknown.put()))) unknown.reset();
    return unknown;
}

}  // namespace korvix::hostkit
