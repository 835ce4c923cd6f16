// What the module carries besides code: the version block, the toolbox
// bitmap and the type library, read the way Windows tools read them.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/wine/module/module_under_test.h"

namespace korvix::test {
namespace {

class VersionBlock : public ::testing::Test {
protected:
    void SetUp() override {
        DWORD ignored = 0;
        const DWORD size = ::GetFileVersionInfoSizeW(ocx_path().c_str(), &ignored);
        ASSERT_GT(size, 0u);
        block_.resize(size);
        ASSERT_TRUE(::GetFileVersionInfoW(ocx_path().c_str(), 0, size, block_.data()));
    }

    // Empty optional when the value is missing.
    bool query_string(const wchar_t* name, std::wstring& value) {
        std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        void* data = nullptr;
        UINT length = 0;
        if (!::VerQueryValueW(block_.data(), path.c_str(), &data, &length)) return false;
        const auto* text = static_cast<const wchar_t*>(data);
        value.assign(text, length > 0 ? ::wcsnlen(text, length) : 0);
        return true;
    }

    std::vector<BYTE> block_;
};

TEST_F(VersionBlock, FixedPartDescribesAVersionOneDll) {
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(block_.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_EQ(sizeof(VS_FIXEDFILEINFO), length);
    EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
    EXPECT_EQ(0x00010000u, fixed->dwFileVersionMS);
    EXPECT_EQ(0u, fixed->dwFileVersionLS);
    EXPECT_EQ(0x00010000u, fixed->dwProductVersionMS);
    EXPECT_EQ(0u, fixed->dwProductVersionLS);
    EXPECT_EQ(static_cast<DWORD>(VOS__WINDOWS32), fixed->dwFileOS);
    EXPECT_EQ(static_cast<DWORD>(VFT_DLL), fixed->dwFileType);
    EXPECT_EQ(0u, fixed->dwFileFlags & fixed->dwFileFlagsMask) << "not a debug or pre-release build";
}

TEST_F(VersionBlock, OneTranslationEnglishUnicode) {
    WORD* pairs = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(block_.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&pairs),
                                 &length));
    ASSERT_EQ(4u, length);
    EXPECT_EQ(0x0409, pairs[0]);
    EXPECT_EQ(1200, pairs[1]);
}

TEST_F(VersionBlock, StringsNameTheProductAndTheFile) {
    const std::pair<const wchar_t*, const wchar_t*> expected[] = {
        {L"ProductName", L"Valdane Korvid Lite ActiveX Version 1.1"},
        {L"FileVersion", L"1.00"},
        {L"ProductVersion", L"1.00"},
        {L"InternalName", L"korvixlite"},
        {L"OriginalFilename", L"korvixlite.ocx"},
    };
    for (const auto& [name, value] : expected) {
        std::wstring actual;
        ASSERT_TRUE(query_string(name, actual)) << name;
        EXPECT_EQ(value, actual) << name;
    }
    for (const wchar_t* name : {L"Comments", L"CompanyName", L"LegalCopyright"}) {
        std::wstring actual;
        ASSERT_TRUE(query_string(name, actual)) << name;
        EXPECT_FALSE(actual.empty()) << name;
    }
}

TEST_F(VersionBlock, AnnouncesSelfRegistrationWithAnEmptyValue) {
    std::wstring value = L"sentinel";
    ASSERT_TRUE(query_string(L"OLESelfRegister", value));
    EXPECT_EQ(L"", value);
    std::wstring missing;
    EXPECT_FALSE(query_string(L"NoSuchEntry", missing));
}

class ModuleResources : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(module_.loaded()); }
    module_under_test module_;
};

TEST_F(ModuleResources, ToolboxBitmapIsSixteenByFifteenAt24Bits) {
    unique_hbitmap bitmap(static_cast<HBITMAP>(
        ::LoadImageW(module_.handle(), MAKEINTRESOURCEW(30000), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    ASSERT_TRUE(bitmap);
    DIBSECTION dib{};
    ASSERT_EQ(static_cast<int>(sizeof(dib)), ::GetObjectW(bitmap.get(), sizeof(dib), &dib));
    EXPECT_EQ(16, dib.dsBm.bmWidth);
    EXPECT_EQ(15, dib.dsBm.bmHeight);
    EXPECT_EQ(24, dib.dsBm.bmBitsPixel);

    // The stored resource itself, as a toolbox reads it: an uncompressed 24-bit DIB.
    HRSRC found = ::FindResourceW(module_.handle(), MAKEINTRESOURCEW(30000), MAKEINTRESOURCEW(2) /* RT_BITMAP */);
    ASSERT_NE(nullptr, found);
    ASSERT_GE(::SizeofResource(module_.handle(), found), sizeof(BITMAPINFOHEADER) + 16 * 15 * 3);
    const auto* header = static_cast<const BITMAPINFOHEADER*>(::LockResource(::LoadResource(module_.handle(), found)));
    ASSERT_NE(nullptr, header);
    EXPECT_EQ(16, header->biWidth);
    EXPECT_EQ(15, header->biHeight);
    EXPECT_EQ(24, header->biBitCount);
    EXPECT_EQ(static_cast<DWORD>(BI_RGB), header->biCompression);
}

TEST_F(ModuleResources, CarriesTheGeneratedTypeLibraryAsTypelibOne) {
    HRSRC found = ::FindResourceW(module_.handle(), MAKEINTRESOURCEW(1), L"TYPELIB");
    ASSERT_NE(nullptr, found);
    const DWORD size = ::SizeofResource(module_.handle(), found);
    const auto* bytes = static_cast<const char*>(::LockResource(::LoadResource(module_.handle(), found)));
    ASSERT_NE(nullptr, bytes);
    std::vector<char> generated;
    {
        unique_handle file(::CreateFileW(windows_path(KORVIX_TLB_PATH).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_NE(INVALID_HANDLE_VALUE, file.get()) << KORVIX_TLB_PATH;
        generated.resize(::GetFileSize(file.get(), nullptr));
        DWORD read = 0;
        ASSERT_TRUE(::ReadFile(file.get(), generated.data(), static_cast<DWORD>(generated.size()), &read, nullptr));
        ASSERT_EQ(generated.size(), read);
        if (file.get() == INVALID_HANDLE_VALUE) file.release();
    }
    ASSERT_EQ(generated.size(), size);
    EXPECT_TRUE(std::equal(generated.begin(), generated.end(), bytes));
    EXPECT_EQ(nullptr, ::FindResourceW(module_.handle(), MAKEINTRESOURCEW(2), L"TYPELIB")) << "one library only";
}

}  // namespace
}  // namespace korvix::test
