// CString: the small ANSI string type the dialogs and pages exchange data in.
#pragma once

#include <string>
#include "winlib/Win32.h"

class CString
{
public:
    CString() = default;
    CString(const char* text) : Text(text ? text : "") {}
    CString(const char* text, int length) : Text(text, length > 0 ? length : 0) {}
    CString(const std::string& text) : Text(text) {}

    operator const char*() const { return Text.c_str(); }
    const char* GetString() const { return Text.c_str(); }
    const std::string& Str() const { return Text; }

    int GetLength() const { return static_cast<int>(Text.size()); }
    bool IsEmpty() const { return Text.empty(); }
    void Empty() { Text.clear(); }
    char GetAt(int index) const { return Text[static_cast<size_t>(index)]; }
    char operator[](int index) const { return GetAt(index); }

    // The first count characters (all of them when count exceeds the length; none when negative).
    CString Left(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Right(int count) const;
    // The text without its last character, however many bytes that takes in the active code page.
    CString WithoutLastCharacter() const;

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

    CString& operator=(const char* text)
    {
        Text = text ? text : "";
        return *this;
    }
    CString& operator+=(const char* text)
    {
        Text += text ? text : "";
        return *this;
    }
    CString& operator+=(char ch)
    {
        Text += ch;
        return *this;
    }
    CString& operator+=(const CString& other)
    {
        Text += other.Text;
        return *this;
    }

    // clang-format off
    friend CString operator+(const CString& a, const CString& b) { return CString(a.Text + b.Text); }
    friend CString operator+(const CString& a, const char* b) { return CString(a.Text + (b ? b : "")); }
    friend CString operator+(const char* a, const CString& b) { return CString((a ? a : "") + b.Text); }
    friend bool operator==(const CString& a, const CString& b) { return a.Text == b.Text; }
    friend bool operator==(const CString& a, const char* b) { return a.Text == (b ? b : ""); }
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator!=(const CString& a, const char* b) { return !(a == b); }
    // clang-format on

private:
    std::string Text;
};
