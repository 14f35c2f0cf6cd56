#include "controls/ColorGrid.h"

#include <cstddef>
#include <cstring>
#include <vector>

namespace
{
// Cells are square, this many pixels a side, whatever the font.
constexpr int CellSize = 24;

// NONCLIENTMETRICSA without the padded-border field, which older systems do not know.
constexpr UINT NonClientMetricsSize = 340;
static_assert(sizeof(NONCLIENTMETRICSA) >= NonClientMetricsSize, "NONCLIENTMETRICSA too small");

// The popup's size until ComputeLayout knows the font.
constexpr int InitialSize = 100;

bool IsArrowKey(UINT key)
{
    return key == VK_DOWN || key == VK_UP || key == VK_RIGHT || key == VK_LEFT;
}
}  // namespace

const COLORREF CColorGrid::GridColors[16] = {
    RGB(255, 255, 255), RGB(0, 0, 0),   RGB(192, 192, 192), RGB(128, 128, 128),  // white, black, silver, grey
    RGB(255, 0, 0),     RGB(128, 0, 0), RGB(255, 255, 0),   RGB(128, 128, 0),    // red, maroon, yellow, olive
    RGB(0, 255, 0),     RGB(0, 128, 0), RGB(0, 255, 255),   RGB(0, 128, 128),    // lime, green, aqua, teal
    RGB(0, 0, 255),     RGB(0, 0, 128), RGB(255, 0, 255),   RGB(128, 0, 128),    // blue, navy, fuchsia, purple
};

BEGIN_MESSAGE_MAP(CColorGrid, CWnd)
    ON_WM_LBUTTONUP()
    ON_WM_PAINT()
    ON_WM_MOUSEMOVE()
    ON_WM_KEYDOWN()
    ON_WM_QUERYNEWPALETTE()
    ON_WM_PALETTECHANGED()
    ON_WM_KILLFOCUS()
    ON_WM_CAPTURECHANGED()
    ON_WM_ACTIVATEAPP()
END_MESSAGE_MAP()

bool CColorGrid::Open(CPoint topLeft, COLORREF initialColor, CWnd* owner)
{
    CColorGrid* grid = new CColorGrid(topLeft, initialColor, owner);
    if (grid->m_hWnd)
        return true;  // from now on the window's destruction frees it
    // No window will ever be destroyed to free it.
    delete grid;
    return false;
}

CColorGrid::CColorGrid(CPoint topLeft, COLORREF initialColor, CWnd* owner)
    : Owner(owner), Margin(::GetSystemMetrics(SM_CXEDGE)), InitialColor(initialColor), CurrentColor(initialColor)
{
    // A failed query leaves the LOGFONT zeroed, which gives the system's default font.
    NONCLIENTMETRICSA metrics;
    std::memset(&metrics, 0, sizeof metrics);
    metrics.cbSize = NonClientMetricsSize;
    ::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, NonClientMetricsSize, &metrics, 0);
    TextFont.CreateFontIndirect(&metrics.lfMessageFont);

    // LOGPALETTE declares one entry; the others follow it in the same block.
    const size_t entriesAt = offsetof(LOGPALETTE, palPalEntry);
    std::vector<unsigned char> block(entriesAt + static_cast<size_t>(ColorCount) * sizeof(PALETTEENTRY));
    LOGPALETTE* palette = reinterpret_cast<LOGPALETTE*>(block.data());
    palette->palVersion = 0x300;
    palette->palNumEntries = static_cast<WORD>(ColorCount);
    PALETTEENTRY* entries = reinterpret_cast<PALETTEENTRY*>(block.data() + entriesAt);
    for (int i = 0; i < ColorCount; ++i)
        entries[i] = {GetRValue(GridColors[i]), GetGValue(GridColors[i]), GetBValue(GridColors[i]), 0};
    Palette.CreatePalette(palette);

    // CS_SAVEBITS: the screen beneath is restored, not repainted, when the popup closes.
    const char* className = AfxRegisterWndClass(CS_VREDRAW | CS_HREDRAW | CS_CLASSDC | CS_SAVEBITS, nullptr,
                                                reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)));
    if (!className || !CreateEx(0, className, "", WS_POPUP | WS_VISIBLE, topLeft.x, topLeft.y, InitialSize, InitialSize,
                                Owner ? Owner->GetSafeHwnd() : nullptr, nullptr))
        return;

    OtherText = "Other ...";
    ComputeLayout();
    SelectedIndex = FindColor(InitialColor);
    SetCapture();
}

