#include "tests/wine/twain/scan_test_support.h"

#include <algorithm>

#include "control/korvix_ids.h"
#include "tests/wine/hostkit/server_registration.h"
#include "tests/wine/hostkit/unique_variant.h"

namespace korvix::twain::test {

using hostkit::unique_variant;

scan_host::scan_host() {
    frame_ = std::make_unique<hostkit::frame_window>(L"Korvix scan test", SIZE{360, 280});
    control_ = hostkit::host_new_control(frame_->hwnd(), RECT{0, 0, 320, 240});
    hostkit::pump_messages();
}

scan_host::~scan_host() {
    control_.reset();
    frame_.reset();
}

void scan_host::settings(std::int16_t resolution, std::int32_t color_type, bool show_progress, bool show_interface) {
    EXPECT_TRUE(hostkit::dispatch_put(control(), DISPID_Twain_Resolution, *unique_variant::i2(resolution).get()).ok());
    EXPECT_TRUE(hostkit::dispatch_put(control(), DISPID_Twain_ColorType, *unique_variant::i4(color_type).get()).ok());
    EXPECT_TRUE(
        hostkit::dispatch_put(control(), DISPID_Twain_ShowProgress, *unique_variant::boolean(show_progress).get()).ok());
    EXPECT_TRUE(
        hostkit::dispatch_put(control(), DISPID_Twain_ShowInterface, *unique_variant::boolean(show_interface).get())
            .ok());
}

hostkit::dispatch_result scan_host::scan() const { return hostkit::dispatch_call(control(), DISPID_Twain_Scan); }

hostkit::dispatch_result scan_host::select_source() const {
    return hostkit::dispatch_call(control(), DISPID_Twain_SelectSource);
}

com_ptr<IPictureDisp> scan_host::picture() const {
    hostkit::dispatch_result r = hostkit::dispatch_get(control(), DISPID_Twain_Picture);
    com_ptr<IPictureDisp> p;
    if (r.ok() && r.value.vt() == VT_DISPATCH && r.value->pdispVal)
        r.value->pdispVal->QueryInterface(IID_IPictureDisp, p.put_void());
    return p;
}

HBITMAP picture_bitmap(IPictureDisp* picture) {
    com_ptr<IPicture> p;
    if (!picture || FAILED(picture->QueryInterface(IID_IPicture, p.put_void()))) return nullptr;
    OLE_HANDLE handle = 0;
    p->get_Handle(&handle);
    return reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
}

picture_pixels read_picture(IPictureDisp* picture) {
    picture_pixels out;
    HBITMAP bitmap = picture_bitmap(picture);
    BITMAP info{};
    if (!bitmap || !::GetObjectW(bitmap, sizeof info, &info)) return out;
    out.width = info.bmWidth;
    out.height = info.bmHeight;
    out.bits = info.bmBitsPixel;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = out.width;
    bi.bmiHeader.biHeight = -out.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    out.rgb.resize(static_cast<std::size_t>(out.width) * out.height);
    window_dc screen(nullptr);
    if (::GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(out.height), out.rgb.data(), &bi, DIB_RGB_COLORS) !=
        out.height)
        out.rgb.clear();
    for (std::uint32_t& p : out.rgb) p &= 0xFFFFFF;
    return out;
}

std::vector<std::wstring> acquisition_temp_files() {
    wchar_t folder[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, folder);
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW((std::wstring(folder) + L"ktw*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names.push_back(found.cFileName);
    while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return names;
}

// ---- dialogs ------------------------------------------------------------------

namespace {

struct dialog_search {
    const std::wstring* title;
    HWND found;
};

BOOL CALLBACK find_dialog(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<dialog_search*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid != ::GetCurrentProcessId() || !::IsWindowVisible(hwnd)) return TRUE;
    wchar_t cls[16] = {}, title[256] = {};
    ::GetClassNameW(hwnd, cls, 16);
    ::GetWindowTextW(hwnd, title, 256);
    if (std::wstring(cls) != L"#32770" || std::wstring(title).find(*search->title) == std::wstring::npos) return TRUE;
    search->found = hwnd;
    return FALSE;
}

}  // namespace

dialog_answer::dialog_answer(std::wstring title, WORD command, DWORD timeout_ms)
    : thread_([this, title = std::move(title), command, timeout_ms, ui_thread = ::GetCurrentThreadId()] {
          const DWORD start = ::GetTickCount();
          while (!done_ && ::GetTickCount() - start < timeout_ms) {
              dialog_search search{&title, nullptr};
              ::EnumWindows(find_dialog, reinterpret_cast<LPARAM>(&search));
              if (search.found) {
                  ::Sleep(100);  // let it finish showing
                  if (command)
                      ::PostMessageW(search.found, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED),
                                     reinterpret_cast<LPARAM>(::GetDlgItem(search.found, command)));
                  else
                      ::PostMessageW(search.found, WM_CLOSE, 0, 0);
                  found_ = true;
                  return;
              }
              ::Sleep(30);
          }
          // Nobody showed the dialog: end the scan's wait rather than hang the run.
          if (!done_) ::PostThreadMessageW(ui_thread, WM_QUIT, 99, 0);
      }) {}

dialog_answer::~dialog_answer() {
    done_ = true;
    if (thread_.joinable()) thread_.join();
}

bool dialog_answer::answered() {
    if (thread_.joinable()) thread_.join();
    return found_;
}

// ---- events -------------------------------------------------------------------

event_recorder::event_recorder(IUnknown* control) {
    com_ptr<IConnectionPointContainer> container;
    control->QueryInterface(IID_IConnectionPointContainer, container.put_void());
    if (container && SUCCEEDED(container->FindConnectionPoint(DIID___Twain, point_.put())))
        point_->Advise(static_cast<IDispatch*>(this), &cookie_);
}

event_recorder::~event_recorder() {
    if (point_ && cookie_) point_->Unadvise(cookie_);
}

int event_recorder::count(DISPID id) const {
    return static_cast<int>(std::count(events_.begin(), events_.end(), id));
}

STDMETHODIMP event_recorder::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, DIID___Twain)) {
        *out = static_cast<IDispatch*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP event_recorder::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    events_.push_back(id);
    return S_OK;
}

}  // namespace korvix::twain::test
