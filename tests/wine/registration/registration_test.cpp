// Self-registration of korvixlite.ocx read back from the registry the way
// COM, containers and type library users read it; then unregistration.
#include <windows.h>
#include <gtest/gtest.h>
#include <oleauto.h>
#include <olectl.h>

#include <optional>
#include <string>

#include "control/korvix_ids.h"
#include "tests/wine/module/module_under_test.h"

namespace korvix::test {
namespace {

const std::wstring kClsidKey = std::wstring(L"CLSID\\") + kClsidString;
const std::wstring kTypeLibKey = std::wstring(L"TypeLib\\") + kLibIdString;
const std::wstring kInterfaceKey = L"Interface\\{8F53E9FE-B49F-4262-B08D-B82103AD4DEE}";
const std::wstring kEventsKey = L"Interface\\{23BDACDB-285A-4F9B-BE8E-9BB0B16E644F}";

std::optional<std::wstring> read_value(const std::wstring& key, const wchar_t* name = nullptr) {
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) return std::nullopt;
    unique_hkey opened(raw);
    wchar_t buffer[1024] = {};
    DWORD type = 0;
    DWORD bytes = sizeof(buffer) - sizeof(wchar_t);
    if (::RegQueryValueExW(opened.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes) !=
        ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_SZ) return L"<not a string>";
    return std::wstring(buffer);
}

bool key_exists(const std::wstring& key) {
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) return false;
    ::RegCloseKey(raw);
    return true;
}

void write_value(const std::wstring& key, const std::wstring& data) {
    HKEY raw = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                               &raw, nullptr));
    unique_hkey opened(raw);
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExW(opened.get(), nullptr, 0, REG_SZ,
                                              reinterpret_cast<const BYTE*>(data.c_str()),
                                              static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))));
}

void delete_key(const std::wstring& key) { ::RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str()); }

// Everything a registration leaves behind is gone.
void expect_nothing_registered() {
    EXPECT_FALSE(key_exists(kClsidKey));
    EXPECT_FALSE(key_exists(kProgId));
    EXPECT_FALSE(key_exists(kTypeLibKey));
    EXPECT_FALSE(key_exists(kInterfaceKey));
    EXPECT_FALSE(key_exists(kEventsKey));
    CLSID clsid{};
    EXPECT_NE(S_OK, ::CLSIDFromProgID(kProgId, &clsid));
    com_ptr<ITypeLib> lib;
    EXPECT_NE(S_OK, ::LoadRegTypeLib(LIBID_Korvix, 1, 0, 0x0409, lib.put()));
}

class Registration : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(module_.loaded());
        ASSERT_EQ(S_OK, module_.register_server());
    }

    com_apartment apartment_;
    module_under_test module_;
};

TEST_F(Registration, WritesTheClassAsAnApartmentThreadedControl) {
    EXPECT_FALSE(read_value(kClsidKey).value_or(L"").empty());
    EXPECT_EQ(kProgId, read_value(kClsidKey + L"\\ProgID"));
    const auto server = read_value(kClsidKey + L"\\InprocServer32");
    ASSERT_TRUE(server);
    EXPECT_TRUE(same_path(ocx_path(), *server)) << *server;
    EXPECT_EQ(L"Apartment", read_value(kClsidKey + L"\\InprocServer32", L"ThreadingModel"));
    EXPECT_TRUE(key_exists(kClsidKey + L"\\Control"));
    EXPECT_EQ(kLibIdString, read_value(kClsidKey + L"\\TypeLib"));
    EXPECT_EQ(L"1.0", read_value(kClsidKey + L"\\Version"));
    EXPECT_TRUE(key_exists(kClsidKey + L"\\Implemented Categories\\{40FC6ED4-2438-11CF-A3DB-080036F12502}"));
    EXPECT_EQ(kClsidString, read_value(std::wstring(kProgId) + L"\\CLSID"));
}

TEST_F(Registration, ToolboxBitmapPointsAtResource30000OfTheModule) {
    const auto value = read_value(kClsidKey + L"\\ToolboxBitmap32");
    ASSERT_TRUE(value);
    const size_t comma = value->rfind(L", ");
    ASSERT_NE(std::wstring::npos, comma) << *value;
    EXPECT_TRUE(same_path(ocx_path(), value->substr(0, comma))) << *value;
    EXPECT_EQ(L"30000", value->substr(comma + 2));
}

TEST_F(Registration, ContainersReadTheControlsMiscStatus) {
    EXPECT_EQ(L"0", read_value(kClsidKey + L"\\MiscStatus"));
    EXPECT_EQ(L"131473", read_value(kClsidKey + L"\\MiscStatus\\1"));
    DWORD status = 0xDEADBEEF;
    ASSERT_EQ(S_OK, ::OleRegGetMiscStatus(CLSID_Twain, DVASPECT_CONTENT, &status));
    EXPECT_EQ(static_cast<DWORD>(OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT |
                                 OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST),
              status);
    // Other aspects fall back to the key's default value.
    status = 0xDEADBEEF;
    ASSERT_EQ(S_OK, ::OleRegGetMiscStatus(CLSID_Twain, DVASPECT_ICON, &status));
    EXPECT_EQ(0u, status);
}

