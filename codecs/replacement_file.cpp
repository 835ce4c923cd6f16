#include "codecs/replacement_file.h"

#include <cstdio>
#include <vector>

#include "codecs/file_paths.h"

namespace korvix {

namespace {

// Room left for a temporary name beside the target in an ordinary path.
constexpr size_t kTempNameRoom = 20;

std::wstring temp_name_in(const std::wstring& folder, unsigned attempt) {
    static LONG counter = 0;
    LARGE_INTEGER ticks{};
    ::QueryPerformanceCounter(&ticks);
    const unsigned long tag = static_cast<unsigned long>(ticks.LowPart ^ (::GetCurrentProcessId() << 16) ^
                                                         ::InterlockedIncrement(&counter) ^ (attempt << 24));
    wchar_t name[24];
    std::swprintf(name, 24, L"\\~kvx%08lx.tmp", tag);
    return folder + name;
}

}  // namespace

std::wstring resolved_file_path(const std::wstring& name) {
    if (name.empty()) {
        ::SetLastError(ERROR_INVALID_NAME);
        return {};
    }
    std::vector<wchar_t> full(MAX_PATH);
    for (;;) {
        const DWORD n = ::GetFullPathNameW(name.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0) return {};
        if (n < full.size()) {
            std::wstring path(full.data(), n);
            return path.size() + kTempNameRoom >= MAX_PATH ? extended_length_path(path) : path;
        }
        full.resize(n);
    }
}

bool ReplacementFile::reserve(const std::wstring& target) {
    target_ = resolved_file_path(target);
    if (target_.empty()) return false;
    if (target_.back() == L'\\' || target_.back() == L'/') {
        ::SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    const std::wstring folder = folder_of(target_);
    for (unsigned attempt = 0; attempt < 16; ++attempt) {
        const std::wstring candidate = temp_name_in(folder, attempt);
        const HANDLE file = ::CreateFileW(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            ::CloseHandle(file);
            temp_ = candidate;
            return true;
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

bool ReplacementFile::commit() {
    if (temp_.empty() || committed_) return false;
    committed_ = ::MoveFileExW(temp_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    return committed_;
}

ReplacementFile::~ReplacementFile() {
    if (!temp_.empty() && !committed_) ::DeleteFileW(temp_.c_str());
}

}  // namespace korvix
