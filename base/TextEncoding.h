// The program's text (character sets, face names, file names) and the code page it is in.
#pragma once

#include <string>

// Which code page the program's text is in. On Windows it is the active code page, which the
// program's manifest makes UTF-8 where the system allows; a host whose text is UTF-8 on a system
// that keeps another code page (the converter, reading the wide command line) says so here, and
// the file calls then take their names as UTF-8. On Linux both are UTF-8.
enum class TextCodePage
{
    Active,
    Utf8
};

void SetTextCodePage(TextCodePage codePage);
TextCodePage GetTextCodePage();
// The platform's identifier of that code page, for its text calls (CP_ACP or CP_UTF8).
unsigned TextCodePageId();

// Splits text into its characters, as Unicode code points. Returns false when the text is not
// valid in the program's code page; each part that could not be read is then U+FFFD.
bool SplitCharacters(const std::string& text, std::u32string& characters);
// Whether text is valid in the program's code page.
bool IsValidText(const std::string& text);
// UTF-8 text (a literal of the program's) in the program's code page; false when a character of
// it has no place in that code page.
bool TextFromUtf8(const std::string& utf8, std::string& text);
// Whether a character is a control character (C0, DEL or C1), which neither a page nor a terminal
// shows as text.
inline bool IsControlCharacter(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}
// Code points as UTF-16, those beyond the first plane as surrogate pairs (the platform's wide text).
std::u16string Utf16Of(const std::u32string& characters);
