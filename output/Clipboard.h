// The system's clipboard (Windows only): a written page put on it in its two forms.
#pragma once

#include "output/ClipboardPage.h"

#include <cstdint>
#include <string>

// Empties the clipboard and puts page on it as "HTML Format", CF_UNICODETEXT and CF_TEXT (in the
// active code page), owned by a hidden window of the call's own, so that it stays there after the
// window and the program have gone. False with the reason in a few words when the clipboard could
// not be had (another program holding it) or there was no memory for the data.
bool PutOnClipboard(const ClipboardPage& page, std::string& reason);

// Copies the page written at path, of columns x rows cells, to the clipboard: false with the
// reason when it is too large to paste sensibly (ClipboardProblem), cannot be read, or the clipboard
// cannot be had.
bool CopyPageToClipboard(const std::string& path, std::uint32_t columns, std::uint32_t rows, std::string& reason);

// The "HTML Format" clipboard format's number on this system.
unsigned HtmlClipboardFormat();
