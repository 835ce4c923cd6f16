#include "tests/wine/files/files_fixture.h"

#include <wincodec.h>

#include <algorithm>
#include <cstdlib>

namespace korvix::test {

namespace {

void remove_tree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) remove_tree(child);
            else ::DeleteFileW(child.c_str());
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryW(path.c_str());
}

}  // namespace

// The file dialogs make the folder they chose the current one; it could not
// be removed while it is.
scratch_folder::scratch_folder(const std::wstring& name) : path_(L"C:\\korvix-files\\" + name) {
    ::SetCurrentDirectoryW(L"C:\\");
    ::CreateDirectoryW(L"C:\\korvix-files", nullptr);
    remove_tree(path_);
    EXPECT_TRUE(::CreateDirectoryW(path_.c_str(), nullptr)) << "cannot make the scratch folder " << ::GetLastError();
}

scratch_folder::~scratch_folder() {
    ::SetCurrentDirectoryW(L"C:\\");
    remove_tree(path_);
}

std::vector<std::wstring> scratch_folder::entries() const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileW((path_ + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<uint8_t> read_file(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    unique_handle owner(file);
    bytes.resize(::GetFileSize(file, nullptr));
    DWORD read = 0;
    if (!bytes.empty() && !::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        bytes.clear();
    return bytes;
}

bool write_file(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    unique_handle owner(file);
    DWORD written = 0;
    return ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

bool starts_with(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& magic) {
    return bytes.size() >= magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin());
}

rgb_pixels pixels_of(IPictureDisp* picture) {
    rgb_pixels out;
    com_ptr<IPicture> pic;
    OLE_HANDLE handle = 0;
    if (!picture || FAILED(picture->QueryInterface(IID_IPicture, pic.put_void())) || FAILED(pic->get_Handle(&handle)))
        return out;
    const HBITMAP bitmap = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
    BITMAP info{};
    if (!::GetObjectW(bitmap, sizeof info, &info)) return out;
    BITMAPINFO header{};
    header.bmiHeader = {sizeof(BITMAPINFOHEADER), info.bmWidth, -std::abs(info.bmHeight), 1, 32, BI_RGB};
    std::vector<uint32_t> rows(size_t(info.bmWidth) * std::abs(info.bmHeight));
    unique_hdc dc(::CreateCompatibleDC(nullptr));
    if (!::GetDIBits(dc.get(), bitmap, 0, std::abs(info.bmHeight), rows.data(), &header, DIB_RGB_COLORS)) return out;
    out.width = info.bmWidth;
    out.height = std::abs(info.bmHeight);
    for (uint32_t& p : rows) p &= 0x00FFFFFF;
    out.rgb = std::move(rows);
    return out;
}

double mean_difference(const rgb_pixels& a, const rgb_pixels& b) {
    if (a.width != b.width || a.height != b.height || a.rgb.empty()) return -1;
    double total = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8)
            total += std::abs(int(a.rgb[i] >> shift & 255) - int(b.rgb[i] >> shift & 255));
    return total / (3.0 * a.rgb.size());
}

bool file_resolution(const std::wstring& path, double* x, double* y) {
    com_ptr<IWICImagingFactory> factory;
    com_ptr<IWICBitmapDecoder> decoder;
    com_ptr<IWICBitmapFrameDecode> frame;
    return SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IWICImagingFactory, factory.put_void())) &&
           SUCCEEDED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                        WICDecodeMetadataCacheOnDemand, decoder.put())) &&
           SUCCEEDED(decoder->GetFrame(0, frame.put())) && SUCCEEDED(frame->GetResolution(x, y));
}

void FilesTest::SetUp() {
    ControlTest::SetUp();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string(info->test_suite_name()) + "." + info->name();
    folder_ = std::make_unique<scratch_folder>(std::wstring(name.begin(), name.end()));
}

std::unique_ptr<hostkit::hosted_control> FilesTest::host_with(LONG file_type, SHORT quality) {
    auto bag = hostkit::recording_property_bag::create();
    bag->preload(L"FileType", unique_variant::i4(file_type));
    bag->preload(L"Quality", unique_variant::i2(quality));
    return host_loaded(bag.get());
}

void FilesTest::save(IDispatch* control, const std::wstring& path) {
    put(control, DISPID_Twain_filename, unique_variant::bstr(path));
    const hostkit::dispatch_result r = hostkit::dispatch_call(control, DISPID_Twain_Save);
    EXPECT_EQ(r.hr, S_OK) << "Save: " << hostkit::describe(r);
}

void FilesTest::load(IDispatch* control, const std::wstring& path) {
    put(control, DISPID_Twain_filename, unique_variant::bstr(path));
    const hostkit::dispatch_result r = hostkit::dispatch_call(control, DISPID_Twain_Load);
    EXPECT_EQ(r.hr, S_OK) << "Load: " << hostkit::describe(r);
}

com_ptr<IPictureDisp> FilesTest::picture(IDispatch* control) {
    unique_variant value = get(control, DISPID_Twain_Picture);
    com_ptr<IPictureDisp> pic;
    if (value.vt() == VT_DISPATCH && value->pdispVal) value->pdispVal->QueryInterface(IID_IPictureDisp, pic.put_void());
    return pic;
}

}  // namespace korvix::test
