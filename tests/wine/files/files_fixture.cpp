#include "tests/wine/files/files_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/wine/hostkit/test_pictures.h"

namespace korvix::test {

namespace {

void find_close(HANDLE search) noexcept { ::FindClose(search); }

// visit(name, is_folder) for every entry; the Win32 calls take paths of any length.
template <typename Visit>
void for_each_entry(const std::wstring& folder, Visit&& visit) {
    WIN32_FIND_DATAW found;
    const HANDLE first = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (first == INVALID_HANDLE_VALUE) return;
    const unique_resource<HANDLE, find_close> search(first);
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") visit(name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (::FindNextFileW(search.get(), &found));
}

constexpr const wchar_t* kScratchRoot = L"C:\\korvix-files\\";

// Removes a scratch folder and everything in it; refuses any path outside
// the scratch root (an empty one would name the root of the drive).
void remove_tree(const std::wstring& path) {
    if (path.compare(0, std::wcslen(kScratchRoot), kScratchRoot) != 0 || path.size() == std::wcslen(kScratchRoot))
        return;
    for_each_entry(path, [&](const std::wstring& name, bool folder) {
        if (folder) remove_tree(path + L"\\" + name);
        else ::DeleteFileW((path + L"\\" + name).c_str());
    });
    ::RemoveDirectoryW(path.c_str());
}

}  // namespace

std::vector<uint32_t> pixels_of(IPictureDisp* picture, SIZE* size) {
    const auto bitmap = static_cast<HBITMAP>(hostkit::picture_handle(picture));
    BITMAP info{};
    if (!bitmap || !::GetObjectW(bitmap, sizeof info, &info)) return {};
    *size = {info.bmWidth, std::abs(info.bmHeight)};
    BITMAPINFO header{{sizeof(BITMAPINFOHEADER), size->cx, -size->cy, 1, 32, BI_RGB}};
    std::vector<uint32_t> rgb(size_t(size->cx) * size->cy);
    window_dc screen(nullptr);
    if (::GetDIBits(screen.get(), bitmap, 0, size->cy, rgb.data(), &header, DIB_RGB_COLORS) != size->cy) return {};
    return rgb;
}

namespace {

gdiplus_recorder* g_recorder = nullptr;

Gdiplus::Status WINAPI record_startup(ULONG_PTR* token, const Gdiplus::GdiplusStartupInput* input,
                                      Gdiplus::GdiplusStartupOutput* output) {
    EXPECT_EQ(input->GdiplusVersion, 1u);
    const Gdiplus::Status status = Gdiplus::GdiplusStartup(token, input, output);
    g_recorder->running += status == Gdiplus::Ok;
    return status;
}

void WINAPI record_shutdown(ULONG_PTR token) {
    --g_recorder->running;
    Gdiplus::GdiplusShutdown(token);
}

Gdiplus::GpStatus WINGDIPAPI record_save(Gdiplus::GpImage* image, const WCHAR* file, const CLSID* encoder,
                                         const Gdiplus::EncoderParameters* parameters) {
    g_recorder->quality = -1;
    if (parameters) {
        const Gdiplus::EncoderParameter& entry = parameters->Parameter[0];
        CLSID quality{};
        ::CLSIDFromString(L"{1D5BE4B5-FA4A-452D-9CDD-5DB35105E7EB}", &quality);
        EXPECT_EQ(parameters->Count, 1u) << "a quality entry and nothing else: compression has no effect";
        EXPECT_TRUE(IsEqualGUID(entry.Guid, quality) && entry.NumberOfValues == 1 &&
                    entry.Type == Gdiplus::EncoderParameterValueTypeLong);
        g_recorder->quality = *static_cast<const ULONG*>(entry.Value);
    }
    return Gdiplus::DllExports::GdipSaveImageToFile(image, file, encoder, parameters);
}

HMODULE control_module() { return ::GetModuleHandleW(L"korvixlite.ocx"); }

}  // namespace

gdiplus_recorder::gdiplus_recorder()
    : startup_(control_module(), "gdiplus.dll", "GdiplusStartup", reinterpret_cast<void*>(&record_startup)),
      shutdown_(control_module(), "gdiplus.dll", "GdiplusShutdown", reinterpret_cast<void*>(&record_shutdown)),
      save_(control_module(), "gdiplus.dll", "GdipSaveImageToFile", reinterpret_cast<void*>(&record_save)) {
    g_recorder = this;
}

gdiplus_recorder::~gdiplus_recorder() { g_recorder = nullptr; }

std::vector<uint8_t> read_file(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool write_file(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    return bool(out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size())));
}

std::vector<std::wstring> folder_entries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    for_each_entry(folder, [&](const std::wstring& name, bool) { names.push_back(name); });
    std::sort(names.begin(), names.end());
    return names;
}

double picture_difference(IPictureDisp* a, IPictureDisp* b) {
    SIZE size_a{}, size_b{};
    const std::vector<uint32_t> pa = pixels_of(a, &size_a), pb = pixels_of(b, &size_b);
    if (pa.empty() || pa.size() != pb.size() || size_a.cx != size_b.cx) return -1;
    double total = 0;
    for (size_t i = 0; i < pa.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8)
            total += std::abs(int(pa[i] >> shift & 255) - int(pb[i] >> shift & 255));
    return total / (3.0 * pa.size());
}

void FilesTest::SetUp() {
    ControlTest::SetUp();
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string(test->test_suite_name()) + "." + test->name();
    folder_ = kScratchRoot + std::wstring(name.begin(), name.end());
    ::SetCurrentDirectoryW(L"C:\\");  // the file dialogs make a folder they chose the current one
    ::CreateDirectoryW(L"C:\\korvix-files", nullptr);
    remove_tree(folder_);
    ASSERT_TRUE(::CreateDirectoryW(folder_.c_str(), nullptr)) << "no scratch folder: " << ::GetLastError();
}

void FilesTest::TearDown() {
    ::SetCurrentDirectoryW(L"C:\\");
    remove_tree(folder_);
    ControlTest::TearDown();
}

std::unique_ptr<hostkit::hosted_control> FilesTest::host_with(LONG file_type, SHORT quality) {
    auto bag = hostkit::recording_property_bag::create();
    bag->preload(L"FileType", unique_variant::i4(file_type));
    bag->preload(L"Quality", unique_variant::i2(quality));
    return host_loaded(bag.get());
}

void FilesTest::save(IDispatch* control, const std::wstring& path) {
    put(control, DISPID_Twain_filename, unique_variant::bstr(path));
    EXPECT_EQ(hostkit::dispatch_call(control, DISPID_Twain_Save).hr, S_OK);
}

void FilesTest::load(IDispatch* control, const std::wstring& path) {
    put(control, DISPID_Twain_filename, unique_variant::bstr(path));
    EXPECT_EQ(hostkit::dispatch_call(control, DISPID_Twain_Load).hr, S_OK);
}

com_ptr<IPictureDisp> FilesTest::picture(IDispatch* control) {
    unique_variant value = get(control, DISPID_Twain_Picture);
    com_ptr<IPictureDisp> pic;
    if (value.vt() == VT_DISPATCH && value->pdispVal) value->pdispVal->QueryInterface(IID_IPictureDisp, pic.put_void());
    return pic;
}

}  // namespace korvix::test
