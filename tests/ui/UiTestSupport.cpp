// Helpers shared by the UI tests.
#include "tests/ui/UiTestSupport.h"

#include <cstdio>
#include <deque>
#include <map>

namespace uitest
{
namespace
{
std::vector<RecordedMessageBox> Boxes;
std::deque<int> Answers;
std::map<UINT_PTR, std::function<void()>> Later;

void CALLBACK RunLaterTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(nullptr, id);
    auto found = Later.find(id);
    if (found == Later.end())
        return;
    std::function<void()> action = std::move(found->second);
    Later.erase(found);
    action();
}
}  // namespace

const std::vector<RecordedMessageBox>& MessageBoxes()
{
    return Boxes;
}

void ClearMessageBoxes()
{
    Boxes.clear();
    Answers.clear();
}

void QueueMessageBoxAnswer(int answer)
{
    Answers.push_back(answer);
}

int RecordMessageBox(HWND owner, const char* text, const char* caption, UINT type)
{
    Boxes.push_back({owner, text ? text : "", caption ? caption : "", type});
    if (!Answers.empty())
    {
        int answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    UINT buttons = type & MB_TYPEMASK;
    return buttons == MB_YESNO || buttons == MB_YESNOCANCEL ? IDYES : IDOK;
}

std::string MessageFor(UINT id, const std::string& path)
{
    CString format;
    format.LoadString(id);
    char text[1024];
    std::snprintf(text, sizeof(text), format.GetString(), path.c_str());
    return text;
}

void PumpMessages()
{
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    {
        if (message.message == WM_QUIT)
        {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (!AfxPreTranslateMessage(&message))
        {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    CWnd::DeleteTempMap();
}

void RunLater(std::function<void()> action, UINT delayMs)
{
    UINT_PTR id = ::SetTimer(nullptr, 0, delayMs, &RunLaterTimer);
    if (id)
        Later[id] = std::move(action);
}

void PressKey(UINT virtualKey)
{
    HWND focus = ::GetFocus();
    UINT scan = ::MapVirtualKeyA(virtualKey, 0);
    ::PostMessageA(focus, WM_KEYDOWN, virtualKey, static_cast<LPARAM>(1 | (scan << 16)));
    ::PostMessageA(focus, WM_KEYUP, virtualKey, static_cast<LPARAM>(1 | (scan << 16) | 0xC0000000u));
    PumpMessages();
}

int GdiObjectCount()
{
    DWORD count = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    return count == 0 ? -1 : static_cast<int>(count);
}

std::vector<std::uint8_t> HugePngHeader()
{
    std::vector<std::uint8_t> png = {0x89, 'P',  'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0,
                                     0,    0x40, 0,   0,   0,    0x40, 0,    16,   2, 0, 0, 0,  0,   0,   0,   0};
    png.resize(200, 0);
    return png;
}

DialogTemplate::DialogTemplate(DWORD style, int width, int height, const char* caption)
{
    AddWord(LOWORD(style));
    AddWord(HIWORD(style));
    AddWord(0);  // extended style
    AddWord(0);
    CountAt = Words.size();
    AddWord(0);  // item count, counted by Add
    AddWord(0);  // x
    AddWord(0);  // y
    AddWord(static_cast<WORD>(width));
    AddWord(static_cast<WORD>(height));
    AddWord(0);  // no menu
    AddWord(0);  // the standard dialog class
    AddString(caption);
    if (style & DS_SETFONT)
    {
        AddWord(8);
        AddString("MS Sans Serif");
    }
}

DialogTemplate& DialogTemplate::Add(const char* className, const char* text, int id, DWORD style, int x, int y,
                                    int width, int height)
{
    Align();
    style |= WS_CHILD | WS_VISIBLE;
    AddWord(LOWORD(style));
    AddWord(HIWORD(style));
    AddWord(0);
    AddWord(0);
    AddWord(static_cast<WORD>(x));
    AddWord(static_cast<WORD>(y));
    AddWord(static_cast<WORD>(width));
    AddWord(static_cast<WORD>(height));
    AddWord(static_cast<WORD>(id));
    AddString(className);
    AddString(text);
    AddWord(0);  // no creation data
    ++Words[CountAt];
    return *this;
}

const DLGTEMPLATE* DialogTemplate::Get()
{
    return reinterpret_cast<const DLGTEMPLATE*>(Words.data());
}

void DialogTemplate::AddWord(WORD value)
{
    Words.push_back(value);
}

void DialogTemplate::AddString(const char* text)
{
    for (const char* at = text ? text : ""; *at; ++at)
        Words.push_back(static_cast<unsigned char>(*at));
    Words.push_back(0);
}

void DialogTemplate::Align()
{
    // Items start on DWORD boundaries; the vector's storage itself is DWORD-aligned.
    if (Words.size() % 2)
        Words.push_back(0);
}

}  // namespace uitest
