// The clipboard read back and set by the tests (Windows only).
#pragma once

#include <string>

// The clipboard's data in a format, as bytes up to the first zero; empty when it holds none.
std::string ClipboardBytes(unsigned format);
// The clipboard's CF_TEXT, in the active code page; empty when it holds none.
std::string ClipboardAnsiText();
// The clipboard's CF_UNICODETEXT; empty when it holds none.
std::wstring ClipboardWideText();
// Replaces what the clipboard holds with text (CF_TEXT); false when the clipboard cannot be had.
bool PutTextOnClipboard(const char* text);
