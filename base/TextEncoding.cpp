#include "base/TextEncoding.h"

#include "base/Win32Api.h"

#include <climits>
#include <vector>

namespace
{

TextCodePage CurrentCodePage = TextCodePage::Active;

// Joins UTF-16 surrogate pairs into code points; a lone half (which no conversion should give)
// becomes U+FFFD.
void JoinSurrogates(const std::vector<WCHAR>& wide, std::u32string& characters)
{
    characters.clear();
    characters.reserve(wide.size());
    for (std::size_t n = 0; n < wide.size(); ++n)
    {
        const char32_t unit = static_cast<char16_t>(wide[n]);
        if (unit >= 0xD800 && unit <= 0xDBFF && n + 1 < wide.size())
        {
            const char32_t next = static_cast<char16_t>(wide[n + 1]);
            if (next >= 0xDC00 && next <= 0xDFFF)
            {
                characters.push_back(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                ++n;
                continue;
            }
        }
        characters.push_back(unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit);
    }
}

// The text as UTF-16 with the given conversion flags; false when the conversion fails.
bool Widen(const std::string& text, DWORD flags, std::vector<WCHAR>& wide)
{
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(TextCodePageId(), flags, text.data(), length, nullptr, 0);
    if (needed <= 0)
        return false;
    wide.resize(static_cast<std::size_t>(needed));
    return MultiByteToWideChar(TextCodePageId(), flags, text.data(), length, wide.data(), needed) == needed;
}

}  // namespace

void SetTextCodePage(TextCodePage codePage)
{
    CurrentCodePage = codePage;
}

TextCodePage GetTextCodePage()
{
    return CurrentCodePage;
}

unsigned TextCodePageId()
{
    return CurrentCodePage == TextCodePage::Utf8 ? CP_UTF8 : CP_ACP;
}

bool SplitCharacters(const std::string& text, std::u32string& characters)
{
    characters.clear();
    if (text.empty())
        return true;
    if (text.size() > INT_MAX)
        return false;
    std::vector<WCHAR> wide;
    if (Widen(text, MB_ERR_INVALID_CHARS, wide))
    {
        JoinSurrogates(wide, characters);
        return true;
    }
    // Not valid: read what can be read, for callers that go on all the same.
    if (Widen(text, 0, wide))
        JoinSurrogates(wide, characters);
    else
        characters.assign(text.size(), 0xFFFD);
    return false;
}

bool IsValidText(const std::string& text)
{
    std::u32string characters;
    return SplitCharacters(text, characters);
}

std::u16string Utf16Of(const std::u32string& characters)
{
    std::u16string wide;
    wide.reserve(characters.size());
    for (char32_t c : characters)
    {
        if (c >= 0x10000 && c <= 0x10FFFF)
        {
            wide += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            wide += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
        else
        {
            wide += static_cast<char16_t>(c > 0x10FFFF ? 0xFFFD : c);
        }
    }
    return wide;
}

bool TextFromUtf8(const std::string& utf8, std::string& text)
{
#ifdef _WIN32
    if (TextCodePageId() != CP_UTF8 && GetACP() != CP_UTF8)
    {
        // A legacy code page: through UTF-16, refusing what it can only stand in for.
        const int length = static_cast<int>(utf8.size());
        const int wideLength = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, nullptr, 0);
        if (utf8.size() > INT_MAX || (length != 0 && wideLength <= 0))
            return false;
        std::vector<WCHAR> wide(static_cast<std::size_t>(wideLength) + 1);
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), wideLength);
        BOOL replaced = FALSE;
        const int needed =
            WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, nullptr, 0, nullptr, &replaced);
        std::string converted(static_cast<std::size_t>(needed > 0 ? needed : 0), '\0');
        if (needed > 0)
            WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, &converted[0], needed, nullptr,
                                &replaced);
        if (replaced || (length != 0 && needed <= 0))
            return false;
        text = converted;
        return true;
    }
#endif
    // The program's text is UTF-8 already.
    text = utf8;
    return true;
}
