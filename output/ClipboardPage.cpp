#include "output/ClipboardPage.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

namespace
{

const char FragmentStart[] = "<!--StartFragment-->";
const char FragmentEnd[] = "<!--EndFragment-->";

// Where text (written in capitals) first occurs in page from at on, in any letter case.
std::size_t FindAnyCase(const std::string& page, const char* text, std::size_t at = 0)
{
    const std::size_t length = std::strlen(text);
    for (; at + length <= page.size(); ++at)
    {
        std::size_t n = 0;
        while (n < length && std::toupper(static_cast<unsigned char>(page[at + n])) == text[n])
            ++n;
        if (n == length)
            return at;
    }
    return std::string::npos;
}

// The value of a tag's attribute (name in capitals), unquoted; empty when the tag has none.
std::string AttributeOf(const std::string& tag, const char* name)
{
    const std::string spaced = std::string(" ") + name + "=";
    const std::size_t at = FindAnyCase(tag, spaced.c_str());
    if (at == std::string::npos)
        return std::string();
    std::size_t from = at + spaced.size();
    const char quote = from < tag.size() && (tag[from] == '"' || tag[from] == '\'') ? tag[from] : 0;
    from += quote ? 1 : 0;
    std::size_t to = from;
    while (to < tag.size() &&
           (quote ? tag[to] != quote : !std::isspace(static_cast<unsigned char>(tag[to])) && tag[to] != '>'))
        ++to;
    return tag.substr(from, to - from);
}

// A character reference or one of the named entities the pages use, read from text at at (its
// '&'); false, leaving at, when it is neither.
bool ReadReference(const std::string& text, std::size_t& at, char32_t& character)
{
    const std::size_t end = text.find(';', at);
    if (end == std::string::npos || end - at > 12)
        return false;
    const std::string name = text.substr(at + 1, end - at - 1);
    static const struct
    {
        const char* Name;
        char32_t Character;
    } named[] = {{"nbsp", U' '}, {"amp", U'&'}, {"lt", U'<'}, {"gt", U'>'}, {"quot", U'"'}, {"apos", U'\''}};
    for (const auto& entity : named)
    {
        if (name == entity.Name)
        {
            character = entity.Character;
            at = end + 1;
            return true;
        }
    }
    if (name.size() < 2 || name[0] != '#')
        return false;
    const bool hex = name[1] == 'x' || name[1] == 'X';
    const std::string digits = name.substr(hex ? 2 : 1);
    if (digits.empty() || digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") != std::string::npos)
        return false;
    const unsigned long value = std::strtoul(digits.c_str(), nullptr, hex ? 16 : 10);
    character = value > 0x10FFFF ? U'\uFFFD' : static_cast<char32_t>(value);
    at = end + 1;
    return true;
}

// One character of UTF-8 text at at, moving past it; U+FFFD for a byte that begins none.
char32_t ReadUtf8(const std::string& text, std::size_t& at)
{
    const auto lead = static_cast<unsigned char>(text[at++]);
    const int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    if (lead < 0x80)
        return lead;
    if (more == 0 || at + more > text.size())
        return U'\uFFFD';
    char32_t character = lead & (0x3F >> more);
    for (int n = 0; n < more; ++n)
    {
        const auto next = static_cast<unsigned char>(text[at]);
        if ((next & 0xC0) != 0x80)
            return U'\uFFFD';
        character = character << 6 | (next & 0x3F);
        ++at;
    }
    return character;
}

// What a reader sees of some markup: its characters and line breaks. Line ends in the markup
// itself are only layout, except inside <PRE>.
std::u32string TextOf(const std::string& markup)
{
    std::u32string text;
    bool preformatted = false;
    for (std::size_t at = 0; at < markup.size();)
    {
        const char c = markup[at];
        if (c == '<')
        {
            const std::size_t end = markup.find('>', at);
            const std::string tag = markup.substr(at, end == std::string::npos ? std::string::npos : end + 1 - at);
            at = end == std::string::npos ? markup.size() : end + 1;
            // The tag's name, with the '/' of a closing tag: "BR", "/PRE".
            std::string name = tag.size() > 1 && tag[1] == '/' ? "/" : "";
            for (std::size_t n = name.size() + 1; n < tag.size() && std::isalnum(static_cast<unsigned char>(tag[n]));
                 ++n)
                name += static_cast<char>(std::toupper(static_cast<unsigned char>(tag[n])));
            if (name == "BR")
                text += U"\r\n";
            else if (name == "PRE" || name == "/PRE")
                preformatted = name == "PRE";
            continue;
        }
        if (c == '&')
        {
            char32_t character = 0;
            if (ReadReference(markup, at, character))
            {
                text += character;
                continue;
            }
        }
        if (c == '\r' || c == '\n')
        {
            // A CR LF pair inside <PRE> is one line break.
            if (preformatted && (c == '\n' || at + 1 >= markup.size() || markup[at + 1] != '\n'))
                text += U"\r\n";
            ++at;
            continue;
        }
        text += ReadUtf8(markup, at);
    }
    return text;
}

// The number as ten digits, as the "HTML Format" header writes its offsets.
std::string TenDigits(std::size_t value)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%010lu", static_cast<unsigned long>(value));
    return digits;
}

// The colours a page's style sheet gives its elements' classes, which a paste leaves behind with
// the sheet: an element's class starts with its foreground's name ([class^=A]{color:...}) and
// ends with its background's ([class$=a]{background:...}).
struct SheetColors
{
    std::map<std::string, std::string> Fore, Back;
    std::string Body;  // the body's background
};

// The value of property (with its colon) in the rule starting at at, up to the rule's end.
std::string PropertyOf(const std::string& sheet, std::size_t at, const char* property)
{
    const std::size_t end = sheet.find('}', at);
    const std::size_t found = sheet.find(property, at);
    if (found == std::string::npos || found > end)
        return std::string();
    const std::size_t from = found + std::strlen(property);
    std::size_t to = from;
    while (to < end && sheet[to] != ';')
        ++to;
    return sheet.substr(from, to - from);
}

SheetColors ReadSheet(const std::string& page)
{
    SheetColors colors;
    const std::size_t start = FindAnyCase(page, "<STYLE");
    const std::size_t end = start == std::string::npos ? start : FindAnyCase(page, "</STYLE", start);
    if (end == std::string::npos)
        return colors;
    const std::string sheet = page.substr(start, end - start);
    const std::size_t body = sheet.find("body{");
    if (body != std::string::npos)
        colors.Body = PropertyOf(sheet, body, "background:");
    for (const char* kind : {"[class^=", "[class$="})
    {
        const bool fore = kind[6] == '^';
        const std::size_t length = std::strlen(kind);
        for (std::size_t at = sheet.find(kind); at != std::string::npos; at = sheet.find(kind, at + length))
        {
            const std::size_t close = sheet.find(']', at);
            if (close == std::string::npos)
                break;
            const std::string name = sheet.substr(at + length, close - at - length);
            (fore ? colors.Fore : colors.Back)[name] = PropertyOf(sheet, close, fore ? "color:" : "background:");
        }
    }
    return colors;
}

// The body with each class's colours written into its elements, so that they come along into
// editors that drop the page's sheet: <i class=Ab> becomes <span style="color:..;background:..">.
std::string InlineSheet(const std::string& body, const SheetColors& colors)
{
    std::string out;
    out.reserve(body.size() * 2);
    const std::string open = "<i class=";
    std::size_t at = 0;
    for (std::size_t found = body.find(open); found != std::string::npos; found = body.find(open, at))
    {
        const std::size_t close = body.find('>', found);
        if (close == std::string::npos)
            break;
        out.append(body, at, found - at);
        const std::string name = body.substr(found + open.size(), close - found - open.size());
        // The foreground's name is its capitals; the background's is the rest.
        std::size_t split = 0;
        while (split < name.size() && std::isupper(static_cast<unsigned char>(name[split])))
            ++split;
        const auto fore = colors.Fore.find(name.substr(0, split));
        const auto back = colors.Back.find(name.substr(split));
        out += "<span style=\"";
        if (fore != colors.Fore.end())
            out += "color:" + fore->second + ";";
        if (back != colors.Back.end())
            out += "background:" + back->second;
        out += "\">";
        at = close + 1;
    }
    out.append(body, at, std::string::npos);
    // Every element was an i: its ends become the spans'.
    std::string result;
    result.reserve(out.size());
    for (std::size_t from = 0;;)
    {
        const std::size_t end = out.find("</i>", from);
        result.append(out, from, end == std::string::npos ? std::string::npos : end - from);
        if (end == std::string::npos)
            break;
        result += "</span>";
        from = end + 4;
    }
    // The sheet's line height, which makes the half blocks meet.
    const std::size_t pre = result.find("<pre>");
    if (pre != std::string::npos)
        result.replace(pre, 5, "<pre style=\"margin:0;line-height:1\">");
    return result;
}

}  // namespace

