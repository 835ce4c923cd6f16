#include "dialogs/dialog_text.h"

#include <algorithm>

namespace korvix {

void convert_filter_in_place(std::wstring& filter) {
    if (filter.empty() || filter.back() != L'|') filter.push_back(L'|');
    std::replace(filter.begin(), filter.end(), L'|', L'\0');
}

std::wstring path_from_file_buffer(const wchar_t* buffer, size_t length) {
    if (!buffer) return {};
    const wchar_t* end = std::find(buffer, buffer + length, L'\0');
    const wchar_t* first = buffer;
    while (first != end && *first == L' ') ++first;
    while (end != first && end[-1] == L' ') --end;
    return std::wstring(first, end);
}

}  // namespace korvix
