// The clipboard read back and set by the tests (Windows only), and the offsets of its HTML.
#pragma once

#include <cstdlib>
#include <string>

// The value of a header line "Name:0000000123" of the clipboard's HTML; npos when it has none.
inline std::size_t ClipboardOffset(const std::string& html, const std::string& name)
{
    const std::size_t at = html.find(name + ":");
    return at == std::string::npos ? std::string::npos : std::strtoul(html.c_str() + at + name.size() + 1, nullptr, 10);
}

// The clipboard's data in a format, as bytes up to the first zero; empty when it holds none.
std::string ClipboardBytes(unsigned format);
// The clipboard's CF_TEXT, in the active code page; empty when it holds none.
std::string ClipboardAnsiText();
// The clipboard's CF_UNICODETEXT; empty when it holds none.
std::wstring ClipboardWideText();
// Replaces what the clipboard holds with text (CF_TEXT); false when the clipboard cannot be had.
bool PutTextOnClipboard(const char* text);
