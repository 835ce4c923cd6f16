// Text handed to and taken from the file dialogs and file calls.
#include <gtest/gtest.h>

#include "codecs/file_paths.h"
#include "dialogs/dialog_text.h"

namespace korvix {
namespace {

TEST(DialogText, FilterBecomesNulSeparatedPairsInPlace) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"Bitmap|*.bmp", std::wstring(L"Bitmap\0*.bmp\0", 13)},
        {L"Bitmap|*.bmp|", std::wstring(L"Bitmap\0*.bmp\0", 13)},  // no second bar
        {L"Bitmap|*.bmp|All|*.*", std::wstring(L"Bitmap\0*.bmp\0All\0*.*\0", 21)},
        {L"", std::wstring(L"\0", 1)},
        {L"||", std::wstring(L"\0\0", 2)},
    };
    for (auto [filter, expected] : cases) {
        convert_filter_in_place(filter);
        EXPECT_EQ(filter, expected);
    }
}

TEST(DialogText, PathEndsAtTheFirstNulWithoutSurroundingSpaces) {
    const wchar_t buffer[] = L"  C:\\scans\\page 1.bmp \0   leftover";
    EXPECT_EQ(path_from_file_buffer(buffer, sizeof buffer / sizeof *buffer), L"C:\\scans\\page 1.bmp");
    EXPECT_EQ(path_from_file_buffer(nullptr, 0), L"");
}

TEST(FilePaths, LongPathsTakeTheExtendedForm) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"C:\\dir\\f.png", L"\\\\?\\C:\\dir\\f.png"},
        {L"c:/dir/f.png", L"\\\\?\\c:\\dir\\f.png"},
        {L"\\\\server\\share\\f.png", L"\\\\?\\UNC\\server\\share\\f.png"},
        {L"\\\\?\\C:\\f.png", L"\\\\?\\C:\\f.png"},
        {L"\\\\.\\pipe\\x", L"\\\\.\\pipe\\x"},
        {L"relative\\f.png", L"relative\\f.png"},
    };
    for (const auto& [given, expected] : cases) EXPECT_EQ(extended_length_path(given), expected);
    EXPECT_EQ(folder_of(L"\\\\?\\C:\\dir\\f.png"), L"\\\\?\\C:\\dir");
    EXPECT_EQ(folder_of(L"f.png"), L"");
}

}  // namespace
}  // namespace korvix
