// The registry layout the Twain class writes, checked value by value.
#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "control/module/class_registry.h"

namespace korvix::registration {
namespace {

const class_description kTwain{L"{CB8D520D-E46A-4059-B779-135030ADEFEE}",
                               L"Korvix.Twain",
                               L"Korvix Twain Control",
                               L"{CD9BF7A1-9733-4061-BF2F-DF2FFBAA705C}",
                               L"1.0",
                               0x00020191,
                               30000};

std::map<std::pair<std::wstring, std::wstring>, std::wstring> as_map(const std::vector<registry_value>& values) {
    std::map<std::pair<std::wstring, std::wstring>, std::wstring> m;
    for (const auto& v : values) {
        EXPECT_TRUE(m.emplace(std::make_pair(v.key, v.name), v.data).second) << "written twice";
    }
    return m;
}

TEST(ClassRegistry, ClassKeyLivesUnderClsid) {
    EXPECT_EQ(L"CLSID\\{CB8D520D-E46A-4059-B779-135030ADEFEE}", class_key(kTwain));
}

TEST(ClassRegistry, WritesServerThreadingControlAndLibrary) {
    const auto m = as_map(class_values(kTwain, L"C:\\Program Files\\Korvix\\korvixlite.ocx"));
    const std::wstring k = class_key(kTwain);
    EXPECT_EQ(L"Korvix Twain Control", m.at({k, L""}));
    EXPECT_EQ(L"Korvix.Twain", m.at({k + L"\\ProgID", L""}));
    EXPECT_EQ(L"C:\\Program Files\\Korvix\\korvixlite.ocx", m.at({k + L"\\InprocServer32", L""}));
    EXPECT_EQ(L"Apartment", m.at({k + L"\\InprocServer32", L"ThreadingModel"}));
    EXPECT_EQ(1u, m.count({k + L"\\Control", L""}));
    EXPECT_EQ(L"{CD9BF7A1-9733-4061-BF2F-DF2FFBAA705C}", m.at({k + L"\\TypeLib", L""}));
    EXPECT_EQ(L"1.0", m.at({k + L"\\Version", L""}));
    EXPECT_EQ(L"{CB8D520D-E46A-4059-B779-135030ADEFEE}", m.at({L"Korvix.Twain\\CLSID", L""}));
}

TEST(ClassRegistry, MiscStatusIsDecimalPerAspectWithADefault) {
    const auto m = as_map(class_values(kTwain, L"C:\\x.ocx"));
    const std::wstring k = class_key(kTwain);
    EXPECT_EQ(L"0", m.at({k + L"\\MiscStatus", L""}));
    EXPECT_EQ(L"131473", m.at({k + L"\\MiscStatus\\1", L""}));  // 0x20191
}

TEST(ClassRegistry, ToolboxBitmapNamesModuleAndResource) {
    const auto m = as_map(class_values(kTwain, L"D:\\bin\\korvixlite.ocx"));
    EXPECT_EQ(L"D:\\bin\\korvixlite.ocx, 30000", m.at({class_key(kTwain) + L"\\ToolboxBitmap32", L""}));
}

TEST(ClassRegistry, ParentKeysComeBeforeTheirChildren) {
    const auto values = class_values(kTwain, L"C:\\x.ocx");
    for (size_t i = 0; i < values.size(); ++i)
        for (size_t j = i + 1; j < values.size(); ++j) {
            const std::wstring& later = values[j].key;
            const std::wstring& earlier = values[i].key;
            EXPECT_FALSE(earlier.size() > later.size() && earlier.compare(0, later.size() + 1, later + L"\\") == 0)
                << "child written before its parent";
        }
}

TEST(LongPathPrefix, IsStrippedFromLocalAndUncPaths) {
    EXPECT_EQ(L"C:\\dir\\korvixlite.ocx", without_long_path_prefix(L"\\\\?\\C:\\dir\\korvixlite.ocx"));
    EXPECT_EQ(L"\\\\server\\share\\k.ocx", without_long_path_prefix(L"\\\\?\\UNC\\server\\share\\k.ocx"));
    EXPECT_EQ(L"Z:\\tmp\\k.ocx", without_long_path_prefix(L"Z:\\tmp\\k.ocx"));
    EXPECT_EQ(L"\\\\server\\share\\k.ocx", without_long_path_prefix(L"\\\\server\\share\\k.ocx"));
    EXPECT_EQ(L"", without_long_path_prefix(L""));
    EXPECT_EQ(L"\\\\?", without_long_path_prefix(L"\\\\?"));  // too short to be a prefix
}

}  // namespace
}  // namespace korvix::registration