void CColorGrid::PostNcDestroy()
{
    delete this;
}

void CColorGrid::ComputeLayout()
{
    CSize text;
    {
        CClientDC dc(this);
        CSelectObject font(dc, TextFont);
        text = dc.GetTextExtent(OtherText);
    }

    ColumnCount = 4;
    RowCount = ColorCount / ColumnCount + (ColorCount % ColumnCount ? 1 : 0);

    CRect window;
    GetWindowRect(&window);
    int width = CellSize * ColumnCount + 2 * Margin;
    const int gridHeight = CellSize * RowCount + 2 * Margin;
    if (text.cx + 2 * Margin > width)
        width = text.cx + 2 * Margin;

    OtherRect = CRect(Margin, gridHeight, width - Margin, gridHeight + (text.cy + 4 * Margin + 2) + Margin);
    WindowRect =
        CRect(window.left, window.top, window.left + width, window.top + gridHeight + OtherRect.Height() + 2 * Margin);

    // Keep the popup on the screen; near the bottom it opens above its owner instead of below.
    const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    if (WindowRect.right > screenWidth)
        WindowRect.OffsetRect(screenWidth - WindowRect.right, 0);
    if (WindowRect.left < 0)
        WindowRect.OffsetRect(-WindowRect.left, 0);
    if (WindowRect.bottom > screenHeight)
    {
        CRect owner;
        if (Owner && Owner->GetSafeHwnd())
            Owner->GetWindowRect(&owner);
        WindowRect.OffsetRect(0, -(WindowRect.Height() + owner.Height()));
        // An owner taller than the room above it would push the popup off the top.
        if (WindowRect.top < 0)
            WindowRect.OffsetRect(0, -WindowRect.top);
    }
    MoveWindow(WindowRect, TRUE);
}

int CColorGrid::FindColor(COLORREF color) const
{
    for (int i = 0; i < ColorCount; ++i)
    {
        if (GridColors[i] == color)
            return i;
    }
    return OTHER_CELL;
}

bool CColorGrid::GetCellRect(int index, CRect& rect) const
{
    if (index == OTHER_CELL)
    {
        rect = OtherRect;
        return true;
    }
    if (index < 0 || index >= ColorCount)
        return false;
    const int left = Margin + CellSize * ColumnOfIndex(index);
    const int top = Margin + CellSize * RowOfIndex(index);
    rect = CRect(left, top, left + CellSize, top + CellSize);
    return true;
}

int CColorGrid::RowOfIndex(int index) const
{
    if (index == OTHER_CELL)
        return OTHER_CELL;
    if (index < 0 || index >= ColorCount)
        return NO_CELL;
    return index / ColumnCount;
}

int CColorGrid::ColumnOfIndex(int index) const
{
    if (index == OTHER_CELL)
        return OTHER_CELL;
    if (index < 0 || index >= ColorCount)
        return NO_CELL;
    return index % ColumnCount;
}

int CColorGrid::IndexFromCell(int row, int column) const
{
    if (row == OTHER_CELL || column == OTHER_CELL)
        return OTHER_CELL;
    if (row < 0 || row >= RowCount || column < 0 || column >= ColumnCount)
        return NO_CELL;
    const int index = row * ColumnCount + column;
    return index < ColorCount ? index : NO_CELL;
}

void CColorGrid::OnMouseMove(UINT flags, CPoint point)
{
    // Division truncates toward zero: the left and top margins belong to the first column and row.
    const int index = OtherRect.PtInRect(point)
                          ? OTHER_CELL
                          : IndexFromCell((point.y - Margin) / CellSize, (point.x - Margin) / CellSize);
    if (index != NO_CELL && index != HotIndex)
        SetHot(index);
    CWnd::OnMouseMove(flags, point);
}

