// The 64-bit and the 32-bit module registered side by side in one WoW64
// prefix, as on 64-bit Windows: each registry view names its own module,
// the library records both, a 64-bit and a 32-bit script host each create
// the control from their own module, and unregistering one leaves the other
// working. Built in the 64-bit tree; the 32-bit module comes from the i686
// tree (dist/korvixlite.ocx).
#include <windows.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "control/korvix_ids.h"
#include "tests/wine/module/module_under_test.h"

namespace korvix::test {
namespace {

const std::wstring kClassServer = std::wstring(L"CLSID\\") + kClsidString + L"\\InprocServer32";
const std::wstring kLibrary = std::wstring(L"TypeLib\\") + kLibIdString;
const std::wstring kInterface = L"Interface\\{8F53E9FE-B49F-4262-B08D-B82103AD4DEE}";

std::wstring module32_path() { return windows_path(KORVIX_OCX32_PATH); }

std::optional<std::wstring> read_value(const std::wstring& key, REGSAM view) {
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | view, &raw) != ERROR_SUCCESS)
        return std::nullopt;
    unique_hkey opened(raw);
    wchar_t buffer[1024] = {};
    DWORD bytes = sizeof(buffer) - sizeof(wchar_t);
    if (::RegQueryValueExW(opened.get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &bytes) !=
        ERROR_SUCCESS)
        return L"";
    return std::wstring(buffer);
}

bool key_exists(const std::wstring& key, REGSAM view = 0) { return read_value(key, view).has_value(); }

struct run_result {
    DWORD code = 0xFFFFFFFF;
    std::string output;
};

// Runs a program to its end and collects what it prints.
run_result run(std::wstring command) {
    run_result result;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read_raw = nullptr, write_raw = nullptr;
    if (!::CreatePipe(&read_raw, &write_raw, &inherit, 0)) return result;
    unique_handle reader(read_raw), writer(write_raw);
    ::SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{sizeof startup};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = writer.get();
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return result;
    unique_handle process_handle(process.hProcess), thread_handle(process.hThread);
    writer.reset();
    char chunk[512];
    DWORD got = 0;
    while (::ReadFile(reader.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) result.output.append(chunk, got);
    if (::WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) return result;
    ::GetExitCodeProcess(process.hProcess, &result.code);
    while (!result.output.empty() && (result.output.back() == '\n' || result.output.back() == '\r'))
        result.output.pop_back();
    return result;
}

std::wstring system_folder(bool wow64) {
    wchar_t folder[MAX_PATH] = {};
    if (wow64) ::GetSystemWow64DirectoryW(folder, MAX_PATH);
    else ::GetSystemDirectoryW(folder, MAX_PATH);
    return folder;
}

// The 32-bit regsvr32 (SysWOW64) on the 32-bit module.
DWORD regsvr32_wow64(const wchar_t* options) {
    return run(system_folder(true) + L"\\regsvr32.exe /s " + options + L"\"" + module32_path() + L"\"").code;
}

// The script host of one bitness creating the control.
run_result script_host(bool wow64) {
    return run(system_folder(wow64) + L"\\cscript.exe //nologo \"" + windows_path(KORVIX_CREATE_SCRIPT) + L"\"");
}

class SideBySide : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(module_.loaded());
        ASSERT_NE(::GetFileAttributesW(module32_path().c_str()), INVALID_FILE_ATTRIBUTES)
            << "the 32-bit module (built by the i686 tree) is missing";
        ASSERT_EQ(S_OK, module_.register_server());
        ASSERT_EQ(0u, regsvr32_wow64(L""));
    }

    com_apartment apartment_;
    module_under_test module_;
};

TEST_F(SideBySide, EachHostCreatesTheControlFromItsOwnModule) {
    EXPECT_TRUE(same_path(ocx_path(), read_value(kClassServer, KEY_WOW64_64KEY).value_or(L"")));
    EXPECT_TRUE(same_path(module32_path(), read_value(kClassServer, KEY_WOW64_32KEY).value_or(L"")));
    EXPECT_TRUE(same_path(ocx_path(), read_value(kLibrary + L"\\1.0\\409\\win64", 0).value_or(L"")));
    EXPECT_TRUE(same_path(module32_path(), read_value(kLibrary + L"\\1.0\\409\\win32", 0).value_or(L"")));

    const run_result host64 = script_host(false), host32 = script_host(true);
    EXPECT_EQ(0u, host64.code);
    EXPECT_EQ("AMD64 Resolution=300", host64.output);
    EXPECT_EQ(0u, host32.code);
    EXPECT_EQ("x86 Resolution=300", host32.output);
}

TEST_F(SideBySide, UnregisteringOneModuleLeavesTheOtherWorking) {
    ASSERT_EQ(S_OK, module_.unregister_server());
    EXPECT_FALSE(key_exists(kClassServer, KEY_WOW64_64KEY));
    EXPECT_FALSE(key_exists(kLibrary + L"\\1.0\\409\\win64"));
    EXPECT_EQ("x86 Resolution=300", script_host(true).output);
    EXPECT_EQ(1u, script_host(false).code) << "the 64-bit host still found a class";

    ASSERT_EQ(S_OK, module_.register_server());
    ASSERT_EQ(0u, regsvr32_wow64(L"/u "));
    EXPECT_FALSE(key_exists(kClassServer, KEY_WOW64_32KEY));
    EXPECT_FALSE(key_exists(kLibrary + L"\\1.0\\409\\win32"));
    EXPECT_EQ("AMD64 Resolution=300", script_host(false).output);
    EXPECT_EQ(1u, script_host(true).code) << "the 32-bit host still found a class";

    // The last one out takes the shared entries with it.
    ASSERT_EQ(S_OK, module_.unregister_server());
    EXPECT_FALSE(key_exists(kProgId));
    EXPECT_FALSE(key_exists(kLibrary));
    for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) EXPECT_FALSE(key_exists(kInterface, view)) << view;
}

}  // namespace
}  // namespace korvix::test
