// CWnd: the handle map, the window procedure every object-backed window runs through,
// message-map dispatch with notification reflection, subclassing and data exchange.
#include "winlib/Wnd.h"

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>
#include "winlib/DataExchange.h"
#include "winlib/WinApp.h"

namespace
{
// The message being handled on this (the only) UI thread, for Default(). It lives outside the
// objects because an object may delete itself while handling WM_NCDESTROY.
struct CurrentMessage
{
    HWND Window;
    UINT Message;
    WPARAM WParam;
    LPARAM LParam;
};
CurrentMessage Current = {nullptr, 0, 0, 0};

std::map<HWND, CWnd*>& PermanentMap()
{
    static std::map<HWND, CWnd*> map;
    return map;
}

std::map<HWND, CWnd*>& TemporaryMap()
{
    static std::map<HWND, CWnd*> map;
    return map;
}

// The object whose CreateEx is running: attached at its window's first message.
CWnd* WindowBeingCreated = nullptr;

bool IsCtlColorMessage(UINT message)
{
    return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
}
}  // namespace

CWnd::~CWnd()
{
    // A window that outlives its object would call into freed memory: take it down with the object.
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this)
    {
        HWND window = m_hWnd;
        ::DestroyWindow(window);
        if (m_hWnd == window)
            Detach();
    }
}

CWnd* CWnd::FromHandle(HWND window)
{
    if (!window)
        return nullptr;
    if (CWnd* permanent = FromHandlePermanent(window))
        return permanent;
    auto& temps = TemporaryMap();
    auto found = temps.find(window);
    if (found != temps.end())
        return found->second;
    CWnd* wrapper = new CWnd;
    wrapper->m_hWnd = window;  // deliberately not in the permanent map: it never owns the window
    temps[window] = wrapper;
    return wrapper;
}

CWnd* CWnd::FromHandlePermanent(HWND window)
{
    if (!window)
        return nullptr;
    auto& map = PermanentMap();
    auto found = map.find(window);
    return found == map.end() ? nullptr : found->second;
}

void CWnd::DeleteTempMap()
{
    // Take each wrapper out of the map before deleting it, so nothing can reach a deleted one.
    auto& temps = TemporaryMap();
    while (!temps.empty())
    {
        CWnd* wrapper = temps.begin()->second;
        temps.erase(temps.begin());
        wrapper->m_hWnd = nullptr;
        delete wrapper;
    }
}

BOOL CWnd::Attach(HWND window)
{
    if (!window || m_hWnd || FromHandlePermanent(window))
        return FALSE;
    m_hWnd = window;
    PermanentMap()[window] = this;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND window = m_hWnd;
    if (window)
    {
        auto& map = PermanentMap();
        auto found = map.find(window);
        if (found != map.end() && found->second == this)
            map.erase(found);
    }
    m_hWnd = nullptr;
    return window;
}

BOOL CWnd::SubclassWindow(HWND window)
{
    if (!Attach(window))
        return FALSE;
    PreSubclassWindow();
    WNDPROC previous =
        reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    // A window of one of our own classes already runs AfxWndProc; chaining to it would loop.
    if (previous != &AfxWndProc)
        SuperWndProc = previous;
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent)
{
    if (!parent || !parent->m_hWnd)
        return FALSE;
    HWND control = ::GetDlgItem(parent->m_hWnd, static_cast<int>(id));
    return control ? SubclassWindow(control) : FALSE;
}

HWND CWnd::UnsubclassWindow()
{
    if (!m_hWnd)
        return nullptr;
    if (SuperWndProc)
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SuperWndProc));
    SuperWndProc = nullptr;
    return Detach();
}

BOOL CWnd::CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU menuOrId, void* param)
{
    if (m_hWnd)
        return FALSE;
    CWnd* outer = WindowBeingCreated;
    WindowBeingCreated = this;
    HWND window = ::CreateWindowExA(exStyle, className, windowName, style, x, y, width, height, parent, menuOrId,
                                    AfxGetInstanceHandle(), param);
    bool attachedByProcedure = WindowBeingCreated != this;
    WindowBeingCreated = outer;
    if (!window)
        return FALSE;
    // A class not run by AfxWndProc never announced the window: subclass it now.
    if (!attachedByProcedure)
        return SubclassWindow(window);
    return TRUE;
}