std::string ClipboardProblem(std::uint32_t columns, std::uint32_t rows)
{
    const std::uint64_t cells = std::uint64_t(columns) * rows;
    if (cells <= MaximumClipboardCells)
        return std::string();
    return "with " + std::to_string(cells) + " characters it is too large to paste sensibly (editors take about a " +
           "second to paste every 50000 characters); pages of up to " + std::to_string(MaximumClipboardCells) +
           " characters are copied";
}

ClipboardPage MakeClipboardPage(const std::string& page)
{
    // The body's content, and the colour of the body it leaves behind.
    const std::size_t bodyTag = FindAnyCase(page, "<BODY");
    const std::size_t tagEnd = bodyTag == std::string::npos ? std::string::npos : page.find('>', bodyTag);
    std::size_t from = tagEnd == std::string::npos ? 0 : tagEnd + 1;
    std::size_t to = FindAnyCase(page, "</BODY", from);
    to = to == std::string::npos ? page.size() : to;
    while (from < to && (page[from] == '\r' || page[from] == '\n'))
        ++from;
    while (to > from && (page[to - 1] == '\r' || page[to - 1] == '\n'))
        --to;
    const std::string body = page.substr(from, to - from);
    // A page with a style sheet (the photo page) has its colours there; the classic page in its tags.
    const SheetColors sheet = ReadSheet(page);
    const std::string background = !sheet.Body.empty() ? sheet.Body
                                   : tagEnd == std::string::npos
                                       ? std::string()
                                       : AttributeOf(page.substr(bodyTag, tagEnd + 1 - bodyTag), "BGCOLOR");

    std::string fragment = sheet.Fore.empty() && sheet.Back.empty() ? body : InlineSheet(body, sheet);
    if (!background.empty())
        fragment =
            "<TABLE CELLPADDING=4 CELLSPACING=0><TR><TD BGCOLOR=" + background + ">" + fragment + "</TD></TR></TABLE>";

    const std::string before = "<HTML>\r\n<BODY>\r\n" + std::string(FragmentStart);
    const std::string after = std::string(FragmentEnd) + "\r\n</BODY>\r\n</HTML>\r\n";
    // Every offset has ten digits, so the header's length is known before they are.
    const std::string header = "Version:0.9\r\nStartHTML:" + TenDigits(0) + "\r\nEndHTML:" + TenDigits(0) +
                               "\r\nStartFragment:" + TenDigits(0) + "\r\nEndFragment:" + TenDigits(0) + "\r\n";
    const std::size_t startHtml = header.size();
    const std::size_t startFragment = startHtml + before.size();
    const std::size_t endFragment = startFragment + fragment.size();
    const std::size_t endHtml = endFragment + after.size();

    ClipboardPage result;
    result.Html = "Version:0.9\r\nStartHTML:" + TenDigits(startHtml) + "\r\nEndHTML:" + TenDigits(endHtml) +
                  "\r\nStartFragment:" + TenDigits(startFragment) + "\r\nEndFragment:" + TenDigits(endFragment) +
                  "\r\n" + before + fragment + after;
    result.Text = TextOf(body);
    return result;
}
