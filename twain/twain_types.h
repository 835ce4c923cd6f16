// TWAIN 1.x records and constants under the standard's names, in the
// standard's packing (2-byte alignment). Portable: no Windows headers, so the
// protocol engine and the data sources can be built and tested natively.
// TW_HANDLE and TW_MEMREF are pointer-sized: 4 bytes in the 32-bit module, 8
// in the 64-bit one, as in the TWAIN 2 headers for 64-bit Windows; the table
// below the records holds the sizes of both targets.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace korvix::twain {

using TW_INT8 = std::int8_t;
using TW_INT16 = std::int16_t;
using TW_INT32 = std::int32_t;
using TW_UINT8 = std::uint8_t;
using TW_UINT16 = std::uint16_t;
using TW_UINT32 = std::uint32_t;
using TW_BOOL = std::uint16_t;
using TW_HANDLE = void*;
using TW_MEMREF = void*;
using TW_STR32 = char[34];

// The calling convention of the functions a source manager hands out
// (WINAPI: stdcall on 32-bit Windows, the platform's only one elsewhere).
#if defined(_WIN32) && !defined(_WIN64)
#define KORVIX_TWAIN_CALL __stdcall
#else
#define KORVIX_TWAIN_CALL
#endif

struct TW_IDENTITY;
using DSMENTRYPROC = std::uint16_t(KORVIX_TWAIN_CALL*)(TW_IDENTITY*, TW_IDENTITY*, std::uint32_t, std::uint16_t,
                                                       std::uint16_t, void*);
using DSM_MEMALLOCATE = void*(KORVIX_TWAIN_CALL*)(std::uint32_t);
using DSM_MEMFREE = void(KORVIX_TWAIN_CALL*)(void*);
using DSM_MEMLOCK = void*(KORVIX_TWAIN_CALL*)(void*);
using DSM_MEMUNLOCK = void(KORVIX_TWAIN_CALL*)(void*);

#pragma pack(push, 2)

struct TW_FIX32 {
    TW_INT16 Whole;
    TW_UINT16 Frac;
};

struct TW_VERSION {
    TW_UINT16 MajorNum;
    TW_UINT16 MinorNum;
    TW_UINT16 Language;
    TW_UINT16 Country;
    TW_STR32 Info;
};

struct TW_IDENTITY {
    TW_UINT32 Id;
    TW_VERSION Version;
    TW_UINT16 ProtocolMajor;
    TW_UINT16 ProtocolMinor;
    TW_UINT32 SupportedGroups;
    TW_STR32 Manufacturer;
    TW_STR32 ProductFamily;
    TW_STR32 ProductName;
};

struct TW_ONEVALUE {
    TW_UINT16 ItemType;
    TW_UINT32 Item;
};

struct TW_RANGE {
    TW_UINT16 ItemType;
    TW_UINT32 MinValue;
    TW_UINT32 MaxValue;
    TW_UINT32 StepSize;
    TW_UINT32 DefaultValue;
    TW_UINT32 CurrentValue;
};

// Followed by NumItems items of ItemType's size.
struct TW_ENUMERATION {
    TW_UINT16 ItemType;
    TW_UINT32 NumItems;
    TW_UINT32 CurrentIndex;
    TW_UINT32 DefaultIndex;
};

// Followed by NumItems items of ItemType's size.
struct TW_ARRAY {
    TW_UINT16 ItemType;
    TW_UINT32 NumItems;
};

struct TW_CAPABILITY {
    TW_UINT16 Cap;
    TW_UINT16 ConType;
    TW_HANDLE hContainer;
};

struct TW_FRAME {
    TW_FIX32 Left;
    TW_FIX32 Top;
    TW_FIX32 Right;
    TW_FIX32 Bottom;
};

struct TW_IMAGELAYOUT {
    TW_FRAME Frame;
    TW_UINT32 DocumentNumber;
    TW_UINT32 PageNumber;
    TW_UINT32 FrameNumber;
};

struct TW_USERINTERFACE {
    TW_BOOL ShowUI;
    TW_BOOL ModalUI;
    TW_HANDLE hParent;
};

struct TW_EVENT {
    TW_MEMREF pEvent;
    TW_UINT16 TWMessage;
};

struct TW_PENDINGXFERS {
    TW_UINT16 Count;
    TW_UINT32 EOJ;
};

struct TW_IMAGEINFO {
    TW_FIX32 XResolution;
    TW_FIX32 YResolution;
    TW_INT32 ImageWidth;
    TW_INT32 ImageLength;
    TW_INT16 SamplesPerPixel;
    TW_INT16 BitsPerSample[8];
    TW_INT16 BitsPerPixel;
    TW_BOOL Planar;
    TW_INT16 PixelType;
    TW_UINT16 Compression;
};

