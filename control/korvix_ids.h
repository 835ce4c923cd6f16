// Identifiers of the control's type library, class, interfaces and
// enumerations. Assigned once; never change them: hosts store them.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace korvix {

// {CD9BF7A1-9733-4061-BF2F-DF2FFBAA705C}
constexpr GUID LIBID_Korvix = {0xcd9bf7a1, 0x9733, 0x4061, {0xbf, 0x2f, 0xdf, 0x2f, 0xfb, 0xaa, 0x70, 0x5c}};
// {CB8D520D-E46A-4059-B779-135030ADEFEE}
constexpr GUID CLSID_Twain = {0xcb8d520d, 0xe46a, 0x4059, {0xb7, 0x79, 0x13, 0x50, 0x30, 0xad, 0xef, 0xee}};
// {8F53E9FE-B49F-4262-B08D-B82103AD4DEE}
constexpr GUID IID__Twain = {0x8f53e9fe, 0xb49f, 0x4262, {0xb0, 0x8d, 0xb8, 0x21, 0x03, 0xad, 0x4d, 0xee}};
// {23BDACDB-285A-4F9B-BE8E-9BB0B16E644F}
constexpr GUID DIID___Twain = {0x23bdacdb, 0x285a, 0x4f9b, {0xbe, 0x8e, 0x9b, 0xb0, 0xb1, 0x6e, 0x64, 0x4f}};
// {B9792DE2-3EFA-4CE1-A365-ECA582FAAD93}
constexpr GUID GUID_IMAGE_COLORTYPE = {0xb9792de2, 0x3efa, 0x4ce1, {0xa3, 0x65, 0xec, 0xa5, 0x82, 0xfa, 0xad, 0x93}};
// {707CFEE2-F9F1-4CEB-9E91-6D7D1675A5E0}
constexpr GUID GUID_IMAGE_TYPE = {0x707cfee2, 0xf9f1, 0x4ceb, {0x9e, 0x91, 0x6d, 0x7d, 0x16, 0x75, 0xa5, 0xe0}};
// {782E7EB1-18DF-4E5E-8FD0-37619BAFD6BF}
constexpr GUID GUID_FIT_TYPE = {0x782e7eb1, 0x18df, 0x4e5e, {0x8f, 0xd0, 0x37, 0x61, 0x9b, 0xaf, 0xd6, 0xbf}};

// The type library describes the module it is built into: each bitness
// registers its own (win32 or win64 below the library's key), so a 64-bit
// and a 32-bit module register side by side and each host finds its own.
#ifdef _WIN64
constexpr SYSKIND kTypeLibSysKind = SYS_WIN64;
#else
constexpr SYSKIND kTypeLibSysKind = SYS_WIN32;
#endif

constexpr const wchar_t* kLibIdString = L"{CD9BF7A1-9733-4061-BF2F-DF2FFBAA705C}";
constexpr const wchar_t* kClsidString = L"{CB8D520D-E46A-4059-B779-135030ADEFEE}";
constexpr const wchar_t* kProgId = L"Korvix.Twain";

// DISPIDs of _Twain.
enum TwainDispId : LONG {
    DISPID_Twain_Scrollable = 0x68030000,
    DISPID_Twain_ShowInterface = 0x68030001,
    DISPID_Twain_ShowProgress = 0x68030002,
    DISPID_Twain_filename = 0x68030003,
    DISPID_Twain_Resolution = 0x68030004,
    DISPID_Twain_ColorType = 0x68030005,
    DISPID_Twain_ToolTipText = 0x68030006,
    DISPID_Twain_AutoRedraw = 0x68030007,
    DISPID_Twain_BitmapHeight = 0x68030008,
    DISPID_Twain_BitmapWidth = 0x68030009,
    DISPID_Twain_Picture = 0x6803000A,
    DISPID_Twain_MousePointer = 0x6803000B,
    DISPID_Twain_MouseIcon = 0x6803000C,
    DISPID_Twain_hwnd = 0x6803000D,
    DISPID_Twain_hDC = 0x6803000E,
    DISPID_Twain_Enabled = 0x6803000F,
    DISPID_Twain_BackColor = 0x68030010,
    DISPID_Twain_BorderStyle = 0x68030011,
    DISPID_Twain_FileType = 0x68030012,
    DISPID_Twain_About = 0x60030013,
    DISPID_Twain_Refresh = 0x60030014,
    DISPID_Twain_Scan = 0x60030015,
    DISPID_Twain_SelectSource = 0x60030016,
    DISPID_Twain_Save = 0x60030017,
    DISPID_Twain_Load = 0x60030018,
    DISPID_Twain_ShowSave = 0x60030019,
    DISPID_Twain_ShowLoad = 0x6003001A,
};

// DISPIDs of the event interface __Twain.
enum TwainEventId : LONG {
    DISPID_TwainEvent_Paint = 1,
    DISPID_TwainEvent_Click = 2,
    DISPID_TwainEvent_Resize = 3,
    DISPID_TwainEvent_Scroll = 4,
    DISPID_TwainEvent_DblClick = 5,
    DISPID_TwainEvent_KeyPress = 6,
    DISPID_TwainEvent_KeyUp = 7,
    DISPID_TwainEvent_KeyDown = 8,
    DISPID_TwainEvent_MouseUp = 9,
    DISPID_TwainEvent_MouseDown = 10,
    DISPID_TwainEvent_MouseMove = 11,
    DISPID_TwainEvent_Progress = 12,
};

// OLEMISC flags the class registers.
constexpr DWORD kTwainMiscStatus = 0x00020191;

}  // namespace korvix
