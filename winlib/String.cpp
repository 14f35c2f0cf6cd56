// CString operations that are more than one line.
#include "winlib/String.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <vector>

HINSTANCE AfxGetResourceHandle();

namespace
{
// Formats into a std::string of whatever length the arguments need.
std::string FormatArgs(const char* format, va_list args)
{
    if (!format)
        return std::string();
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length <= 0)
        return std::string();
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    return std::string(buffer.data(), static_cast<size_t>(length));
}
}  // namespace

CString CString::Left(int count) const
{
    if (count <= 0)
        return CString();
    return CString(Text.substr(0, static_cast<size_t>(count)));
}

CString CString::Mid(int first) const
{
    return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const
{
    if (first < 0)
        first = 0;
    if (count <= 0 || first >= GetLength())
        return CString();
    return CString(Text.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Right(int count) const
{
    if (count <= 0)
        return CString();
    if (count >= GetLength())
        return *this;
    return CString(Text.substr(Text.size() - static_cast<size_t>(count)));
}

CString CString::WithoutLastCharacter() const
{
    if (Text.empty())
        return CString();
    std::size_t last = 0;
    if (::GetACP() == CP_UTF8)
    {
        // Back over the continuation bytes of the last character (at most three).
        last = Text.size() - 1;
        while (last > 0 && Text.size() - last < 4 && (static_cast<unsigned char>(Text[last]) & 0xC0) == 0x80)
            --last;
    }
    else
    {
        // A double-byte code page can only be read from the start.
        for (std::size_t at = 0; at < Text.size(); at += ::IsDBCSLeadByte(static_cast<BYTE>(Text[at])) ? 2 : 1)
            last = at;
    }
    return CString(Text.substr(0, last));
}

int CString::Find(char ch, int start) const
{
    if (start < 0)
        start = 0;
    if (start >= GetLength())
        return -1;
    size_t at = Text.find(ch, static_cast<size_t>(start));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::Find(const char* text, int start) const
{
    if (!text)
        return -1;
    if (start < 0)
        start = 0;
    if (start > GetLength())
        return -1;
    size_t at = Text.find(text, static_cast<size_t>(start));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(char ch) const
{
    size_t at = Text.rfind(ch);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::CompareNoCase(const char* other) const
{
    const unsigned char* a = reinterpret_cast<const unsigned char*>(Text.c_str());
    const unsigned char* b = reinterpret_cast<const unsigned char*>(other ? other : "");
    for (;; ++a, ++b)
    {
        int ca = std::tolower(*a);
        int cb = std::tolower(*b);
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0;
    }
}

void CString::Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Text = FormatArgs(format, args);
    va_end(args);
}

void CString::FormatMessageId(UINT id, ...)
{
    CString format;
    format.LoadString(id);
    va_list args;
    va_start(args, id);
    Text = FormatArgs(format, args);
    va_end(args);
}

BOOL CString::LoadString(UINT id)
{
    // A string-table entry holds at most 4095 characters; grow until the text fits.
    std::vector<char> buffer(256);
    for (;;)
    {
        int length = ::LoadStringA(AfxGetResourceHandle(), id, buffer.data(), static_cast<int>(buffer.size()));
        if (length <= 0)
        {
            Text.clear();
            return FALSE;
        }
        if (static_cast<size_t>(length) < buffer.size() - 1 || buffer.size() >= 8192)
        {
            Text.assign(buffer.data(), static_cast<size_t>(length));
            return TRUE;
        }
        buffer.resize(buffer.size() * 2);
    }
}
