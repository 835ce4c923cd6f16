#include "twain/win/temp_file.h"

#include <windows.h>

namespace korvix::twain {

TempFile TempFile::create() noexcept {
    TempFile file;
    try {
        wchar_t folder[MAX_PATH + 1] = {};
        const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
        if (length == 0 || length > MAX_PATH) return file;
        wchar_t name[MAX_PATH] = {};
        // Unique number 0: the platform picks a free name and creates the file.
        if (::GetTempFileNameW(folder, L"ktw", 0, name) == 0) return file;
        file.path_ = name;
    } catch (...) {
        file.path_.clear();
    }
    return file;
}

TempFile& TempFile::operator=(TempFile&& other) noexcept {
    if (this != &other) {
        if (!path_.empty()) ::DeleteFileW(path_.c_str());
        path_.swap(other.path_);
        other.path_.clear();
    }
    return *this;
}

TempFile::~TempFile() {
    if (!path_.empty()) ::DeleteFileW(path_.c_str());
}

}  // namespace korvix::twain
