// The contract of the Korvix library as hosts rely on it, written out on its
// own (not taken from the generator's table) so the two can disagree.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace korvix::test {

struct expected_member {
    const wchar_t* name;
    INVOKEKIND kind;
    MEMBERID id;
    const wchar_t* type;  // the property's type; nullptr for methods
    DWORD context;
    const wchar_t* help;  // L"" when there is none
};

constexpr INVOKEKIND GET = INVOKE_PROPERTYGET;
constexpr INVOKEKIND LET = INVOKE_PROPERTYPUT;
constexpr INVOKEKIND SET = INVOKE_PROPERTYPUTREF;
constexpr INVOKEKIND CALL = INVOKE_FUNC;

// In vtable order.
constexpr expected_member kMembers[] = {
    {L"FileType", GET, 0x68030012, L"IMAGE_TYPE", 37, L"Set image type for to save in to file."},
    {L"BorderStyle", GET, 0x68030011, L"I2", 0, L""},
    {L"BorderStyle", LET, 0x68030011, L"I2", 0, L""},
    {L"BackColor", GET, 0x68030010, L"OLE_COLOR", 33, L"Sets the background color of the bitmap."},
    {L"BackColor", LET, 0x68030010, L"OLE_COLOR", 33, L"Sets the background color of the bitmap."},
    {L"Enabled", GET, 0x6803000F, L"BOOL", 0, L""},
    {L"Enabled", LET, 0x6803000F, L"BOOL", 0, L""},
    {L"hDC", GET, 0x6803000E, L"I4", 0, L""},
    {L"hwnd", GET, 0x6803000D, L"I4", 0, L""},
    {L"MouseIcon", GET, 0x6803000C, L"PTR Picture", 0, L""},
    {L"MouseIcon", SET, 0x6803000C, L"PTR Picture", 0, L""},
    {L"MousePointer", GET, 0x6803000B, L"I2", 0, L""},
    {L"MousePointer", LET, 0x6803000B, L"I2", 0, L""},
    {L"Picture", GET, 0x6803000A, L"PTR Picture", 0, L""},
    {L"Picture", SET, 0x6803000A, L"PTR Picture", 0, L""},
    {L"BitmapWidth", GET, 0x68030009, L"I4", 9, L"Gets the width of the bitmap, in pixel."},
    {L"BitmapHeight", GET, 0x68030008, L"I4", 8, L"Gets the height of the bitmap, in pixel."},
    {L"AutoRedraw", GET, 0x68030007, L"BOOL", 32, L"Enables automatic repainting of the bitmap."},
    {L"AutoRedraw", LET, 0x68030007, L"BOOL", 32, L"Enables automatic repainting of the bitmap."},
    {L"ToolTipText", GET, 0x68030006, L"BSTR", 0, L""},
    {L"ToolTipText", LET, 0x68030006, L"BSTR", 0, L""},
    {L"ColorType", GET, 0x68030005, L"IMAGE_COLORTYPE", 35, L"Set color type for acquisition from scanner devices."},
    {L"ColorType", LET, 0x68030005, L"IMAGE_COLORTYPE", 35, L"Set color type for acquisition from scanner devices."},
    {L"Resolution", GET, 0x68030004, L"I2", 46, L"Set resolution value for acquisition from scanner devices."},
    {L"Resolution", LET, 0x68030004, L"I2", 46, L"Set resolution value for acquisition from scanner devices."},
    {L"filename", GET, 0x68030003, L"BSTR", 36, L"Name of file for to save or load operations."},
    {L"filename", LET, 0x68030003, L"BSTR", 36, L"Name of file for to save or load operations."},
    {L"ShowProgress", GET, 0x68030002, L"BOOL", 40,
     L"Enables show standard progress dialog when during acquisition form scanner devices."},
    {L"ShowProgress", LET, 0x68030002, L"BOOL", 40,
     L"Enables show standard progress dialog when during acquisition form scanner devices."},
    {L"ShowInterface", GET, 0x68030001, L"BOOL", 39,
     L"Enables show standard dialog for acquisition form scanner devices."},
    {L"ShowInterface", LET, 0x68030001, L"BOOL", 39,
     L"Enables show standard dialog for acquisition form scanner devices."},
    {L"Scrollable", GET, 0x68030000, L"BOOL", 47, L"Enables automatic implementation of scroll bars."},
    {L"Scrollable", LET, 0x68030000, L"BOOL", 47, L"Enables automatic implementation of scroll bars."},
    {L"About", CALL, 0x60030013, nullptr, 0, L""},
    {L"Refresh", CALL, 0x60030014, nullptr, 0, L"Ridisegna completamente un oggetto."},
    {L"Scan", CALL, 0x60030015, nullptr, 26, L"Load one images from a image scanner devices."},
    {L"SelectSource", CALL, 0x60030016, nullptr, 27, L"Select a devices of image scanner."},
    {L"Save", CALL, 0x60030017, nullptr, 25, L"Save the current images in to a file."},
    {L"Load", CALL, 0x60030018, nullptr, 24, L"Load one images from a file."},
    {L"ShowSave", CALL, 0x60030019, nullptr, 29, L"Save current bitmap in to file with standard dialog interface."},
    {L"ShowLoad", CALL, 0x6003001A, nullptr, 28, L"Select a file to load with standard dialog interface."},
};
constexpr UINT kMemberCount = sizeof(kMembers) / sizeof(kMembers[0]);

inline bool takes_dialog_strings(const expected_member& m) {
    return m.kind == CALL && (m.id == 0x60030019 || m.id == 0x6003001A);
}

struct expected_param {
    const wchar_t* name;
    const wchar_t* type;
    USHORT flags;
};

struct expected_event {
    const wchar_t* name;
    MEMBERID id;
    expected_param params[4];
    UINT count;
    DWORD context;
    const wchar_t* help;
};

constexpr USHORT IN_OUT = PARAMFLAG_FIN | PARAMFLAG_FOUT;
constexpr expected_param kButton{L"Button", L"PTR I2", IN_OUT}, kShift{L"Shift", L"PTR I2", IN_OUT},
    kX{L"x", L"PTR R4", IN_OUT}, kY{L"y", L"PTR R4", IN_OUT};

constexpr expected_event kEvents[] = {
    {L"Paint", 1, {}, 0, 0, L""},
    {L"Click", 2, {}, 0, 0, L""},
    {L"Resize", 3, {}, 0, 0, L""},
    {L"Scroll", 4, {}, 0, 43, L"Occurs when move the view with scrollbar."},
    {L"DblClick", 5, {}, 0, 0, L""},
    {L"KeyPress", 6, {{L"KeyAscii", L"PTR I2", IN_OUT}}, 1, 0, L""},
    {L"KeyUp", 7, {{L"KeyCode", L"PTR I2", IN_OUT}, kShift}, 2, 0, L""},
    {L"KeyDown", 8, {{L"KeyCode", L"PTR I2", IN_OUT}, kShift}, 2, 0, L""},
    {L"MouseUp", 9, {kButton, kShift, kX, kY}, 4, 0, L""},
    {L"MouseDown", 10, {kButton, kShift, kX, kY}, 4, 0, L""},
    {L"MouseMove", 11, {kButton, kShift, kX, kY}, 4, 0, L""},
    {L"Progress", 12, {{L"Percent", L"I2", PARAMFLAG_FIN}}, 1, 42, L"Occurs during a acquisition."},
};

}  // namespace korvix::test
