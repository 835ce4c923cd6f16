#include "samples/host/files_demo.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "control/korvix_ids.h"
#include "tests/wine/hostkit/dispatch_call.h"
#include "tests/wine/hostkit/hosted_control.h"
#include "tests/wine/hostkit/test_pictures.h"

namespace korvix::sample {

namespace {

using hostkit::unique_variant;

// A control as a script gets one: no stored settings.
std::unique_ptr<hostkit::hosted_control> new_control(HWND frame) {
    auto control = std::make_unique<hostkit::hosted_control>(frame, RECT{0, 0, 1, 1});
    throw_if_failed(control->init_new(), "a control failed to start");
    return control;
}

// The file's first bytes are the signature of the format its name says.
bool starts_with(const std::wstring& path, const std::string& signature) {
    std::string head(signature.size(), '\0');
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return file.read(head.data(), std::streamsize(head.size())) && head == signature;
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

int save_and_reload(HWND frame, IDispatch* shown, const std::wstring& folder, const std::wstring& name, double dpi) {
    hostkit::dispatch_result shown_picture;
    IDispatch* picture = picture_of(shown, shown_picture);
    const std::wstring png = folder + L"\\" + name + L".png", jpeg = folder + L"\\" + name + L".jpg";
    // Another control saves the shown picture: Twain2.Picture = Twain1.Picture,
    // then filename and Save. The names' extensions choose the formats, and
    // the picture brings its own resolution along.
    auto saver = new_control(frame);
    hostkit::dispatch_putref(saver->dispatch(), DISPID_Twain_Picture, picture);
    const std::pair<std::wstring, std::string> files[] = {{png, "\x89PNG"}, {jpeg, "\xFF\xD8\xFF"}};
    for (const auto& [path, signature] : files) {
        if (!call(saver->dispatch(), DISPID_Twain_Save, path)) return 7;
        double x = 0, y = 0;
        // A PNG keeps whole pixels per metre: 50 dpi reads back as 50.0126.
        if (!starts_with(path, signature) || !hostkit::file_resolution(path, &x, &y) || std::abs(x - dpi) > 0.02 ||
            std::abs(y - dpi) > 0.02) {
            std::fprintf(stderr, "sample_host: %ls is not the format its name says at %g dpi (%g x %g)\n",
                         path.c_str(), dpi, x, y);
            return 11;
        }
        std::printf("sample_host: saved %ls at %.4g dpi\n", path.c_str(), x);
    }

    auto reader = new_control(frame);
    if (!call(reader->dispatch(), DISPID_Twain_Load, png)) return 8;
    hostkit::dispatch_result loaded_picture;
    LONG w1 = 0, h1 = 0, w2 = 0, h2 = 0;
    const std::vector<DWORD> before = pixels(picture, &w1, &h1);
    const std::vector<DWORD> after = pixels(picture_of(reader->dispatch(), loaded_picture), &w2, &h2);
    if (before.empty() || before != after) {
        std::fprintf(stderr, "sample_host: the PNG loaded back differs from the picture shown\n");
        return 9;
    }
    std::printf("sample_host: loaded %ls back into a third control: %ld x %ld, every pixel the same\n", png.c_str(),
                w2, h2);
    return 0;
}

}  // namespace korvix::sample
