#include "samples/host/files_demo.h"

#include <cstdio>
#include <vector>

#include "control/korvix_ids.h"
#include "tests/wine/hostkit/dispatch_call.h"
#include "tests/wine/hostkit/hosted_control.h"
#include "tests/wine/hostkit/recording_property_bag.h"
#include "tests/wine/hostkit/test_pictures.h"

namespace korvix::sample {

namespace {

using hostkit::unique_variant;

// FileType and Quality come only from the form's stored settings, so each
// format gets a control loaded from a bag that holds them, as a form would.
std::unique_ptr<hostkit::hosted_control> control_for(HWND frame, LONG file_type, SHORT quality) {
    auto bag = hostkit::recording_property_bag::create();
    bag->preload(L"FileType", unique_variant::i4(file_type));
    bag->preload(L"Quality", unique_variant::i2(quality));
    auto control = std::make_unique<hostkit::hosted_control>(frame, RECT{0, 0, 1, 1});
    throw_if_failed(control->load(bag.get()), "loading the control's settings failed");
    return control;
}

bool call(IDispatch* control, DISPID method, const std::wstring& file) {
    hostkit::dispatch_put(control, DISPID_Twain_filename, *unique_variant::bstr(file).get());
    const hostkit::dispatch_result r = hostkit::dispatch_call(control, method);
    if (FAILED(r.hr)) std::fprintf(stderr, "files demo: %s\n", hostkit::describe(r).c_str());
    return SUCCEEDED(r.hr);
}

IDispatch* picture_of(IDispatch* control, hostkit::dispatch_result& holder) {
    holder = hostkit::dispatch_get(control, DISPID_Twain_Picture);
    return holder.value.vt() == VT_DISPATCH ? holder.value->pdispVal : nullptr;
}

std::vector<DWORD> pixels(IDispatch* picture, LONG* width, LONG* height) {
    const HBITMAP bitmap = static_cast<HBITMAP>(hostkit::picture_handle(reinterpret_cast<IPictureDisp*>(picture)));
    BITMAP info{};
    if (!picture || !::GetObjectW(bitmap, sizeof info, &info)) return {};
    *width = info.bmWidth;
    *height = info.bmHeight;
    BITMAPINFO header{};
    header.bmiHeader = {sizeof(BITMAPINFOHEADER), info.bmWidth, -info.bmHeight, 1, 32, BI_RGB};
    std::vector<DWORD> rows(size_t(info.bmWidth) * info.bmHeight);
    unique_hdc dc(::CreateCompatibleDC(nullptr));
    ::GetDIBits(dc.get(), bitmap, 0, info.bmHeight, rows.data(), &header, DIB_RGB_COLORS);
    for (DWORD& p : rows) p &= 0xFFFFFF;
    return rows;
}

}  // namespace

int save_and_reload(HWND frame, IDispatch* shown, const std::wstring& folder, const std::wstring& name) {
    hostkit::dispatch_result shown_picture;
    IDispatch* picture = picture_of(shown, shown_picture);
    const std::wstring png = folder + L"\\" + name + L".png", jpeg = folder + L"\\" + name + L".jpg";
    for (const auto& [type, path] : {std::pair<LONG, std::wstring>{4, png}, {1, jpeg}}) {
        auto saver = control_for(frame, type, 90);
        hostkit::dispatch_putref(saver->dispatch(), DISPID_Twain_Picture, picture);
        if (!call(saver->dispatch(), DISPID_Twain_Save, path)) return 7;
        std::printf("sample_host: saved %ls\n", path.c_str());
    }

    auto second = std::make_unique<hostkit::hosted_control>(frame, RECT{0, 0, 1, 1});
    throw_if_failed(second->init_new(), "a second control failed to start");
    if (!call(second->dispatch(), DISPID_Twain_Load, png)) return 8;
    hostkit::dispatch_result loaded_picture;
    LONG w1 = 0, h1 = 0, w2 = 0, h2 = 0;
    const std::vector<DWORD> before = pixels(picture, &w1, &h1);
    const std::vector<DWORD> after = pixels(picture_of(second->dispatch(), loaded_picture), &w2, &h2);
    if (before.empty() || before != after) {
        std::fprintf(stderr, "sample_host: the PNG loaded back differs from the picture shown\n");
        return 9;
    }
    std::printf("sample_host: loaded %ls back into a second control: %ld x %ld, every pixel the same\n", png.c_str(),
                w2, h2);
    return 0;
}

}  // namespace korvix::sample
