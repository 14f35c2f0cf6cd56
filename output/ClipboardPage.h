// A written page as it goes on the clipboard: as HTML, with its colours, and as plain text.
#pragma once

#include <cstdint>
#include <string>

// The most cells a page may have to be copied. Pasting is the slow part, and it grows with the
// cells (one coloured element each): Chromium's editor, which webmail and chat editors are built
// on, froze from the key press for 0.5 s with 10,000 cells, 1.3 s with 50,000, 2.2 s with 100,000,
// 4.4 s with 200,000 and 9.0 s with 400,000 (bench/paste-limit.sh). Beyond 100,000 cells (a 400 x
// 250 page, about 2.8 MB of HTML) pasting stops being something one does without thinking.
const std::uint64_t MaximumClipboardCells = 100000;

// Why a page of columns x rows is not copied, or empty when it may be.
std::string ClipboardProblem(std::uint32_t columns, std::uint32_t rows);

// The two forms of one page.
struct ClipboardPage
{
    // The "HTML Format" data: the header with the byte offsets of the document (StartHTML,
    // EndHTML) and of the fragment that is pasted (StartFragment, EndFragment), then the document.
    // The fragment is the page's body in a table cell of the page's background colour, so that the
    // colour comes along where a body's colour would be dropped.
    std::string Html;
    // The page's characters as a reader sees them: character references read, a line break
    // (CR LF) for each <BR>, no markup.
    std::u32string Text;
};

// Makes both forms from the bytes of a written page.
ClipboardPage MakeClipboardPage(const std::string& page);
