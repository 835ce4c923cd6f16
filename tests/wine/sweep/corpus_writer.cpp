#include "tests/wine/sweep/corpus_writer.h"

#include <cstdio>
#include <string>
#include <vector>

#include "tests/wine/hostkit/server_registration.h"
#include "tests/wine/hostkit/test_pictures.h"
#include "tests/wine/sweep/sweep_support.h"

namespace korvix::sweep {
namespace {

using Bytes = std::vector<BYTE>;

Bytes saved(ITwain* control) {
    com_ptr<IPersistStreamInit> persist;
    control->QueryInterface(IID_IPersistStreamInit, persist.put_void());
    com_ptr<IStream> stream;
    ::CreateStreamOnHGlobal(nullptr, TRUE, stream.put());
    if (!persist || FAILED(persist->Save(stream.get(), FALSE))) return {};
    STATSTG st{};
    stream->Stat(&st, STATFLAG_NONAME);
    Bytes out(static_cast<size_t>(st.cbSize.QuadPart));
    stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
    ULONG got = 0;
    stream->Read(out.data(), static_cast<ULONG>(out.size()), &got);
    return out;
}

bool write_file(const std::wstring& path, const Bytes& bytes) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// A picture of an icon made from a side x side colour bitmap and its mask.
com_ptr<IPictureDisp> icon_of_side(int side, bool cursor) {
    window_dc screen(nullptr);
    unique_hbitmap colour(::CreateCompatibleBitmap(screen.get(), side, side));
    unique_hbitmap mask(::CreateBitmap(side, side, 1, 1, nullptr));
    ICONINFO info{!cursor, static_cast<DWORD>(side / 3), static_cast<DWORD>(side / 4), mask.get(), colour.get()};
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof desc;
    desc.picType = PICTYPE_ICON;
    desc.icon.hicon = ::CreateIconIndirect(&info);
    com_ptr<IPictureDisp> picture;
    ::OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, picture.put_void());
    return picture;
}

com_ptr<IPictureDisp> empty_picture() {
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof desc;
    desc.picType = PICTYPE_NONE;
    com_ptr<IPictureDisp> picture;
    ::OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, picture.put_void());
    return picture;
}

void change_every_property(ITwain* c) {
    c->put_BackColor(0x00336699);
    c->put_Enabled(VARIANT_FALSE);
    c->put_MousePointer(99);
    unique_bstr tip(::SysAllocString(L"Tip \u00e9\u4e2d"));
    c->put_ToolTipText(tip.get());
    c->put_ColorType(2);
    c->put_Resolution(600);
    unique_bstr name(::SysAllocString(L"C:\\scans\\page.tif"));
    c->put_filename(name.get());
    c->put_ShowProgress(VARIANT_FALSE);
    c->put_ShowInterface(VARIANT_TRUE);
    c->put_AutoRedraw(VARIANT_FALSE);
    c->put_BorderStyle(0);
    c->put_Scrollable(VARIANT_FALSE);
}

}  // namespace

int write_corpus(const char* folder) {
    const std::wstring root = hostkit::windows_path(folder);
    const std::wstring records = root + L"\\settings_record_fuzzer", icons = root + L"\\stored_icon_fuzzer";
    ::CreateDirectoryW(root.c_str(), nullptr);
    ::CreateDirectoryW(records.c_str(), nullptr);
    ::CreateDirectoryW(icons.c_str(), nullptr);

    struct State {
        const wchar_t* name;
        bool change_all;
        com_ptr<IPictureDisp> icon;
    };
    const State states[] = {
        {L"defaults", false, nullptr},
        {L"every-property", true, nullptr},
        {L"icon-32", false, hostkit::make_icon_picture()},
        {L"every-property-icon-16", true, icon_of_side(16, false)},
        {L"cursor-48", false, icon_of_side(48, true)},
        {L"empty-icon", false, empty_picture()},
    };
    for (const State& s : states) {
        com_ptr<ITwain> control = new_control();
        if (!control) return 1;
        if (s.change_all) change_every_property(control.get());
        if (s.icon && FAILED(control->putref_MouseIcon(s.icon.get()))) return 1;
        const Bytes record = saved(control.get());
        if (record.size() < 22 || !write_file(records + L"\\" + s.name + L".bin", record)) return 1;
        // The icon's own bytes follow its 32-bit size at offset 18.
        const DWORD icon_size = record[18] | (record[19] << 8) | (record[20] << 16) | (record[21] << 24);
        if (icon_size && !write_file(icons + L"\\" + s.name + L".bin", Bytes(record.begin() + 22, record.begin() + 22 + icon_size)))
            return 1;
    }
    std::printf("corpus written to %ls\n", root.c_str());
    return 0;
}

}  // namespace korvix::sweep
