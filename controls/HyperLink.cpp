#include "controls/HyperLink.h"

#include <cstring>

#include "res/resource.h"

namespace
{
// The text colour of a link: pure blue (0x00BBGGRR).
constexpr COLORREF LinkColor = RGB(0, 0, 255);

// ShellExecuteA reports success with a value above 32; 32 and below are error codes.
constexpr ULONG_PTR ShellSuccessAbove = 32;
}  // namespace

CHyperLink::ShellExecuteFunction CHyperLink::ShellExecuteHook = ::ShellExecuteA;

BEGIN_MESSAGE_MAP(CHyperLink, CStatic)
    ON_WM_CTLCOLOR_REFLECT()
    ON_WM_NCHITTEST()
    ON_WM_SETCURSOR()
    ON_WM_LBUTTONDOWN()
    ON_WM_DPICHANGED_AFTERPARENT()
END_MESSAGE_MAP()

// The hand at the system's cursor size, so that it matches the other pointers on this display.
CHyperLink::CHyperLink()
    : LinkCursor(static_cast<HCURSOR>(::LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDC_LINK_CURSOR),
                                                   IMAGE_CURSOR, ::GetSystemMetrics(SM_CXCURSOR),
                                                   ::GetSystemMetrics(SM_CYCURSOR), LR_DEFAULTCOLOR)))
{
}

HBRUSH CHyperLink::CtlColor(CDC* dc, UINT /*ctlType*/)
{
    // Only plain text statics (left, centred, right) are drawn as links; icons, frames and
    // the like keep the parent's colouring.
    if ((GetStyle() & 0xFF) > SS_RIGHT)
        return nullptr;

    if (!UnderlineFont.GetSafeHandle())
    {
        // The template gives every control the dialog font; should a control have none,
        // underline the system's font for dialogs instead.
        HFONT font = GetFont();
        if (!font)
            font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
        LOGFONTA logFont;
        std::memset(&logFont, 0, sizeof logFont);
        ::GetObjectA(font, sizeof logFont, &logFont);
        logFont.lfUnderline = 1;
        if (UnderlineFont.CreateFontIndirect(&logFont))
        {
            // Some static controls select their own font after asking for colours, which
            // would undo the selection below; as the control's own font it holds either way.
            // No redraw: this runs while the control paints.
            SetFont(UnderlineFont, FALSE);
        }
    }

    dc->SelectObject(UnderlineFont);
    dc->SetTextColor(LinkColor);
    dc->SetBkMode(TRANSPARENT);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

LRESULT CHyperLink::OnNcHitTest(CPoint /*point*/)
{
    return HTCLIENT;
}

BOOL CHyperLink::OnSetCursor(CWnd* /*window*/, UINT /*hitTest*/, UINT /*message*/)
{
    ::SetCursor(LinkCursor);
    return TRUE;
}

void CHyperLink::OnLButtonDown(UINT flags, CPoint point)
{
    CString text;
    GetWindowText(text);

    HINSTANCE result = ShellExecuteHook(nullptr, "open", text, nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<ULONG_PTR>(result) <= ShellSuccessAbove)
        CopyToClipboard(text);  // nothing is shown either way

    CStatic::OnLButtonDown(flags, point);
}

void CHyperLink::OnDpiChangedAfterParent()
{
    CStatic::OnDpiChangedAfterParent();
    CWnd* parent = GetParent();
    HFONT dialogFont = parent ? parent->GetFont() : nullptr;
    if (!dialogFont || !UnderlineFont.GetSafeHandle())
        return;
    // The control shows the dialog's font again before the old underlined one goes; the next
    // colouring underlines the new one.
    SetFont(dialogFont, FALSE);
    UnderlineFont.DeleteObject();
    Invalidate();
}

bool CHyperLink::CopyToClipboard(const CString& text)
{
    if (!::OpenClipboard(m_hWnd))
        return false;

    bool copied = false;
    if (::EmptyClipboard())
    {
        const size_t size = static_cast<size_t>(text.GetLength()) + 1;
        HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size);
        if (block)
        {
            if (void* memory = ::GlobalLock(block))
            {
                std::memcpy(memory, text.GetString(), size);
                ::GlobalUnlock(block);
                // On success the clipboard owns the block; otherwise it is still ours to free.
                copied = ::SetClipboardData(CF_TEXT, block) != nullptr;
            }
            if (!copied)
                ::GlobalFree(block);
        }
    }
    ::CloseClipboard();
    return copied;
}