BOOL CWnd::DestroyWindow()
{
    HWND window = m_hWnd;
    if (!window)
        return FALSE;
    // A window running AfxWndProc detaches its object in WM_NCDESTROY, and the object may delete
    // itself there: in that case nothing of it may be touched after the call.
    bool runsThroughUs = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(window, GWLP_WNDPROC)) == &AfxWndProc;
    BOOL destroyed = ::DestroyWindow(window);
    if (!runsThroughUs && destroyed && m_hWnd == window)
        Detach();
    return destroyed;
}

BOOL CWnd::PreTranslateMessage(MSG*)
{
    return FALSE;
}

void CWnd::PreSubclassWindow()
{
}

void CWnd::PostNcDestroy()
{
}

void CWnd::DoDataExchange(CDataExchange*)
{
}

BOOL CWnd::UpdateData(BOOL saveAndValidate)
{
    CDataExchange exchange(this, saveAndValidate);
    return UpdateData(exchange);
}

BOOL CWnd::UpdateData(CDataExchange& exchange)
{
    bool previousLock = LockNotifications;
    LockNotifications = true;
    DoDataExchange(&exchange);
    LockNotifications = previousLock;
    return exchange.m_bFailed ? FALSE : TRUE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (SuperWndProc)
        return ::CallWindowProcA(SuperWndProc, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    return DefWindowProc(Current.Message, Current.WParam, Current.LParam);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (message == WM_COMMAND)
        return DispatchToMap(WM_REFLECT_BASE + WM_COMMAND, HIWORD(wParam), 0, wParam, lParam, result);
    if (IsCtlColorMessage(message))
    {
        // Reflected as WM_CTLCOLOR with the DC and the CTLCOLOR_* type of the control.
        LPARAM type = static_cast<LPARAM>(message - WM_CTLCOLORMSGBOX);
        return DispatchToMap(WM_REFLECT_BASE + WM_CTLCOLOR, 0, 0, wParam, type, result);
    }
    return FALSE;
}

const AFX_MSGMAP* CWnd::GetThisMessageMap()
{
    typedef CWnd ThisClass;
    // clang-format off
    static const AFX_MSGMAP_ENTRY entries[] = {
        ON_WM_NCDESTROY()
        { 0, 0, 0, nullptr }
    };
    // clang-format on
    static const AFX_MSGMAP map = {nullptr, entries};
    return &map;
}

const AFX_MSGMAP* CWnd::GetMessageMap() const
{
    return GetThisMessageMap();
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (message == WM_COMMAND)
    {
        if (lParam != 0)
        {
            // While UpdateData moves data, the changes it makes must not run the handlers.
            if (LockNotifications)
            {
                *result = 0;
                return TRUE;
            }
            CWnd* control = FromHandlePermanent(reinterpret_cast<HWND>(lParam));
            if (control && control != this && control->OnChildNotify(message, wParam, lParam, result))
                return TRUE;
        }
        return DispatchToMap(WM_COMMAND, HIWORD(wParam), LOWORD(wParam), wParam, lParam, result);
    }
    if (IsCtlColorMessage(message) || message == WM_DRAWITEM)
    {
        HWND controlWindow = message == WM_DRAWITEM
                                 ? (lParam ? reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem : nullptr)
                                 : reinterpret_cast<HWND>(lParam);
        CWnd* control = FromHandlePermanent(controlWindow);
        if (control && control != this && control->OnChildNotify(message, wParam, lParam, result))
            return TRUE;
    }
    // The system tells only top-level windows that its colours changed; pass it on so that
    // controls drawing with system colours (off-screen surfaces included) can refresh.
    if (message == WM_SYSCOLORCHANGE && !(GetStyle() & WS_CHILD))
        SendMessageToDescendants(message, wParam, lParam);
    return DispatchToMap(message, 0, 0, wParam, lParam, result);
}

namespace
{
struct DescendantMessage
{
    UINT Message;
    WPARAM WParam;
    LPARAM LParam;
};

BOOL CALLBACK SendToChild(HWND child, LPARAM param)
{
    const DescendantMessage* m = reinterpret_cast<const DescendantMessage*>(param);
    ::SendMessageA(child, m->Message, m->WParam, m->LParam);
    return TRUE;
}
}  // namespace

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam)
{
    DescendantMessage m = {message, wParam, lParam};
    // EnumChildWindows visits children and their children alike.
    ::EnumChildWindows(m_hWnd, SendToChild, reinterpret_cast<LPARAM>(&m));
}

