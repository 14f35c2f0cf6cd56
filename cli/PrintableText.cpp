#include "cli/PrintableText.h"

#include <cstdint>

namespace
{

// The length of the valid UTF-8 sequence at text[0..size) and its code point, or 0 when the
// bytes there start no character (overlong forms, surrogates and values past U+10FFFF included).
std::size_t SequenceAt(const unsigned char* text, std::size_t size, char32_t& point)
{
    const unsigned char lead = text[0];
    std::size_t length = 0;
    char32_t lowest = 0;
    if (lead < 0x80)
    {
        point = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0)
        length = 2, lowest = 0x80, point = lead & 0x1F;
    else if ((lead & 0xF0) == 0xE0)
        length = 3, lowest = 0x800, point = lead & 0x0F;
    else if ((lead & 0xF8) == 0xF0)
        length = 4, lowest = 0x10000, point = lead & 0x07;
    else
        return 0;
    if (length > size)
        return 0;
    for (std::size_t n = 1; n < length; ++n)
    {
        if ((text[n] & 0xC0) != 0x80)
            return 0;
        point = (point << 6) | (text[n] & 0x3F);
    }
    if (point < lowest || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
        return 0;
    return length;
}

bool IsControl(char32_t point)
{
    return point < 0x20 || (point >= 0x7F && point <= 0x9F);
}

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
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t at = 0; at < text.size();)
    {
        char32_t point = 0;
        const std::size_t length = SequenceAt(bytes + at, text.size() - at, point);
        if (length == 0 || IsControl(point))
        {
            // A stray byte alone; a control character with all its bytes.
            for (std::size_t n = 0; n < (length ? length : 1); ++n)
                AppendEscape(out, bytes[at + n]);
            at += length ? length : 1;
            continue;
        }
        out.append(text, at, length);
        at += length;
    }
    return out;
}
