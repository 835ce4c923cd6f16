#include "installer/harvest/wix_registry.h"

#include <algorithm>
#include <cwctype>
#include <stdexcept>
#include <tuple>

namespace korvix::installer {

namespace {

bool same_text_at(const std::wstring& text, size_t at, const std::wstring& part) {
    if (part.empty() || text.size() - at < part.size()) return false;
    for (size_t i = 0; i < part.size(); ++i) {
        if (std::towlower(text[at + i]) != std::towlower(part[i])) return false;
    }
    return true;
}

// The text as installer formatted text: known locations become their
// references, brackets become the escapes that write them literally. Braces
// around a reference or escape would make the installer drop the part when
// a property is empty, so in such text braces are escaped too.
std::wstring formatted(const std::wstring& text, const std::vector<location_reference>& references) {
    for (const auto& r : references) {
        // A folder written without its closing backslash, as a whole value.
        const size_t n = r.text.size();
        if (n > 1 && r.text.back() == L'\\' && text.size() == n - 1 && same_text_at(text, 0, r.text.substr(0, n - 1)))
            return r.reference;
    }
    std::wstring out;
    bool bracketed = false;
    for (size_t at = 0; at < text.size();) {
        const auto match = std::find_if(references.begin(), references.end(),
                                        [&](const location_reference& r) { return same_text_at(text, at, r.text); });
        if (match != references.end()) {
            out += match->reference;
            at += match->text.size();
            bracketed = true;
            continue;
        }
        const wchar_t c = text[at++];
        if (c == L'\0') throw std::invalid_argument("a registry string holds a NUL character");
        if (c == L'[' || c == L']') {
            out += L"[\\";
            out += c;
            out += L']';
            bracketed = true;
        } else {
            out += c;
        }
    }
    if (!bracketed) return out;
    // Neither references nor escapes hold braces, so every brace left is literal text.
    std::wstring braced;
    for (const wchar_t c : out) {
        if (c == L'{' || c == L'}') {
            braced += L"[\\";
            braced += c;
            braced += L']';
        } else {
            braced += c;
        }
    }
    return braced;
}

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// An XML attribute value in UTF-8 (wide text is UTF-16 on Windows, UTF-32 elsewhere).
std::string attribute(const std::wstring& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = static_cast<char32_t>(text[i]);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
            const char32_t low = static_cast<char32_t>(text[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        switch (c) {
            case U'&': out += "&amp;"; break;
            case U'<': out += "&lt;"; break;
            case U'>': out += "&gt;"; break;
            case U'"': out += "&quot;"; break;
            default: append_utf8(out, c);
        }
    }
    return out;
}

void check_expressible(const registry_entry& e) {
    if (e.key.empty()) throw std::invalid_argument("a registry value without a key");
    // With no data these names are the Registry table's create and remove marks.
    if (e.data.empty() && (e.name == L"+" || e.name == L"-" || e.name == L"*"))
        throw std::invalid_argument("an empty value named +, - or * reads as a key action");
}

}  // namespace

std::string wix_registry_include(std::vector<registry_entry> entries,
                                 const std::vector<location_reference>& references) {
    std::vector<location_reference> longest_first = references;
    std::stable_sort(longest_first.begin(), longest_first.end(),
                     [](const location_reference& a, const location_reference& b) { return a.text.size() > b.text.size(); });
    std::sort(entries.begin(), entries.end(), [](const registry_entry& a, const registry_entry& b) {
        return std::tie(a.key, a.name) < std::tie(b.key, b.name);
    });

    std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!-- Written at build time from the module's own registration. -->\n<Include>\n";
    for (const auto& e : entries) {
        check_expressible(e);
        out += "  <RegistryValue Root=\"HKCR\" Key=\"" + attribute(formatted(e.key, longest_first)) + "\"";
        if (!e.name.empty()) out += " Name=\"" + attribute(formatted(e.name, longest_first)) + "\"";
        out += " Type=\"string\" Value=\"" + attribute(formatted(e.data, longest_first)) + "\"/>\n";
    }
    out += "</Include>\n";
    return out;
}

}  // namespace korvix::installer
