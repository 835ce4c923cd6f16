// A file written beside its target under a temporary name and moved over
// the target only once it is complete. A write that fails leaves neither a
// partial file nor an empty one, and the file that was there survives.
// Names of any length and script work: long paths use the extended form.
#pragma once

#include <windows.h>

#include <string>

namespace korvix {

class ReplacementFile {
public:
    ReplacementFile() = default;
    ~ReplacementFile();  // removes the temporary file unless it was committed
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Creates an empty, uniquely named file in the target's folder. False
    // (GetLastError says why) for an empty name, a folder, or a folder that
    // does not exist or cannot be written.
    bool reserve(const std::wstring& target);
    const std::wstring& temp_path() const noexcept { return temp_; }
    // Moves the finished file over the target. False (GetLastError) when the
    // target cannot be replaced; the destructor then removes the new file.
    bool commit();

private:
    std::wstring target_, temp_;
    bool committed_ = false;
};

// The path as the file system calls will take it: made absolute, and in the
// extended-length form when it is too long for the ordinary one. Empty when
// the name cannot be resolved.
std::wstring resolved_file_path(const std::wstring& name);

}  // namespace korvix
