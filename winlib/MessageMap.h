// Message maps: one static table per class, chained to its base class's table.
//
// Each entry names a message (and, for WM_COMMAND, a notification code and control id)
// and a small thunk that decodes the parameters and calls the class's handler by name.
// The thunks are captureless lambdas written inside the class's own scope, so handlers
// may be protected and keep their natural signatures.
#pragma once

#include "winlib/Win32.h"
#include "winlib/Geometry.h"

class CWnd;
class CDC;

#ifndef WM_CTLCOLOR
#define WM_CTLCOLOR 0x0019
#endif

// Reflected notifications come back to the control that sent them under these message numbers.
constexpr UINT WM_REFLECT_BASE = 0xBC00;

struct AFX_MSGMAP_ENTRY
{
    UINT Message;  // window message, or WM_REFLECT_BASE + message for reflected ones
    UINT Code;     // notification code for WM_COMMAND (and its reflection); 0 otherwise
    UINT Id;       // control id for WM_COMMAND; 0 otherwise
    // Returns true when the message was handled; *result is then the message's result.
    bool (*Thunk)(CWnd* self, WPARAM wParam, LPARAM lParam, LRESULT* result);
};

struct AFX_MSGMAP
{
    const AFX_MSGMAP* Base;
    const AFX_MSGMAP_ENTRY* Entries;  // ends with an entry whose Thunk is null
};

// The macros below read best one entry a line, as written: the formatter leaves them alone.
// clang-format off
#define DECLARE_MESSAGE_MAP()                              \
protected:                                                 \
    static const AFX_MSGMAP* GetThisMessageMap();          \
    const AFX_MSGMAP* GetMessageMap() const override;      \
private:

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                               \
    const AFX_MSGMAP* theClass::GetMessageMap() const                        \
    {                                                                        \
        return GetThisMessageMap();                                          \
    }                                                                        \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                          \
    {                                                                        \
        using ThisClass [[maybe_unused]] = theClass;                         \
        using TheBaseClass = baseClass;                                      \
        static const AFX_MSGMAP_ENTRY entries[] = {

#define END_MESSAGE_MAP()                                                    \
            { 0, 0, 0, nullptr }                                             \
        };                                                                   \
        static const AFX_MSGMAP map = { TheBaseClass::GetThisMessageMap(), entries }; \
        return &map;                                                         \
    }

#define AFX_THUNK(body) \
    [](CWnd* w, WPARAM wParam, LPARAM lParam, LRESULT* r) -> bool { \
        ThisClass* self = static_cast<ThisClass*>(w); (void)self; (void)wParam; (void)lParam; (void)r; body }

// --- window messages -------------------------------------------------------------------------

#define ON_WM_INITDIALOG() { WM_INITDIALOG, 0, 0, AFX_THUNK(*r = self->OnInitDialog(); return true;) },
#define ON_WM_PAINT() { WM_PAINT, 0, 0, AFX_THUNK(self->OnPaint(); *r = 0; return true;) },
#define ON_WM_SYSCOMMAND() \
    { WM_SYSCOMMAND, 0, 0, AFX_THUNK(self->OnSysCommand(static_cast<UINT>(wParam), lParam); *r = 0; return true;) },
#define ON_WM_QUERYDRAGICON() \
    { WM_QUERYDRAGICON, 0, 0, AFX_THUNK(*r = reinterpret_cast<LRESULT>(self->OnQueryDragIcon()); return true;) },
#define ON_WM_NCHITTEST() \
    { WM_NCHITTEST, 0, 0, AFX_THUNK(*r = self->OnNcHitTest(CPoint(lParam)); return true;) },
#define ON_WM_SETCURSOR() \
    { WM_SETCURSOR, 0, 0, AFX_THUNK(*r = self->OnSetCursor(CWnd::FromHandle(reinterpret_cast<HWND>(wParam)), \
        LOWORD(lParam), HIWORD(lParam)); return true;) },
#define ON_WM_LBUTTONDOWN() \
    { WM_LBUTTONDOWN, 0, 0, AFX_THUNK(self->OnLButtonDown(static_cast<UINT>(wParam), CPoint(lParam)); *r = 0; return true;) },
#define ON_WM_LBUTTONUP() \
    { WM_LBUTTONUP, 0, 0, AFX_THUNK(self->OnLButtonUp(static_cast<UINT>(wParam), CPoint(lParam)); *r = 0; return true;) },
#define ON_WM_LBUTTONDBLCLK() \
    { WM_LBUTTONDBLCLK, 0, 0, AFX_THUNK(self->OnLButtonDblClk(static_cast<UINT>(wParam), CPoint(lParam)); *r = 0; return true;) },
