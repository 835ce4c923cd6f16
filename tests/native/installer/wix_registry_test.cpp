// The rows the package writes for what the module registered: references to
// the installed file and folder, literal text kept literal for the
// installer's formatter and for XML, and what a Registry row cannot hold.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "installer/harvest/wix_registry.h"

namespace korvix::installer {
namespace {

const std::vector<location_reference> kInstalled = {
    {L"Z:\\build\\control\\korvixlite.ocx", L"[#Control32File]"},
    {L"Z:\\build\\control\\", L"[SystemFolder]"},
};

std::string row(const std::wstring& key, const std::wstring& name, const std::wstring& data) {
    const std::string text = wix_registry_include({{key, name, data}}, kInstalled);
    const size_t begin = text.find("  <RegistryValue");
    const size_t end = text.find("/>\n", begin);
    return begin == std::string::npos || end == std::string::npos ? text : text.substr(begin + 2, end + 2 - begin - 2);
}

struct Case {
    const char* what;
    std::wstring key, name, data;
    std::string expected;
};

TEST(WixRegistry, EachValueBecomesOneRowThatWritesItBack) {
    const Case cases[] = {
        {"default value", L"CLSID\\{CB8D}", L"", L"Korvix Twain Control",
         R"(<RegistryValue Root="HKCR" Key="CLSID\{CB8D}" Type="string" Value="Korvix Twain Control"/>)"},
        {"named value", L"CLSID\\{CB8D}\\InprocServer32", L"ThreadingModel", L"Apartment",
         R"(<RegistryValue Root="HKCR" Key="CLSID\{CB8D}\InprocServer32" Name="ThreadingModel" Type="string" Value="Apartment"/>)"},
        {"empty default value: a key that only exists", L"CLSID\\{CB8D}\\Control", L"", L"",
         R"(<RegistryValue Root="HKCR" Key="CLSID\{CB8D}\Control" Type="string" Value=""/>)"},
        {"the module's path, in any case", L"K", L"", L"z:\\BUILD\\control\\KORVIXLITE.ocx",
         R"(<RegistryValue Root="HKCR" Key="K" Type="string" Value="[#Control32File]"/>)"},
        {"the path inside other text", L"K", L"", L"Z:\\build\\control\\korvixlite.ocx, 30000",
         R"(<RegistryValue Root="HKCR" Key="K" Type="string" Value="[#Control32File], 30000"/>)"},
        {"the folder with its backslash", L"K", L"", L"Z:\\build\\control\\help.hlp",
         R"(<RegistryValue Root="HKCR" Key="K" Type="string" Value="[SystemFolder]help.hlp"/>)"},
        {"the folder without its backslash, as a whole value", L"K", L"HELPDIR", L"Z:\\build\\control",
         R"(<RegistryValue Root="HKCR" Key="K" Name="HELPDIR" Type="string" Value="[SystemFolder]"/>)"},
        {"a longer name that starts like the folder stays", L"K", L"", L"Z:\\build\\controls",
         R"(<RegistryValue Root="HKCR" Key="K" Type="string" Value="Z:\build\controls"/>)"},
        {"braces alone are literal to the installer", L"K", L"", L"{CD9BF7A1-9733}",
         R"(<RegistryValue Root="HKCR" Key="K" Type="string" Value="{CD9BF7A1-9733}"/>)"},
        {"brackets are escaped, and braces beside them", L"K", L"", L"{[x]}",
         R"(<RegistryValue Root="HKCR" Key="K" Type="string" Value="[\{][\[]x[\]][\}]"/>)"},
        {"braces around a reference are escaped", L"K", L"", L"{Z:\\build\\control\\korvixlite.ocx}",
         R"(<RegistryValue Root="HKCR" Key="K" Type="string" Value="[\{][#Control32File][\}]"/>)"},
        {"XML specials and text beyond ASCII", L"K&<>", L"\"n\"", L"\u00e9\u20ac",
         "<RegistryValue Root=\"HKCR\" Key=\"K&amp;&lt;&gt;\" Name=\"&quot;n&quot;\" Type=\"string\" "
         "Value=\"\xc3\xa9\xe2\x82\xac\"/>"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, row(c.key, c.name, c.data)) << c.what;
}

TEST(WixRegistry, RefusesWhatARegistryRowCannotHold) {
    const registry_entry refused[] = {
        {L"", L"", L"value without a key"},
        {L"K", L"+", L""},  // an empty +, - or * is a key action, not a value
        {L"K", L"-", L""},
        {L"K", L"*", L""},
        {L"K", L"", std::wstring(L"a\0b", 3)},
    };
    for (const auto& e : refused)
        EXPECT_THROW(wix_registry_include({e}, kInstalled), std::invalid_argument) << std::string(e.name.begin(), e.name.end());
    EXPECT_NO_THROW(wix_registry_include({{L"K", L"+", L"data"}}, kInstalled));
}

}  // namespace
}  // namespace korvix::installer