int CColorGrid::NextHot(UINT key) const
{
    if (HotIndex == NO_CELL)
        return OTHER_CELL;
    if (HotIndex == OTHER_CELL)
        return key == VK_DOWN || key == VK_RIGHT ? 0 : ColorCount - 1;

    const int row = RowOfIndex(HotIndex);
    const int column = ColumnOfIndex(HotIndex);
    int next = NO_CELL;
    switch (key)
    {
    case VK_DOWN: next = IndexFromCell(row + 1, column); break;
    case VK_UP: next = row > 0 ? IndexFromCell(row - 1, column) : OTHER_CELL; break;
    case VK_RIGHT: next = column < ColumnCount - 1 ? IndexFromCell(row, column + 1) : IndexFromCell(row + 1, 0); break;
    case VK_LEFT:
        if (column > 0)
            next = IndexFromCell(row, column - 1);
        else
            next = row > 0 ? IndexFromCell(row - 1, ColumnCount - 1) : OTHER_CELL;
        break;
    }
    // Off the grid (past the last row or a short last row) means the Other cell.
    return next == NO_CELL ? OTHER_CELL : next;
}

void CColorGrid::OnKeyDown(UINT key, UINT repeat, UINT flags)
{
    if (IsArrowKey(key))
    {
        SetHot(NextHot(key));
    }
    else if (key == VK_RETURN || key == VK_SPACE)
    {
        EndSelection(WM_COLOR_ACCEPT);
        return;  // the object is gone
    }
    else if (key == VK_ESCAPE)
    {
        CurrentColor = InitialColor;
        EndSelection(WM_COLOR_CANCEL);
        return;
    }
    CWnd::OnKeyDown(key, repeat, flags);
}

void CColorGrid::SetHot(int index)
{
    {
        CClientDC dc(this);
        if (HotIndex != NO_CELL)
        {
            const int previous = HotIndex;
            HotIndex = NO_CELL;
            DrawCell(dc, previous);
        }
        HotIndex = index;
        DrawCell(dc, index);
    }
    // The Other cell has no colour of its own: it shows the colour the grid was opened with.
    if (index == OTHER_CELL)
    {
        NotifyOwner(WM_COLOR_TRACK, InitialColor);
        return;
    }
    CurrentColor = GridColors[index];
    NotifyOwner(WM_COLOR_TRACK, CurrentColor);
}

void CColorGrid::OnLButtonUp(UINT flags, CPoint point)
{
    CWnd::OnLButtonUp(flags, point);
    // Where the button went up on the screen: with the capture it may be far outside the popup.
    const CPoint released(static_cast<LPARAM>(::GetMessagePos()));
    EndSelection(WindowRect.PtInRect(released) ? WM_COLOR_ACCEPT : WM_COLOR_CANCEL);
}

void CColorGrid::EndSelection(UINT message)
{
    // Once the outcome is being reported, the popup is ending: a cancel from the owner's handling
    // of it (say, the application losing activation) must not end it a second time.
    if (Closing)
        return;
    ::ReleaseCapture();
    if (message != WM_COLOR_CANCEL && HotIndex == OTHER_CELL)
    {
        InColorDialog = true;
        // The dialog is modal to the whole window the button lives in, not only to this popup:
        // nothing there may change or end while a colour is being chosen.
        const HWND frame = Owner && Owner->GetSafeHwnd() ? ::GetAncestor(*Owner, GA_ROOT) : nullptr;
        const bool disableFrame = frame && ::IsWindowEnabled(frame);
        if (disableFrame)
            ::EnableWindow(frame, FALSE);
        // Starts from the colour the grid was opened with, not the last hot one.
        CColorDialog dialog(InitialColor, CC_FULLOPEN | CC_ANYCOLOR, this);
        const INT_PTR answer = dialog.DoModal();
        // Enabled again before the dialog's owner goes, so that the activation returns to it.
        if (disableFrame)
            ::EnableWindow(frame, TRUE);
        if (answer == IDOK)
            CurrentColor = dialog.GetColor();
        else
            message = WM_COLOR_CANCEL;
        InColorDialog = false;
    }
    if (message == WM_COLOR_CANCEL)
        CurrentColor = InitialColor;
    const bool outer = !InColorDialog;
    Closing = outer;
    NotifyOwner(message, CurrentColor);
    // A cancel that arrives while the colour dialog runs leaves the closing to the outer call.
    if (outer)
        DestroyWindow();
}

void CColorGrid::NotifyOwner(UINT message, COLORREF color) const
{
    if (Owner && Owner->GetSafeHwnd())
        Owner->SendMessage(message, static_cast<WPARAM>(color), 0);
}

