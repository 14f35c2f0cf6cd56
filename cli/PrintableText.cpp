#include "cli/PrintableText.h"

#include "base/TextEncoding.h"

namespace
{

// The longest sequence of bytes one character takes.
const std::size_t LongestCharacter = 4;

void AppendEscape(std::string& out, unsigned char byte)
{
    static const char Digits[] = "0123456789ABCDEF";
    switch (byte)
    {
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\t': out += "\\t"; return;
    default: break;
    }
    out += "\\x";
    out += Digits[byte >> 4];
    out += Digits[byte & 0x0F];
}

}  // namespace

std::string PrintableText(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();)
    {
        // The character that starts here, as the program's text reads it: the shortest run of
        // bytes that is valid text; none when the byte here starts no character.
        std::size_t length = 0;
        std::u32string character;
        for (std::size_t size = 1; size <= LongestCharacter && at + size <= text.size() && length == 0; ++size)
        {
            if (SplitCharacters(text.substr(at, size), character) && character.size() == 1)
                length = size;
        }
        if (length == 0 || IsControlCharacter(character[0]))
        {
            // A stray byte alone; a control character with all its bytes.
            const std::size_t shown = length ? length : 1;
            for (std::size_t n = 0; n < shown; ++n)
                AppendEscape(out, static_cast<unsigned char>(text[at + n]));
            at += shown;
            continue;
        }
        out.append(text, at, length);
        at += length;
    }
    return out;
}
