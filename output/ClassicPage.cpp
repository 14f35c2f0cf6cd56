#include "output/ClassicPage.h"

#include "base/TextEncoding.h"

#include <cstring>

namespace
{

const char Footer[] = "</FONT></CENTER>\r\n</BODY>\r\n</HTML>\r\n";
const char LineBreakText[] = "<BR>\r\n";
const char HexDigits[] = "0123456789ABCDEF";
const char CellStart[] = "<FONT COLOR=#";
const char CellEnd[] = "</FONT>";
// The longest character reference, that of the highest code point: "&#1114111;".
const std::size_t LongestReference = 10;
// A cell: its start, six colour digits, '>', the character as one byte, "&nbsp;" or a reference,
// and its end.
const std::size_t CellSize = sizeof CellStart - 1 + 6 + 1 + LongestReference + sizeof CellEnd - 1;

// Appends #RRGGBB's six digits, red first.
char* AppendColor(char* out, RgbColor color)
{
    const unsigned parts[3] = {RedOf(color), GreenOf(color), BlueOf(color)};
    for (unsigned part : parts)
    {
        *out++ = HexDigits[part >> 4];
        *out++ = HexDigits[part & 0x0F];
    }
    return out;
}

char* AppendText(char* out, const char* text, std::size_t length)
{
    std::memcpy(out, text, length);
    return out + length;
}

// Appends the character as a numeric character reference, "&#9608;".
char* AppendReference(char* out, char32_t character)
{
    if (character > 0x10FFFF)
        character = 0xFFFD;
    char digits[8];
    int count = 0;
    do
    {
        digits[count++] = static_cast<char>('0' + character % 10);
        character /= 10;
    } while (character != 0);
    *out++ = '&';
    *out++ = '#';
    while (count > 0)
        *out++ = digits[--count];
    *out++ = ';';
    return out;
}

// Whether a character goes into the page as itself: printable ASCII that means nothing to the
// markup where it stands. Everything else is written as a reference, so that the page is plain
// ASCII and every browser shows the character whatever encoding it guesses.
bool IsPlain(char32_t character, const char* markup)
{
    return character >= 0x20 && character <= 0x7E && !std::strchr(markup, static_cast<int>(character));
}

}  // namespace

// The head, formed whole whatever the length of the face name. Any face stays within its quotes:
// quotes, markup and letters beyond ASCII become references.
void CClassicPage::Head(std::string& out, const PageLook& look)
{
    char color[6];
    AppendColor(color, look.Background);
    out += "<HTML>\r\n<BODY BGCOLOR=#";
    out.append(color, sizeof color);
    out += ">\r\n<CENTER><FONT FACE='";
    std::u32string face;
    SplitCharacters(look.FontFace, face);
    for (char32_t character : face)
    {
        if (IsPlain(character, "'\"<>&"))
        {
            out += static_cast<char>(character);
        }
        else
        {
            char reference[LongestReference];
            out.append(reference, static_cast<std::size_t>(AppendReference(reference, character) - reference));
        }
    }
    out += "' SIZE=1>\r\n";
}

void CClassicPage::Cell(std::string& out, const RgbColor* samples, std::size_t, char32_t character)
{
    char cell[CellSize];
    char* end = AppendText(cell, CellStart, sizeof CellStart - 1);
    end = AppendColor(end, samples[0]);
    *end++ = '>';
    if (character == ' ')
        end = AppendText(end, "&nbsp;", 6);
    else if (IsPlain(character, "<>&"))
        *end++ = static_cast<char>(character);
    else
        end = AppendReference(end, character);
    end = AppendText(end, CellEnd, sizeof CellEnd - 1);
    out.append(cell, static_cast<std::size_t>(end - cell));
}

void CClassicPage::LineBreak(std::string& out)
{
    out.append(LineBreakText, sizeof LineBreakText - 1);
}

void CClassicPage::Tail(std::string& out)
{
    out.append(Footer, sizeof Footer - 1);
}