#define ON_WM_MOUSEMOVE() \
    { WM_MOUSEMOVE, 0, 0, AFX_THUNK(self->OnMouseMove(static_cast<UINT>(wParam), CPoint(lParam)); *r = 0; return true;) },
#define ON_WM_KEYDOWN() \
    { WM_KEYDOWN, 0, 0, AFX_THUNK(self->OnKeyDown(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam)); *r = 0; return true;) },
#define ON_WM_KILLFOCUS() \
    { WM_KILLFOCUS, 0, 0, AFX_THUNK(self->OnKillFocus(CWnd::FromHandle(reinterpret_cast<HWND>(wParam))); *r = 0; return true;) },
#define ON_WM_CAPTURECHANGED() \
    { WM_CAPTURECHANGED, 0, 0, AFX_THUNK(self->OnCaptureChanged(CWnd::FromHandle(reinterpret_cast<HWND>(lParam))); *r = 0; return true;) },
#define ON_WM_ACTIVATEAPP() \
    { WM_ACTIVATEAPP, 0, 0, AFX_THUNK(self->OnActivateApp(static_cast<BOOL>(wParam), static_cast<DWORD>(lParam)); *r = 0; return true;) },
#define ON_WM_QUERYNEWPALETTE() \
    { WM_QUERYNEWPALETTE, 0, 0, AFX_THUNK(*r = self->OnQueryNewPalette(); return true;) },
#define ON_WM_PALETTECHANGED() \
    { WM_PALETTECHANGED, 0, 0, AFX_THUNK(self->OnPaletteChanged(CWnd::FromHandle(reinterpret_cast<HWND>(wParam))); *r = 0; return true;) },
#define ON_WM_SYSCOLORCHANGE() \
    { WM_SYSCOLORCHANGE, 0, 0, AFX_THUNK(self->OnSysColorChange(); *r = 0; return true;) },
#define ON_WM_ERASEBKGND() \
    { WM_ERASEBKGND, 0, 0, AFX_THUNK(*r = self->OnEraseBkgnd(reinterpret_cast<HDC>(wParam)); return true;) },
#define ON_WM_DESTROY() { WM_DESTROY, 0, 0, AFX_THUNK(self->OnDestroy(); *r = 0; return true;) },
#define ON_WM_NCDESTROY() { WM_NCDESTROY, 0, 0, AFX_THUNK(self->OnNcDestroy(); *r = 0; return true;) },

// A custom message: LRESULT Handler(WPARAM, LPARAM).
#define ON_MESSAGE(message, handler) \
    { message, 0, 0, AFX_THUNK(*r = self->handler(wParam, lParam); return true;) },

// --- commands and control notifications to the parent ------------------------------------------

// void Handler() for WM_COMMAND with the given notification code from control id.
#define ON_CONTROL(code, id, handler) \
    { WM_COMMAND, static_cast<UINT>(code), static_cast<UINT>(id), AFX_THUNK(self->handler(); *r = 0; return true;) },
#define ON_COMMAND(id, handler) ON_CONTROL(0, id, handler)
#define ON_BN_CLICKED(id, handler) ON_CONTROL(BN_CLICKED, id, handler)
#define ON_EN_CHANGE(id, handler) ON_CONTROL(EN_CHANGE, id, handler)
#define ON_EN_MAXTEXT(id, handler) ON_CONTROL(EN_MAXTEXT, id, handler)
#define ON_CBN_EDITCHANGE(id, handler) ON_CONTROL(CBN_EDITCHANGE, id, handler)
#define ON_CBN_CLOSEUP(id, handler) ON_CONTROL(CBN_CLOSEUP, id, handler)
#define ON_CBN_SELCHANGE(id, handler) ON_CONTROL(CBN_SELCHANGE, id, handler)

// --- notifications reflected back to the control that sent them -------------------------------

// void Handler() for the control's own WM_COMMAND notification.
#define ON_CONTROL_REFLECT(code, handler) \
    { WM_REFLECT_BASE + WM_COMMAND, static_cast<UINT>(code), 0, AFX_THUNK(self->handler(); *r = 0; return true;) },
// HBRUSH CtlColor(CDC* dc, UINT ctlType) for the parent's WM_CTLCOLOR* about this control.
// A null brush leaves the colouring to the parent.
#define ON_WM_CTLCOLOR_REFLECT() \
    { WM_REFLECT_BASE + WM_CTLCOLOR, 0, 0, AFX_THUNK( \
        CDC dc; dc.Attach(reinterpret_cast<HDC>(wParam)); \
        HBRUSH brush = self->CtlColor(&dc, static_cast<UINT>(lParam)); dc.Detach(); \
        *r = reinterpret_cast<LRESULT>(brush); return brush != nullptr;) },
// clang-format on