TEST_F(Registration, ProgIdAndClassIdResolveEachOther) {
    CLSID clsid{};
    ASSERT_EQ(S_OK, ::CLSIDFromProgID(kProgId, &clsid));
    EXPECT_TRUE(::IsEqualCLSID(CLSID_Twain, clsid));
    LPOLESTR prog_id = nullptr;
    ASSERT_EQ(S_OK, ::ProgIDFromCLSID(CLSID_Twain, &prog_id));
    EXPECT_STREQ(kProgId, prog_id);
    ::CoTaskMemFree(prog_id);
}

TEST_F(Registration, RegistersTheEmbeddedTypeLibrary) {
    com_ptr<ITypeLib> lib;
    ASSERT_EQ(S_OK, ::LoadRegTypeLib(LIBID_Korvix, 1, 0, 0x0409, lib.put()));
    com_ptr<ITypeInfo> events;
    EXPECT_EQ(S_OK, lib->GetTypeInfoOfGuid(DIID___Twain, events.put()));
    unique_bstr path;
    ASSERT_EQ(S_OK, ::QueryPathOfRegTypeLib(LIBID_Korvix, 1, 0, 0x0409, path.put()));
    EXPECT_TRUE(same_path(ocx_path(), path.get())) << path.get();
    // Both interfaces are known to COM, so their calls can be marshalled.
    EXPECT_EQ(kLibIdString, read_value(kInterfaceKey + L"\\TypeLib"));
    EXPECT_EQ(kLibIdString, read_value(kEventsKey + L"\\TypeLib"));
    EXPECT_TRUE(key_exists(kInterfaceKey + L"\\ProxyStubClsid32"));
    EXPECT_TRUE(key_exists(kEventsKey + L"\\ProxyStubClsid32"));
}

TEST_F(Registration, ComFindsTheClassObjectThroughTheRegistry) {
    com_ptr<IClassFactory> factory;
    ASSERT_EQ(S_OK, ::CoGetClassObject(CLSID_Twain, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                       factory.put_void()));
    EXPECT_TRUE(factory);
}

TEST_F(Registration, UnregisteringRemovesEverythingAndMayBeRepeated) {
    ASSERT_EQ(S_OK, module_.unregister_server());
    expect_nothing_registered();
    com_ptr<IClassFactory> factory;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, ::CoGetClassObject(CLSID_Twain, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                                      factory.put_void()));
    EXPECT_EQ(S_OK, module_.unregister_server()) << "nothing left to remove is not an error";
}

TEST_F(Registration, UnregisteringCopesWithPartlyRemovedEntries) {
    delete_key(kClsidKey + L"\\InprocServer32");
    delete_key(kTypeLibKey);  // the interfaces still point at the library
    EXPECT_EQ(S_OK, module_.unregister_server());
    expect_nothing_registered();
}

TEST_F(Registration, LeavesAProgIdThatAnotherClassTookOver) {
    const std::wstring other = L"{11111111-2222-3333-4444-555555555555}";
    write_value(std::wstring(kProgId) + L"\\CLSID", other);
    EXPECT_EQ(S_OK, module_.unregister_server());
    EXPECT_EQ(other, read_value(std::wstring(kProgId) + L"\\CLSID"));
    EXPECT_FALSE(key_exists(kClsidKey));
    delete_key(kProgId);
}

TEST_F(Registration, RegisteringAgainDropsStaleEntries) {
    write_value(kClsidKey + L"\\LocalServer32", L"C:\\old\\stale.exe");
    ASSERT_EQ(S_OK, module_.register_server());
    EXPECT_FALSE(key_exists(kClsidKey + L"\\LocalServer32"));
    EXPECT_EQ(L"Apartment", read_value(kClsidKey + L"\\InprocServer32", L"ThreadingModel"));
}

// regsvr32 is how installers register the module; under Wine it loads the
// module through a "\\?\" path, which must not reach the registry.
DWORD run_regsvr32(const std::wstring& arguments) {
    std::wstring command = L"regsvr32.exe /s " + arguments + L" \"" + ocx_path() + L"\"";
    STARTUPINFOW startup{sizeof(startup)};
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 0xFFFFFFFF;
    unique_handle process_handle(process.hProcess);
    unique_handle thread_handle(process.hThread);
    if (::WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) return 0xFFFFFFFE;
    DWORD code = 0xFFFFFFFD;
    ::GetExitCodeProcess(process.hProcess, &code);
    return code;
}

TEST_F(Registration, Regsvr32RegistersPlainPaths) {
    ASSERT_EQ(S_OK, module_.unregister_server());
    ASSERT_EQ(0u, run_regsvr32(L""));
    const auto server = read_value(kClsidKey + L"\\InprocServer32");
    ASSERT_TRUE(server);
    EXPECT_TRUE(same_path(ocx_path(), *server)) << *server;
    unique_bstr path;
    ASSERT_EQ(S_OK, ::QueryPathOfRegTypeLib(LIBID_Korvix, 1, 0, 0x0409, path.put()));
    EXPECT_TRUE(same_path(ocx_path(), path.get())) << path.get();

    ASSERT_EQ(0u, run_regsvr32(L"/u"));
    expect_nothing_registered();
}

}  // namespace
}  // namespace korvix::test
