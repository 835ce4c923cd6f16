// What the file suites share: a scratch folder per test, the control hosted
// with a file type and quality from its property bag, Save and Load through
// IDispatch, and readers that look at files and pictures apart from the
// control (GDI for a picture's pixels; hostkit::file_resolution for a file's).
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/wine/control/control_test_env.h"
#include "tests/wine/hostkit/import_patch.h"
#include "tests/wine/hostkit/test_pictures.h"

namespace korvix::test {

std::vector<uint8_t> read_file(const std::wstring& path);
bool write_file(const std::wstring& path, const std::vector<uint8_t>& bytes);
std::vector<std::wstring> folder_entries(const std::wstring& folder);  // names, sorted
// A picture's pixels as 0x00RRGGBB, top row first; empty when it holds no bitmap.
std::vector<uint32_t> pixels_of(IPictureDisp* picture, SIZE* size);
// Mean absolute difference per channel of two pictures' pixels (0: the same);
// -1 when either has no bitmap or their sizes differ.
double picture_difference(IPictureDisp* a, IPictureDisp* b);
using hostkit::file_resolution;

// GDI+ as the control calls it, recorded on the way through its import table
// while this lives: the sessions still open, and the quality of the last
// save's parameter block (-1: no block; a block other than one EncoderQuality
// entry of one Long fails the test).
class gdiplus_recorder {
public:
    gdiplus_recorder();
    ~gdiplus_recorder();
    bool active() const noexcept { return startup_.active() && shutdown_.active() && save_.active(); }
    int running = 0;
    long long quality = -1;

private:
    hostkit::import_patch startup_, shutdown_, save_;
};

class FilesTest : public ControlTest {
protected:
    // folder_ is a fresh C:\korvix-files\<suite>.<test>, removed with all in it.
    void SetUp() override;
    void TearDown() override;
    std::wstring file(const std::wstring& name) const { return folder_ + L"\\" + name; }
    // A control whose property bag held FileType and Quality.
    std::unique_ptr<hostkit::hosted_control> host_with(LONG file_type, SHORT quality = 0);
    static void save(IDispatch* control, const std::wstring& path);
    static void load(IDispatch* control, const std::wstring& path);
    static com_ptr<IPictureDisp> picture(IDispatch* control);  // null for Nothing
    std::wstring folder_;
};

}  // namespace korvix::test
