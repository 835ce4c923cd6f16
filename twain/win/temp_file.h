// A temporary file of one acquisition: named by the platform in the user's
// temporary folder with the prefix "ktw" and created at once, so no other
// control or process can be given the same name; deleted when its owner
// goes, on every path.
#pragma once

#include <string>

namespace korvix::twain {

class TempFile {
public:
    // Empty (path() is empty) when no name could be made.
    static TempFile create() noexcept;

    TempFile() = default;
    TempFile(TempFile&& other) noexcept : path_(std::move(other.path_)) { other.path_.clear(); }
    TempFile& operator=(TempFile&& other) noexcept;
    TempFile(const TempFile&) = delete;
    ~TempFile();

    const std::wstring& path() const noexcept { return path_; }

private:
    std::wstring path_;
};

}  // namespace korvix::twain
