#include "output/Clipboard.h"

#include "base/MappedFile.h"
#include "base/SystemError.h"
#include "base/TextEncoding.h"

#include <windows.h>

#include <cstring>

namespace
{

// Opening may fail while another program reads the clipboard: a few tries, a moment apart.
const int OpenTries = 5;
const DWORD OpenPauseMs = 10;

// A hidden message-only window, the clipboard's owner while the data are put there.
class CClipboardOwner
{
public:
    CClipboardOwner()
        : Window(::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr))
    {
    }
    ~CClipboardOwner()
    {
        if (Window)
            ::DestroyWindow(Window);
    }
    CClipboardOwner(const CClipboardOwner&) = delete;
    CClipboardOwner& operator=(const CClipboardOwner&) = delete;

    HWND Get() const { return Window; }

private:
    HWND Window;
};

// Copies bytes into movable global memory, as the clipboard takes it; null when there is none.
HGLOBAL GlobalCopy(const void* bytes, std::size_t size)
{
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, size);
    void* target = memory ? ::GlobalLock(memory) : nullptr;
    if (!target)
    {
        if (memory)
            ::GlobalFree(memory);
        return nullptr;
    }
    std::memcpy(target, bytes, size);
    ::GlobalUnlock(memory);
    return memory;
}

// Hands the data to the clipboard, which then owns them.
bool SetData(UINT format, const void* bytes, std::size_t size)
{
    HGLOBAL memory = GlobalCopy(bytes, size);
    if (!memory)
        return false;
    if (::SetClipboardData(format, memory))
        return true;
    ::GlobalFree(memory);
    return false;
}

}  // namespace

unsigned HtmlClipboardFormat()
{
    static const UINT format = ::RegisterClipboardFormatA("HTML Format");
    return format;
}

bool PutOnClipboard(const ClipboardPage& page, std::string& reason)
{
    const std::u16string utf16 = Utf16Of(page.Text);
    const std::wstring wide(utf16.begin(), utf16.end());
    const int ansiLength =
        ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size() + 1), nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(ansiLength > 0 ? ansiLength : 1), '\0');
    if (ansiLength > 0)
        ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size() + 1), &ansi[0], ansiLength, nullptr,
                              nullptr);

    CClipboardOwner owner;
    bool opened = false;
    for (int tries = 0; !opened && tries < OpenTries; ++tries)
    {
        opened = ::OpenClipboard(owner.Get()) != FALSE;
        if (!opened)
            ::Sleep(OpenPauseMs);
    }
    if (!opened)
    {
        reason = "another program is holding the clipboard";
        return false;
    }
    const bool put = ::EmptyClipboard() && SetData(HtmlClipboardFormat(), page.Html.c_str(), page.Html.size() + 1) &&
                     SetData(CF_UNICODETEXT, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t)) &&
                     SetData(CF_TEXT, ansi.data(), ansi.size());
    const DWORD error = put ? 0 : ::GetLastError();
    ::CloseClipboard();
    if (!put)
        reason = error ? DescribeSystemError(error) : std::string("there is not enough memory");
    return put;
}

bool CopyPageToClipboard(const std::string& path, std::uint32_t columns, std::uint32_t rows, std::string& reason)
{
    reason = ClipboardProblem(columns, rows);
    if (!reason.empty())
        return false;
    CMappedFile page;
    if (!page.Open(path))
    {
        reason = "the page cannot be read: " + page.FailureReason();
        return false;
    }
    const std::string bytes(reinterpret_cast<const char*>(page.Data()), page.Size());
    page.Close();
    return PutOnClipboard(MakeClipboardPage(bytes), reason);
}
