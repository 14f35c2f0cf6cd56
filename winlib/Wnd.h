// CWnd: a C++ object attached to a window handle, with message-map dispatch,
// subclassing, notification reflection and dialog data exchange.
#pragma once

#include "winlib/Win32.h"
#include "winlib/Geometry.h"
#include "winlib/String.h"
#include "winlib/MessageMap.h"

class CDataExchange;

class CWnd
{
public:
    CWnd() = default;
    // Destroys the window if this object still owns one.
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    operator HWND() const { return m_hWnd; }
    // The handle, or null while no window is attached. Like every member it needs an object:
    // a missing dialog item (GetDlgItem answers null) is tested before it is used.
    HWND GetSafeHwnd() const { return m_hWnd; }

    // The object attached to a handle; for a handle without one, a temporary wrapper that
    // lives until the message loop next goes idle. Null for a null handle.
    static CWnd* FromHandle(HWND window);
    // The object attached to a handle, or null.
    static CWnd* FromHandlePermanent(HWND window);
    // Frees the temporary wrappers made by FromHandle.
    static void DeleteTempMap();

    BOOL Attach(HWND window);
    HWND Detach();
    // Routes an existing window's messages through this object (and its message map).
    BOOL SubclassWindow(HWND window);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    HWND UnsubclassWindow();

    // Creates a window of a class registered with AfxRegisterWndClass (or any class).
    BOOL CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y, int width,
                  int height, HWND parent, HMENU menuOrId, void* param = nullptr);
    virtual BOOL DestroyWindow();

    // Called for every message the modal loop dispatches to this window or its children, first
    // for the innermost window; true means the message has been dealt with.
    virtual BOOL PreTranslateMessage(MSG* message);
    // Called when a window is attached by subclassing, before its messages reach this object.
    virtual void PreSubclassWindow();
    // Called after the window has received its last message; the object may delete itself here.
    virtual void PostNcDestroy();

    // Moves data between the controls and member fields; see DataExchange.h.
    virtual void DoDataExchange(CDataExchange* exchange);
    // TRUE reads the controls (with validation) into the fields, FALSE writes the fields into the
    // controls. Control notifications to this window are ignored while it runs. A failed read has
    // shown its message and focused the control, and returns FALSE.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    // The same with an exchange of the caller's, e.g. a quiet read or a write that leaves the
    // controls which did not read as they are (see DataExchange.h).
    BOOL UpdateData(CDataExchange& exchange);

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The processing a message gets when no handler takes it: the window class's own procedure.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Default processing of the message being handled now.
    LRESULT Default();
    // Offered a notification the parent received about this control (WM_COMMAND, WM_CTLCOLOR*,
    // WM_DRAWITEM); true when this control handled it, *result is then the parent's answer.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    // --- window operations -------------------------------------------------------------------
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::PostMessageA(m_hWnd, message, wParam, lParam);
    }
    CWnd* GetDlgItem(int id) const;
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    void SetDlgItemText(int id, const char* text) { ::SetDlgItemTextA(m_hWnd, id, text); }
    int GetDlgItemText(int id, CString& text) const;
    void SetWindowText(const char* text) { ::SetWindowTextA(m_hWnd, text); }
    void GetWindowText(CString& text) const;
    int GetWindowTextLength() const { return ::GetWindowTextLengthA(m_hWnd); }
    CWnd* GetParent() const;
    CWnd* GetNextDlgTabItem(CWnd* control, BOOL previous = FALSE) const;

    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE)
    {
        ::MoveWindow(m_hWnd, x, y, width, height, repaint);
    }
    void MoveWindow(const RECT& rect, BOOL repaint = TRUE)
    {
        MoveWindow(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, repaint);
    }
    void GetClientRect(LPRECT rect) const { ::GetClientRect(m_hWnd, rect); }
    void GetWindowRect(LPRECT rect) const { ::GetWindowRect(m_hWnd, rect); }
    void ClientToScreen(LPPOINT point) const { ::ClientToScreen(m_hWnd, point); }
    void ClientToScreen(LPRECT rect) const;
    void ScreenToClient(LPPOINT point) const { ::ScreenToClient(m_hWnd, point); }
    void ScreenToClient(LPRECT rect) const;
    void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void InvalidateRect(const RECT* rect, BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, rect, erase); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_EXSTYLE)); }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
    void SetFont(HFONT font, BOOL redraw = TRUE) { SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw); }
    HICON SetIcon(HICON icon, BOOL big)
    {
        return reinterpret_cast<HICON>(
            SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
    }
    HMENU GetSystemMenu(BOOL revert) const { return ::GetSystemMenu(m_hWnd, revert); }
    CWnd* SetFocus();
    static CWnd* GetFocus();
    CWnd* SetCapture();
    static CWnd* GetCapture();
    BOOL IsChild(const CWnd* window) const { return window && ::IsChild(m_hWnd, window->m_hWnd); }

    // Sends a message to every child window, and their children in turn.
    void SendMessageToDescendants(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    // A message box owned by this window; a null caption means the application's name.
    int MessageBox(const char* text, const char* caption = nullptr, UINT type = MB_OK);

protected:
    // The root of every message map: WM_NCDESTROY, so objects learn that their window is gone.
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

    // Finds and runs this object's handler for a message; true when one handled it.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Runs the map entry for a message (and notification code / control id), walking base maps.
    BOOL DispatchToMap(UINT message, UINT code, UINT id, WPARAM wParam, LPARAM lParam, LRESULT* result);

    // Handlers with default processing, for derived classes to call as the base behaviour.
    void OnPaint() { Default(); }
    void OnSysCommand(UINT, LPARAM) { Default(); }
    HCURSOR OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }
    LRESULT OnNcHitTest(CPoint) { return Default(); }
    BOOL OnSetCursor(CWnd*, UINT, UINT) { return static_cast<BOOL>(Default()); }
    void OnLButtonDown(UINT, CPoint) { Default(); }
    void OnLButtonUp(UINT, CPoint) { Default(); }
    void OnLButtonDblClk(UINT, CPoint) { Default(); }
    void OnMouseMove(UINT, CPoint) { Default(); }
    void OnKeyDown(UINT, UINT, UINT) { Default(); }
    void OnKillFocus(CWnd*) { Default(); }
    void OnCaptureChanged(CWnd*) { Default(); }
    void OnActivateApp(BOOL, DWORD) { Default(); }
    BOOL OnQueryNewPalette() { return static_cast<BOOL>(Default()); }
    void OnPaletteChanged(CWnd*) { Default(); }
    void OnSysColorChange() { Default(); }
    BOOL OnEraseBkgnd(HDC) { return static_cast<BOOL>(Default()); }
    void OnDestroy() { Default(); }
    // Default processing, then detaches the object and calls PostNcDestroy.
    void OnNcDestroy();

    WNDPROC SuperWndProc = nullptr;  // the window's procedure before we subclassed it
    bool LockNotifications = false;

    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend class CDialog;
};

// The window procedure of every window that has an object attached.
LRESULT CALLBACK AfxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers (once) and names a window class whose windows are run by AfxWndProc.
const char* AfxRegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr, HBRUSH background = nullptr,
                                HICON icon = nullptr);
