// What the Korvix type library declares, row by row. The generator turns
// these rows into type descriptions. kTwainMembers is in the vtable order of
// korvix::ITwain (control/twain_interface.h): the control's IDispatch runs
// ITypeInfo::Invoke against this library, so the two must stay in step.
#pragma once

#include "control/korvix_ids.h"

namespace korvix::typelib {

// Automation types used by the library; the generator maps each to a TYPEDESC.
enum class value_type {
    none,            // methods: no value
    integer,         // VT_I2
    long_integer,    // VT_I4
    single,          // VT_R4
    boolean,         // VT_BOOL
    string,          // VT_BSTR
    ole_color,       // stdole OLE_COLOR alias
    picture,         // pointer to the stdole Picture dispinterface
    image_type,      // IMAGE_TYPE enumeration
    image_colortype  // IMAGE_COLORTYPE enumeration
};

enum class member_kind { get, let, set, method };

constexpr unsigned long kNoHelpContext = 0;

struct member_row {
    const wchar_t* name;
    member_kind kind;
    LONG dispid;
    value_type type;            // property type; none for methods
    bool dialog_params;         // takes sFilter, sTitle, sInitDir
    unsigned long help_context;
    const wchar_t* help;        // nullptr: no help string
};

// Help texts shared by a property's read and write.
namespace help {
constexpr const wchar_t* FileType = L"Set image type for to save in to file.";
constexpr const wchar_t* BackColor = L"Sets the background color of the bitmap.";
constexpr const wchar_t* BitmapWidth = L"Gets the width of the bitmap, in pixel.";
constexpr const wchar_t* BitmapHeight = L"Gets the height of the bitmap, in pixel.";
constexpr const wchar_t* AutoRedraw = L"Enables automatic repainting of the bitmap.";
constexpr const wchar_t* ColorType = L"Set color type for acquisition from scanner devices.";
constexpr const wchar_t* Resolution = L"Set resolution value for acquisition from scanner devices.";
constexpr const wchar_t* filename = L"Name of file for to save or load operations.";
constexpr const wchar_t* ShowProgress =
    L"Enables show standard progress dialog when during acquisition form scanner devices.";
constexpr const wchar_t* ShowInterface = L"Enables show standard dialog for acquisition form scanner devices.";
constexpr const wchar_t* Scrollable = L"Enables automatic implementation of scroll bars.";
}  // namespace help

using K = member_kind;
using T = value_type;

constexpr member_row kTwainMembers[] = {
    {L"FileType", K::get, DISPID_Twain_FileType, T::image_type, false, 37, help::FileType},
    {L"BorderStyle", K::get, DISPID_Twain_BorderStyle, T::integer, false, kNoHelpContext, nullptr},
    {L"BorderStyle", K::let, DISPID_Twain_BorderStyle, T::integer, false, kNoHelpContext, nullptr},
    {L"BackColor", K::get, DISPID_Twain_BackColor, T::ole_color, false, 33, help::BackColor},
    {L"BackColor", K::let, DISPID_Twain_BackColor, T::ole_color, false, 33, help::BackColor},
    {L"Enabled", K::get, DISPID_Twain_Enabled, T::boolean, false, kNoHelpContext, nullptr},
    {L"Enabled", K::let, DISPID_Twain_Enabled, T::boolean, false, kNoHelpContext, nullptr},
    {L"hDC", K::get, DISPID_Twain_hDC, T::long_integer, false, kNoHelpContext, nullptr},
    {L"hwnd", K::get, DISPID_Twain_hwnd, T::long_integer, false, kNoHelpContext, nullptr},
    {L"MouseIcon", K::get, DISPID_Twain_MouseIcon, T::picture, false, kNoHelpContext, nullptr},
    {L"MouseIcon", K::set, DISPID_Twain_MouseIcon, T::picture, false, kNoHelpContext, nullptr},
    {L"MousePointer", K::get, DISPID_Twain_MousePointer, T::integer, false, kNoHelpContext, nullptr},
    {L"MousePointer", K::let, DISPID_Twain_MousePointer, T::integer, false, kNoHelpContext, nullptr},
    {L"Picture", K::get, DISPID_Twain_Picture, T::picture, false, kNoHelpContext, nullptr},
    {L"Picture", K::set, DISPID_Twain_Picture, T::picture, false, kNoHelpContext, nullptr},
    {L"BitmapWidth", K::get, DISPID_Twain_BitmapWidth, T::long_integer, false, 9, help::BitmapWidth},
    {L"BitmapHeight", K::get, DISPID_Twain_BitmapHeight, T::long_integer, false, 8, help::BitmapHeight},
    {L"AutoRedraw", K::get, DISPID_Twain_AutoRedraw, T::boolean, false, 32, help::AutoRedraw},
    {L"AutoRedraw", K::let, DISPID_Twain_AutoRedraw, T::boolean, false, 32, help::AutoRedraw},
    {L"ToolTipText", K::get, DISPID_Twain_ToolTipText, T::string, false, kNoHelpContext, nullptr},
    {L"ToolTipText", K::let, DISPID_Twain_ToolTipText, T::string, false, kNoHelpContext, nullptr},
    {L"ColorType", K::get, DISPID_Twain_ColorType, T::image_colortype, false, 35, help::ColorType},
    {L"ColorType", K::let, DISPID_Twain_ColorType, T::image_colortype, false, 35, help::ColorType},
    {L"Resolution", K::get, DISPID_Twain_Resolution, T::integer, false, 46, help::Resolution},
    {L"Resolution", K::let, DISPID_Twain_Resolution, T::integer, false, 46, help::Resolution},
    {L"filename", K::get, DISPID_Twain_filename, T::string, false, 36, help::filename},
    {L"filename", K::let, DISPID_Twain_filename, T::string, false, 36, help::filename},
    {L"ShowProgress", K::get, DISPID_Twain_ShowProgress, T::boolean, false, 40, help::ShowProgress},
    {L"ShowProgress", K::let, DISPID_Twain_ShowProgress, T::boolean, false, 40, help::ShowProgress},
    {L"ShowInterface", K::get, DISPID_Twain_ShowInterface, T::boolean, false, 39, help::ShowInterface},
    {L"ShowInterface", K::let, DISPID_Twain_ShowInterface, T::boolean, false, 39, help::ShowInterface},
    {L"Scrollable", K::get, DISPID_Twain_Scrollable, T::boolean, false, 47, help::Scrollable},
    {L"Scrollable", K::let, DISPID_Twain_Scrollable, T::boolean, false, 47, help::Scrollable},
    {L"About", K::method, DISPID_Twain_About, T::none, false, kNoHelpContext, nullptr},
    {L"Refresh", K::method, DISPID_Twain_Refresh, T::none, false, 0, L"Ridisegna completamente un oggetto."},
    {L"Scan", K::method, DISPID_Twain_Scan, T::none, false, 26, L"Load one images from a image scanner devices."},
    {L"SelectSource", K::method, DISPID_Twain_SelectSource, T::none, false, 27, L"Select a devices of image scanner."},
    {L"Save", K::method, DISPID_Twain_Save, T::none, false, 25, L"Save the current images in to a file."},
    {L"Load", K::method, DISPID_Twain_Load, T::none, false, 24, L"Load one images from a file."},
    {L"ShowSave", K::method, DISPID_Twain_ShowSave, T::none, true, 29,
     L"Save current bitmap in to file with standard dialog interface."},
    {L"ShowLoad", K::method, DISPID_Twain_ShowLoad, T::none, true, 28,
     L"Select a file to load with standard dialog interface."},
};
static_assert(sizeof(kTwainMembers) / sizeof(kTwainMembers[0]) == 41, "ITwain has 41 vtable entries");

// The optional by-reference string parameters of ShowSave and ShowLoad.
constexpr const wchar_t* kDialogParamNames[] = {L"sFilter", L"sTitle", L"sInitDir"};

struct event_param {
    const wchar_t* name;
    value_type type;
    bool by_ref;  // [in, out] pointer: the handler may change the value
};

struct event_row {
    const wchar_t* name;
    LONG dispid;
    event_param params[4];
    unsigned param_count;
    unsigned long help_context;
    const wchar_t* help;
};

constexpr event_param kMouseParams[4] = {
    {L"Button", T::integer, true}, {L"Shift", T::integer, true}, {L"x", T::single, true}, {L"y", T::single, true}};

constexpr event_row kTwainEvents[] = {
    {L"Paint", DISPID_TwainEvent_Paint, {}, 0, kNoHelpContext, nullptr},
    {L"Click", DISPID_TwainEvent_Click, {}, 0, kNoHelpContext, nullptr},
    {L"Resize", DISPID_TwainEvent_Resize, {}, 0, kNoHelpContext, nullptr},
    {L"Scroll", DISPID_TwainEvent_Scroll, {}, 0, 43, L"Occurs when move the view with scrollbar."},
    {L"DblClick", DISPID_TwainEvent_DblClick, {}, 0, kNoHelpContext, nullptr},
    {L"KeyPress", DISPID_TwainEvent_KeyPress, {{L"KeyAscii", T::integer, true}}, 1, kNoHelpContext, nullptr},
    {L"KeyUp", DISPID_TwainEvent_KeyUp, {{L"KeyCode", T::integer, true}, {L"Shift", T::integer, true}}, 2,
     kNoHelpContext, nullptr},
    {L"KeyDown", DISPID_TwainEvent_KeyDown, {{L"KeyCode", T::integer, true}, {L"Shift", T::integer, true}}, 2,
     kNoHelpContext, nullptr},
    {L"MouseUp", DISPID_TwainEvent_MouseUp, {kMouseParams[0], kMouseParams[1], kMouseParams[2], kMouseParams[3]}, 4,
     kNoHelpContext, nullptr},
    {L"MouseDown", DISPID_TwainEvent_MouseDown,
     {kMouseParams[0], kMouseParams[1], kMouseParams[2], kMouseParams[3]}, 4, kNoHelpContext, nullptr},
    {L"MouseMove", DISPID_TwainEvent_MouseMove,
     {kMouseParams[0], kMouseParams[1], kMouseParams[2], kMouseParams[3]}, 4, kNoHelpContext, nullptr},
    {L"Progress", DISPID_TwainEvent_Progress, {{L"Percent", T::integer, false}}, 1, 42,
     L"Occurs during a acquisition."},
};

struct enum_constant {
    const wchar_t* name;
    int value;
};

struct enum_row {
    const wchar_t* name;
    GUID guid;
    enum_constant constants[4];
    unsigned count;
};

// In library order: IMAGE_COLORTYPE, IMAGE_TYPE, FIT_TYPE.
constexpr enum_row kEnums[] = {
    {L"IMAGE_COLORTYPE", GUID_IMAGE_COLORTYPE, {{L"twGrayScale", 1}}, 1},
    {L"IMAGE_TYPE", GUID_IMAGE_TYPE, {{L"twBITMAP", 0}}, 1},
    {L"FIT_TYPE",
     GUID_FIT_TYPE,
     {{L"twFITNONE", 0}, {L"twFITINTO", 1}, {L"twFITWIDTH", 2}, {L"twFITSTRECH", 3}},
     4},
};

}  // namespace korvix::typelib