struct TW_STATUS {
    TW_UINT16 ConditionCode;
    TW_UINT16 Reserved;
};

// DAT_ENTRYPOINT (TWAIN 2): the source manager's entry and its memory
// functions, for every block the application and its sources share.
struct TW_ENTRYPOINT {
    TW_UINT32 Size;
    DSMENTRYPROC DSM_Entry;
    DSM_MEMALLOCATE DSM_MemAllocate;
    DSM_MEMFREE DSM_MemFree;
    DSM_MEMLOCK DSM_MemLock;
    DSM_MEMUNLOCK DSM_MemUnlock;
};

#pragma pack(pop)

// Record layouts of both Windows targets, worked out field by field from the
// standard's definitions with 2-byte packing: every TW_HANDLE and TW_MEMREF
// is 4 bytes on i686 and 8 on x86_64, which moves whatever follows it; the
// other records are the same on both. Checked in every build (the native one
// is x86_64 too).
namespace record_layout {
constexpr bool kPointer64 = sizeof(void*) == 8;
static_assert(sizeof(void*) == 4 || kPointer64, "TWAIN records are laid out for 32-bit and 64-bit pointers only");
constexpr std::size_t on_target(std::size_t i686, std::size_t x86_64) { return kPointer64 ? x86_64 : i686; }
}  // namespace record_layout

//                                                            i686  x86_64
static_assert(sizeof(TW_FIX32) == record_layout::on_target(      4,    4), "TW_FIX32 layout");
static_assert(sizeof(TW_VERSION) == record_layout::on_target(   42,   42), "TW_VERSION layout");
static_assert(sizeof(TW_IDENTITY) == record_layout::on_target( 156,  156), "TW_IDENTITY layout");
static_assert(sizeof(TW_ONEVALUE) == record_layout::on_target(   6,    6), "TW_ONEVALUE layout");
static_assert(sizeof(TW_RANGE) == record_layout::on_target(     22,   22), "TW_RANGE layout");
static_assert(sizeof(TW_ENUMERATION) == record_layout::on_target(14,  14), "TW_ENUMERATION layout");
static_assert(sizeof(TW_ARRAY) == record_layout::on_target(      6,    6), "TW_ARRAY layout");
static_assert(sizeof(TW_CAPABILITY) == record_layout::on_target( 8,   12), "TW_CAPABILITY layout");
static_assert(sizeof(TW_FRAME) == record_layout::on_target(     16,   16), "TW_FRAME layout");
static_assert(sizeof(TW_IMAGELAYOUT) == record_layout::on_target(28,  28), "TW_IMAGELAYOUT layout");
static_assert(sizeof(TW_USERINTERFACE) == record_layout::on_target(8, 12), "TW_USERINTERFACE layout");
static_assert(sizeof(TW_EVENT) == record_layout::on_target(      6,   10), "TW_EVENT layout");
static_assert(sizeof(TW_PENDINGXFERS) == record_layout::on_target(6,   6), "TW_PENDINGXFERS layout");
static_assert(sizeof(TW_IMAGEINFO) == record_layout::on_target( 42,   42), "TW_IMAGEINFO layout");
static_assert(sizeof(TW_STATUS) == record_layout::on_target(     4,    4), "TW_STATUS layout");
static_assert(sizeof(TW_ENTRYPOINT) == record_layout::on_target(24,   44), "TW_ENTRYPOINT layout");
// Where the pointer members sit, and what follows them.
static_assert(offsetof(TW_IDENTITY, SupportedGroups) == 50 && offsetof(TW_IDENTITY, ProductName) == 122,
              "TW_IDENTITY fields");
static_assert(offsetof(TW_ONEVALUE, Item) == 2 && offsetof(TW_ENUMERATION, DefaultIndex) == 10, "container fields");
static_assert(offsetof(TW_CAPABILITY, hContainer) == 4, "TW_CAPABILITY.hContainer");
static_assert(offsetof(TW_USERINTERFACE, hParent) == 4, "TW_USERINTERFACE.hParent");
static_assert(offsetof(TW_EVENT, pEvent) == 0, "TW_EVENT.pEvent");
static_assert(offsetof(TW_EVENT, TWMessage) == record_layout::on_target(4, 8), "TW_EVENT.TWMessage");
static_assert(offsetof(TW_PENDINGXFERS, EOJ) == 2, "TW_PENDINGXFERS.EOJ");
static_assert(offsetof(TW_ENTRYPOINT, DSM_Entry) == 4 &&
                  offsetof(TW_ENTRYPOINT, DSM_MemUnlock) == record_layout::on_target(20, 36),
              "TW_ENTRYPOINT fields");
static_assert(offsetof(TW_IMAGEINFO, BitsPerPixel) == 34 && offsetof(TW_IMAGEINFO, Compression) == 40,
              "TW_IMAGEINFO fields");