void CColorGrid::OnKillFocus(CWnd* next)
{
    CWnd::OnKillFocus(next);
    ::ReleaseCapture();
}

void CColorGrid::OnActivateApp(BOOL active, DWORD thread)
{
    CWnd::OnActivateApp(active, thread);
    if (!active)
        EndSelection(WM_COLOR_CANCEL);
}

// Losing the capture (to the colour dialog, or another window) does not close the popup.
void CColorGrid::OnCaptureChanged(CWnd* capturer)
{
    CWnd::OnCaptureChanged(capturer);
}

BOOL CColorGrid::OnQueryNewPalette()
{
    Invalidate(TRUE);
    return CWnd::OnQueryNewPalette();
}

void CColorGrid::OnPaletteChanged(CWnd* changer)
{
    CWnd::OnPaletteChanged(changer);
    if (!changer || changer->m_hWnd != m_hWnd)
        Invalidate(TRUE);
}

void CColorGrid::OnPaint()
{
    CPaintDC dc(this);
    for (int i = 0; i < ColorCount; ++i)
        DrawCell(dc, i);
    DrawCell(dc, OTHER_CELL);
    // The popup has no border of its own: the raised edge is its frame.
    CRect client;
    GetClientRect(&client);
    dc.DrawEdge(client, EDGE_RAISED, BF_RECT);
}

void CColorGrid::DrawCell(CDC& dc, int index)
{
    if (index == OTHER_CELL)
    {
        DrawOtherCell(dc);
        return;
    }
    CRect cell;
    if (!GetCellRect(index, cell))
        return;

    const bool paletteDevice = (dc.GetDeviceCaps(RASTERCAPS) & RC_PALETTE) != 0;
    CSelectPalette palette(dc, paletteDevice ? static_cast<HPALETTE>(Palette) : nullptr, FALSE);
    if (paletteDevice)
        dc.RealizePalette();

    const bool hot = index == HotIndex;
    const bool selected = index == SelectedIndex;
    dc.FillSolidRect(cell, ::GetSysColor(selected && !hot ? COLOR_BTNHIGHLIGHT : COLOR_BTNFACE));
    if (hot)
        dc.DrawEdge(cell, BDR_RAISEDINNER, BF_RECT);
    else if (selected)
        dc.DrawEdge(cell, BDR_SUNKENOUTER, BF_RECT);

    const COLORREF colour = GridColors[index];
    CBrush brush(PALETTERGB(GetRValue(colour), GetGValue(colour), GetBValue(colour)));
    CPen pen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNSHADOW));
    CSelectObject selectBrush(dc, brush);
    CSelectObject selectPen(dc, pen);
    cell.DeflateRect(Margin + 1, Margin + 1);
    dc.Rectangle(cell);
}

void CColorGrid::DrawOtherCell(CDC& dc)
{
    CRect cell = OtherRect;
    cell.top += 2 * Margin;
    dc.FillSolidRect(cell, ::GetSysColor(COLOR_BTNFACE));

    // A separator between the colour cells and the Other cell: an etched line.
    const int lineLeft = OtherRect.left + 2 * Margin;
    const int lineLength = OtherRect.Width() - 4 * Margin;
    dc.FillSolidRect(lineLeft, OtherRect.top, lineLength, 1, ::GetSysColor(COLOR_BTNSHADOW));
    dc.FillSolidRect(lineLeft, OtherRect.top + 1, lineLength, 1, ::GetSysColor(COLOR_BTNHIGHLIGHT));

    const bool hot = HotIndex == OTHER_CELL;
    const bool selected = SelectedIndex == OTHER_CELL;
    cell.DeflateRect(1, 1);
    dc.FillSolidRect(cell, ::GetSysColor(selected && !hot ? COLOR_3DLIGHT : COLOR_BTNFACE));
    if (hot)
        dc.DrawEdge(cell, BDR_RAISEDINNER, BF_RECT);
    else if (selected)
        dc.DrawEdge(cell, BDR_SUNKENOUTER, BF_RECT);

    CSelectObject font(dc, TextFont);
    dc.SetBkMode(TRANSPARENT);
    dc.DrawText(OtherText, &cell, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}
