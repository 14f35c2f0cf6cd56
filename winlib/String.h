// CString: the small ANSI string type the dialogs and pages exchange data in.
#pragma once

#include <string>
#include "winlib/Win32.h"

class CString
{
public:
    CString() = default;
    CString(const char* text) : m_Text(text ? text : "") {}
    CString(const char* text, int length) : m_Text(text, length > 0 ? length : 0) {}
    CString(const std::string& text) : m_Text(text) {}

    operator const char*() const { return m_Text.c_str(); }
    const char* GetString() const { return m_Text.c_str(); }
    const std::string& Str() const { return m_Text; }

    int GetLength() const { return static_cast<int>(m_Text.size()); }
    bool IsEmpty() const { return m_Text.empty(); }
    void Empty() { m_Text.clear(); }
    char GetAt(int index) const { return m_Text[static_cast<size_t>(index)]; }
    char operator[](int index) const { return GetAt(index); }

    // The first count characters (all of them when count exceeds the length; none when negative).
    CString Left(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Right(int count) const;

    // Positions are 0-based; -1 when absent.
    int Find(char ch, int start = 0) const;
    int Find(const char* text, int start = 0) const;
    int ReverseFind(char ch) const;

    int CompareNoCase(const char* other) const;

    // printf-style formatting into this string; any length.
    void Format(const char* format, ...)
#ifdef __GNUC__
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    // Formats a string-table entry (ids as in the resource script) with printf-style arguments.
    void FormatMessageId(UINT id, ...);

    // Replaces the text with a string-table entry; false (and empty) when there is none.
    BOOL LoadString(UINT id);

    CString& operator=(const char* text) { m_Text = text ? text : ""; return *this; }
    CString& operator+=(const char* text) { m_Text += text ? text : ""; return *this; }
    CString& operator+=(char ch) { m_Text += ch; return *this; }
    CString& operator+=(const CString& other) { m_Text += other.m_Text; return *this; }

    friend CString operator+(const CString& a, const CString& b) { return CString(a.m_Text + b.m_Text); }
    friend CString operator+(const CString& a, const char* b) { return CString(a.m_Text + (b ? b : "")); }
    friend CString operator+(const char* a, const CString& b) { return CString((a ? a : "") + b.m_Text); }
    friend bool operator==(const CString& a, const CString& b) { return a.m_Text == b.m_Text; }
    friend bool operator==(const CString& a, const char* b) { return a.m_Text == (b ? b : ""); }
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator!=(const CString& a, const char* b) { return !(a == b); }

private:
    std::string m_Text;
};