// Data groups, and the flags of SupportedGroups that tell TWAIN 2 parties
constexpr TW_UINT32 DG_CONTROL = 0x0001;
constexpr TW_UINT32 DG_IMAGE = 0x0002;
constexpr TW_UINT32 DF_DSM2 = 0x10000000;
constexpr TW_UINT32 DF_APP2 = 0x20000000;
constexpr TW_UINT32 DF_DS2 = 0x40000000;

// Data argument types
constexpr TW_UINT16 DAT_NULL = 0x0000;
constexpr TW_UINT16 DAT_CAPABILITY = 0x0001;
constexpr TW_UINT16 DAT_EVENT = 0x0002;
constexpr TW_UINT16 DAT_IDENTITY = 0x0003;
constexpr TW_UINT16 DAT_PARENT = 0x0004;
constexpr TW_UINT16 DAT_PENDINGXFERS = 0x0005;
constexpr TW_UINT16 DAT_STATUS = 0x0008;
constexpr TW_UINT16 DAT_USERINTERFACE = 0x0009;
constexpr TW_UINT16 DAT_IMAGEINFO = 0x0101;
constexpr TW_UINT16 DAT_IMAGELAYOUT = 0x0102;
constexpr TW_UINT16 DAT_IMAGENATIVEXFER = 0x0104;
constexpr TW_UINT16 DAT_ENTRYPOINT = 0x0403;

// Messages
constexpr TW_UINT16 MSG_NULL = 0x0000;
constexpr TW_UINT16 MSG_GET = 0x0001;
constexpr TW_UINT16 MSG_GETCURRENT = 0x0002;
constexpr TW_UINT16 MSG_GETDEFAULT = 0x0003;
constexpr TW_UINT16 MSG_GETFIRST = 0x0004;
constexpr TW_UINT16 MSG_GETNEXT = 0x0005;
constexpr TW_UINT16 MSG_SET = 0x0006;
constexpr TW_UINT16 MSG_RESET = 0x0007;
constexpr TW_UINT16 MSG_QUERYSUPPORT = 0x0008;
constexpr TW_UINT16 MSG_XFERREADY = 0x0101;
constexpr TW_UINT16 MSG_CLOSEDSREQ = 0x0102;
constexpr TW_UINT16 MSG_CLOSEDSOK = 0x0103;
constexpr TW_UINT16 MSG_DEVICEEVENT = 0x0104;
constexpr TW_UINT16 MSG_OPENDSM = 0x0301;
constexpr TW_UINT16 MSG_CLOSEDSM = 0x0302;
constexpr TW_UINT16 MSG_OPENDS = 0x0401;
constexpr TW_UINT16 MSG_CLOSEDS = 0x0402;
constexpr TW_UINT16 MSG_USERSELECT = 0x0403;
constexpr TW_UINT16 MSG_DISABLEDS = 0x0501;
constexpr TW_UINT16 MSG_ENABLEDS = 0x0502;
constexpr TW_UINT16 MSG_ENABLEDSUIONLY = 0x0503;
constexpr TW_UINT16 MSG_PROCESSEVENT = 0x0601;
constexpr TW_UINT16 MSG_ENDXFER = 0x0701;

// Return codes
constexpr TW_UINT16 TWRC_SUCCESS = 0;
constexpr TW_UINT16 TWRC_FAILURE = 1;
constexpr TW_UINT16 TWRC_CHECKSTATUS = 2;
constexpr TW_UINT16 TWRC_CANCEL = 3;
constexpr TW_UINT16 TWRC_DSEVENT = 4;
constexpr TW_UINT16 TWRC_NOTDSEVENT = 5;
constexpr TW_UINT16 TWRC_XFERDONE = 6;
constexpr TW_UINT16 TWRC_ENDOFLIST = 7;

// Condition codes
constexpr TW_UINT16 TWCC_SUCCESS = 0;
constexpr TW_UINT16 TWCC_BUMMER = 1;
constexpr TW_UINT16 TWCC_LOWMEMORY = 2;
constexpr TW_UINT16 TWCC_NODS = 3;
constexpr TW_UINT16 TWCC_OPERATIONERROR = 5;
constexpr TW_UINT16 TWCC_BADCAP = 6;
constexpr TW_UINT16 TWCC_BADPROTOCOL = 9;
constexpr TW_UINT16 TWCC_BADVALUE = 10;
constexpr TW_UINT16 TWCC_SEQERROR = 11;
constexpr TW_UINT16 TWCC_BADDEST = 12;
constexpr TW_UINT16 TWCC_CAPUNSUPPORTED = 13;
constexpr TW_UINT16 TWCC_CAPBADOPERATION = 14;

