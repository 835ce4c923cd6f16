// What the file suites share: a scratch folder per test, the control hosted
// with a file type and quality from its property bag, Save and Load through
// IDispatch, and readers that look at files and pictures independently of
// the control (the imaging component for a file's resolution, GDI for a
// picture's pixels).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/wine/control/control_test_env.h"

namespace korvix::test {

// A fresh folder C:\korvix-files\<name>, removed with everything in it.
class scratch_folder {
public:
    explicit scratch_folder(const std::wstring& name);
    ~scratch_folder();
    scratch_folder(const scratch_folder&) = delete;
    scratch_folder& operator=(const scratch_folder&) = delete;
    const std::wstring& path() const noexcept { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }
    std::vector<std::wstring> entries() const;  // names, sorted

private:
    std::wstring path_;
};

std::vector<uint8_t> read_file(const std::wstring& path);
bool write_file(const std::wstring& path, const std::vector<uint8_t>& bytes);
bool starts_with(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& magic);

struct rgb_pixels {
    int width = 0, height = 0;
    std::vector<uint32_t> rgb;  // 0x00RRGGBB, top row first
};
rgb_pixels pixels_of(IPictureDisp* picture);
// Mean absolute difference per channel; -1 when the sizes differ.
double mean_difference(const rgb_pixels& a, const rgb_pixels& b);
// The resolution a file records, as the platform's decoder reads it.
bool file_resolution(const std::wstring& path, double* x, double* y);

class FilesTest : public ControlTest {
protected:
    void SetUp() override;
    // A control whose property bag held FileType and Quality.
    std::unique_ptr<hostkit::hosted_control> host_with(LONG file_type, SHORT quality = 0);
    static void save(IDispatch* control, const std::wstring& path);
    static void load(IDispatch* control, const std::wstring& path);
    static com_ptr<IPictureDisp> picture(IDispatch* control);  // null for Nothing
    std::unique_ptr<scratch_folder> folder_;
};

}  // namespace korvix::test