BOOL CWnd::DispatchToMap(UINT message, UINT code, UINT id, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    bool isCommand = message == WM_COMMAND || message == WM_REFLECT_BASE + WM_COMMAND;
    for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->Base)
    {
        for (const AFX_MSGMAP_ENTRY* entry = map->Entries; entry->Thunk; ++entry)
        {
            if (entry->Message != message)
                continue;
            if (isCommand && (entry->Code != code || entry->Id != id))
                continue;
            // The handler may end with the object deleted: return without touching it.
            if (entry->Thunk(this, wParam, lParam, result))
                return TRUE;
        }
    }
    return FALSE;
}

void CWnd::OnNcDestroy()
{
    Default();
    Detach();
    SuperWndProc = nullptr;
    PostNcDestroy();
}

CWnd* CWnd::GetDlgItem(int id) const
{
    return FromHandle(::GetDlgItem(m_hWnd, id));
}

int CWnd::GetDlgItemText(int id, CString& text) const
{
    HWND control = ::GetDlgItem(m_hWnd, id);
    if (!control)
    {
        text.Empty();
        return 0;
    }
    CWnd* wrapper = FromHandle(control);
    wrapper->GetWindowText(text);
    return text.GetLength();
}

void CWnd::GetWindowText(CString& text) const
{
    int length = ::GetWindowTextLengthA(m_hWnd);
    if (length <= 0)
    {
        text.Empty();
        return;
    }
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    int copied = ::GetWindowTextA(m_hWnd, buffer.data(), static_cast<int>(buffer.size()));
    text = CString(buffer.data(), copied);
}

CWnd* CWnd::GetParent() const
{
    return FromHandle(::GetParent(m_hWnd));
}

CWnd* CWnd::GetNextDlgTabItem(CWnd* control, BOOL previous) const
{
    return FromHandle(::GetNextDlgTabItem(m_hWnd, control ? control->m_hWnd : nullptr, previous));
}

void CWnd::ClientToScreen(LPRECT rect) const
{
    ::ClientToScreen(m_hWnd, reinterpret_cast<POINT*>(&rect->left));
    ::ClientToScreen(m_hWnd, reinterpret_cast<POINT*>(&rect->right));
}

void CWnd::ScreenToClient(LPRECT rect) const
{
    ::ScreenToClient(m_hWnd, reinterpret_cast<POINT*>(&rect->left));
    ::ScreenToClient(m_hWnd, reinterpret_cast<POINT*>(&rect->right));
}

CWnd* CWnd::SetFocus()
{
    return FromHandle(::SetFocus(m_hWnd));
}

CWnd* CWnd::GetFocus()
{
    return FromHandle(::GetFocus());
}

CWnd* CWnd::SetCapture()
{
    return FromHandle(::SetCapture(m_hWnd));
}

CWnd* CWnd::GetCapture()
{
    return FromHandle(::GetCapture());
}

int CWnd::MessageBox(const char* text, const char* caption, UINT type)
{
    return AfxShowMessageBox(m_hWnd, text, caption ? caption : AfxGetAppName(), type);
}

LRESULT CALLBACK AfxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* object = CWnd::FromHandlePermanent(window);
    // A new window's first message (WM_GETMINMAXINFO for top-level windows, else WM_NCCREATE)
    // binds it to the object whose CreateEx is running.
    if (!object && WindowBeingCreated && (message == WM_GETMINMAXINFO || message == WM_NCCREATE))
    {
        object = WindowBeingCreated;
        WindowBeingCreated = nullptr;
        object->Attach(window);
    }
    if (!object)
        return ::DefWindowProcA(window, message, wParam, lParam);

    CurrentMessage saved = Current;
    Current = {window, message, wParam, lParam};
    LRESULT result = object->WindowProc(message, wParam, lParam);
    Current = saved;
    return result;
}

const char* AfxRegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon)
{
    // One class per combination, named after it; the names live as long as the program.
    static std::set<std::string> names;
    char name[96];
    // %p prints each handle at its full width (a 64-bit handle would be cut short by %lx).
    std::snprintf(name, sizeof name, "Glyphcast:%x:%p:%p:%p", classStyle, static_cast<void*>(cursor),
                  static_cast<void*>(background), static_cast<void*>(icon));
    HINSTANCE instance = AfxGetInstanceHandle();
    WNDCLASSA existing;
    if (!::GetClassInfoA(instance, name, &existing))
    {
        WNDCLASSA wc = {};
        wc.style = classStyle;
        wc.lpfnWndProc = &AfxWndProc;
        wc.hInstance = instance;
        wc.hIcon = icon;
        wc.hCursor = cursor;
        wc.hbrBackground = background;
        wc.lpszClassName = name;
        if (!::RegisterClassA(&wc))
            return nullptr;
    }
    return names.insert(name).first->c_str();
}
