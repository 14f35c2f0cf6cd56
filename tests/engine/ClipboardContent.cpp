#include "tests/engine/ClipboardContent.h"

#include <windows.h>

#include <cstring>

std::string ClipboardBytes(unsigned format)
{
    std::string bytes;
    if (!::OpenClipboard(nullptr))
        return bytes;
    if (HANDLE data = ::GetClipboardData(format))
    {
        if (const char* held = static_cast<const char*>(::GlobalLock(data)))
        {
            bytes.assign(held, strnlen(held, ::GlobalSize(data)));
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return bytes;
}

std::string ClipboardAnsiText()
{
    return ClipboardBytes(CF_TEXT);
}

std::wstring ClipboardWideText()
{
    std::wstring text;
    if (!::OpenClipboard(nullptr))
        return text;
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT))
    {
        if (const auto* characters = static_cast<const wchar_t*>(::GlobalLock(data)))
        {
            text = characters;
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return text;
}

bool PutTextOnClipboard(const char* text)
{
    if (!::OpenClipboard(nullptr))
        return false;
    ::EmptyClipboard();
    const std::size_t size = std::strlen(text) + 1;
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, size);
    void* target = memory ? ::GlobalLock(memory) : nullptr;
    if (target)
    {
        std::memcpy(target, text, size);
        ::GlobalUnlock(memory);
    }
    const bool put = target && ::SetClipboardData(CF_TEXT, memory);
    if (!put && memory)
        ::GlobalFree(memory);
    ::CloseClipboard();
    return put;
}
