#include "tests/wine/sweep/corpus_writer.h"

#include <cstdio>

#include "tests/wine/hostkit/control_state.h"
#include "tests/wine/hostkit/server_registration.h"
#include "tests/wine/hostkit/test_pictures.h"
#include "tests/wine/sweep/sweep_support.h"

namespace korvix::sweep {
namespace {

// A picture of a side x side icon or cursor; side 0 gives an empty picture.
com_ptr<IPictureDisp> icon_of_side(int side, bool cursor) {
    PICTDESC desc{sizeof desc, PICTYPE_NONE};
    unique_hicon icon;
    if (side) {
        window_dc screen(nullptr);
        unique_hbitmap colour(::CreateCompatibleBitmap(screen.get(), side, side));
        unique_hbitmap mask(::CreateBitmap(side, side, 1, 1, nullptr));
        ICONINFO info{!cursor, static_cast<DWORD>(side / 3), static_cast<DWORD>(side / 4), mask.get(), colour.get()};
        icon.reset(::CreateIconIndirect(&info));
        desc.picType = PICTYPE_ICON;
        desc.icon.hicon = icon.get();
    }
    com_ptr<IPictureDisp> picture;
    if (SUCCEEDED(::OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, picture.put_void()))) icon.release();
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

bool write_file(const std::wstring& path, const BYTE* bytes, size_t size) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

}  // namespace

std::vector<std::pair<std::wstring, std::vector<BYTE>>> saved_records() {
    const struct {
        const wchar_t* name;
        bool change_all;
        com_ptr<IPictureDisp> icon;
    } states[] = {
        {L"defaults", false, nullptr},
        {L"every-property", true, nullptr},
        {L"icon-32", false, hostkit::make_icon_picture()},
        {L"every-property-icon-16", true, icon_of_side(16, false)},
        {L"cursor-48", false, icon_of_side(48, true)},
        {L"empty-icon", false, icon_of_side(0, false)},
    };
    std::vector<std::pair<std::wstring, std::vector<BYTE>>> records;
    for (const auto& s : states) {
        com_ptr<ITwain> control = new_control();
        if (!control) return {};
        if (s.change_all) change_every_property(control.get());
        if (s.icon) control->putref_MouseIcon(s.icon.get());
        records.emplace_back(s.name, hostkit::saved_record(control.get()));
    }
    return records;
}

int write_corpus(const char* folder) {
    const std::wstring root = hostkit::windows_path(folder);
    const std::wstring records = root + L"\\settings_record_fuzzer", icons = root + L"\\stored_icon_fuzzer";
    for (const std::wstring& dir : {root, records, icons}) ::CreateDirectoryW(dir.c_str(), nullptr);
    for (const auto& [name, record] : saved_records()) {
        if (record.size() < 22 || !write_file(records + L"\\" + name + L".bin", record.data(), record.size()))
            return 1;
        // The icon's own bytes follow its 32-bit size at offset 18.
        const DWORD icon_size = record[18] | (record[19] << 8) | (record[20] << 16) | (record[21] << 24);
        if (icon_size && (22 + icon_size > record.size() ||
                          !write_file(icons + L"\\" + name + L".bin", record.data() + 22, icon_size)))
            return 1;
    }
    std::printf("corpus written to %ls\n", root.c_str());
    return 0;
}

}  // namespace korvix::sweep
