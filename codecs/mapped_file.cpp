#include "codecs/mapped_file.h"

namespace korvix {

bool MappedFile::open(const std::wstring& path) {
    const HANDLE opened = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
    file_.reset(opened == INVALID_HANDLE_VALUE ? nullptr : opened);
    LARGE_INTEGER size{};
    if (!file_ || !::GetFileSizeEx(file_.get(), &size)) return false;
    if (size.QuadPart <= 0 || static_cast<unsigned long long>(size.QuadPart) > MAXDWORD) {
        ::SetLastError(ERROR_FILE_INVALID);
        return false;
    }
    mapping_.reset(::CreateFileMappingW(file_.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping_) return false;
    view_.reset(::MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, 0));
    size_ = view_ ? static_cast<std::size_t>(size.QuadPart) : 0;
    return bool(view_);
}

}  // namespace korvix