// Container types
constexpr TW_UINT16 TWON_ARRAY = 3;
constexpr TW_UINT16 TWON_ENUMERATION = 4;
constexpr TW_UINT16 TWON_ONEVALUE = 5;
constexpr TW_UINT16 TWON_RANGE = 6;
constexpr TW_UINT16 TWON_DONTCARE16 = 0xFFFF;

// Item types
constexpr TW_UINT16 TWTY_INT8 = 0;
constexpr TW_UINT16 TWTY_INT16 = 1;
constexpr TW_UINT16 TWTY_INT32 = 2;
constexpr TW_UINT16 TWTY_UINT8 = 3;
constexpr TW_UINT16 TWTY_UINT16 = 4;
constexpr TW_UINT16 TWTY_UINT32 = 5;
constexpr TW_UINT16 TWTY_BOOL = 6;
constexpr TW_UINT16 TWTY_FIX32 = 7;

// Capabilities
constexpr TW_UINT16 CAP_XFERCOUNT = 0x0001;
constexpr TW_UINT16 ICAP_COMPRESSION = 0x0100;
constexpr TW_UINT16 ICAP_PIXELTYPE = 0x0101;
constexpr TW_UINT16 ICAP_UNITS = 0x0102;
constexpr TW_UINT16 ICAP_XFERMECH = 0x0103;
constexpr TW_UINT16 CAP_SUPPORTEDCAPS = 0x1005;
constexpr TW_UINT16 CAP_INDICATORS = 0x100B;
constexpr TW_UINT16 CAP_UICONTROLLABLE = 0x100E;
constexpr TW_UINT16 ICAP_PHYSICALWIDTH = 0x1111;
constexpr TW_UINT16 ICAP_PHYSICALHEIGHT = 0x1112;
constexpr TW_UINT16 ICAP_XRESOLUTION = 0x1118;
constexpr TW_UINT16 ICAP_YRESOLUTION = 0x1119;
constexpr TW_UINT16 ICAP_BITDEPTH = 0x112B;

// MSG_QUERYSUPPORT answers
constexpr TW_INT32 TWQC_GET = 0x0001;
constexpr TW_INT32 TWQC_SET = 0x0002;
constexpr TW_INT32 TWQC_GETDEFAULT = 0x0004;
constexpr TW_INT32 TWQC_GETCURRENT = 0x0008;
constexpr TW_INT32 TWQC_RESET = 0x0010;

// Pixel types, units, transfer mechanisms
constexpr TW_UINT16 TWPT_BW = 0;
constexpr TW_UINT16 TWPT_GRAY = 1;
constexpr TW_UINT16 TWPT_RGB = 2;
constexpr TW_UINT16 TWUN_INCHES = 0;
constexpr TW_UINT16 TWSX_NATIVE = 0;

// Country and language of the application identity
constexpr TW_UINT16 TWLG_USA = 13;
constexpr TW_UINT16 TWCY_USA = 1;

// Bytes of one item of a container of this type; 0 for kinds that are not
// a single number (strings, frames, handles).
constexpr std::size_t item_bytes(TW_UINT16 item_type) noexcept {
    switch (item_type) {
    case TWTY_INT8: case TWTY_UINT8: return 1;
    case TWTY_INT16: case TWTY_UINT16: case TWTY_BOOL: return 2;
    case TWTY_INT32: case TWTY_UINT32: case TWTY_FIX32: return 4;
    default: return 0;
    }
}

// Fills a text field of an identity: the text, then zeros to the end.
inline void set_text(TW_STR32& field, const char* text) noexcept {
    std::memset(field, 0, sizeof field);
    std::strncpy(field, text, sizeof field - 1);
}

// A TW_FIX32 travels in a TW_ONEVALUE's 32-bit Item as its 4 bytes: Whole
// in the low half, Frac in the high half.
constexpr TW_UINT32 fix32_item(TW_FIX32 f) noexcept {
    return static_cast<TW_UINT32>(static_cast<TW_UINT16>(f.Whole)) | (static_cast<TW_UINT32>(f.Frac) << 16);
}
constexpr TW_FIX32 fix32_from_item(TW_UINT32 item) noexcept {
    return TW_FIX32{static_cast<TW_INT16>(item & 0xFFFFu), static_cast<TW_UINT16>(item >> 16)};
}
constexpr double fix32_value(TW_FIX32 f) noexcept { return f.Whole + f.Frac / 65536.0; }
// Nearest TW_FIX32 of a value in -32768 ... 32767.99 (Frac always adds).
inline TW_FIX32 fix32_of(double value) noexcept {
    const std::int64_t scaled = std::llround(value * 65536.0);
    return TW_FIX32{static_cast<TW_INT16>(scaled >> 16), static_cast<TW_UINT16>(scaled & 0xFFFF)};
}

}  // namespace korvix::twain
