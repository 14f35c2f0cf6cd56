// CColorGrid: the drop-down of the colour button. A popup of 16 colour cells and an
// "Other ..." cell that holds the capture while open, reports the hot colour and the outcome
// to its owner, and deletes itself when its window is destroyed.
#pragma once

#include "winlib/Afx.h"

// Messages between the grid, the colour button and the button's parent (all sent, results unused).
// wParam is a colour; lParam 0 from the grid, the button's control id from the button.
constexpr UINT WM_COLOR_TRACK = WM_USER + 1001;     // grid -> owner: the hot item changed
constexpr UINT WM_COLOR_DROPDOWN = WM_USER + 1002;  // button -> parent: the grid has opened
constexpr UINT WM_COLOR_CLOSEUP = WM_USER + 1003;   // button -> parent: the grid has ended
constexpr UINT WM_COLOR_ACCEPT = WM_USER + 1004;    // the chosen colour was accepted
constexpr UINT WM_COLOR_CANCEL = WM_USER + 1005;    // cancelled; wParam is the initial colour

class CColorGrid : public CWnd
{
public:
    // Opens a grid with its top-left corner at a screen point. The object lives on the heap and
    // deletes itself when its window ends; false (and nothing left behind) when the window could
    // not be created.
    static bool Open(CPoint topLeft, COLORREF initialColor, CWnd* owner);

    // Item indices besides the colour cells 0 .. ColorCount - 1.
    static constexpr int NO_CELL = -1;
    static constexpr int OTHER_CELL = -2;

    // The colours offered, row by row (0x00BBGGRR).
    static const COLORREF GridColors[16];

protected:
    CColorGrid(CPoint topLeft, COLORREF initialColor, CWnd* owner);
    ~CColorGrid() override = default;

    // Deletes the object once its window has gone.
    void PostNcDestroy() override;

    void OnLButtonUp(UINT flags, CPoint point);
    void OnPaint();
    void OnMouseMove(UINT flags, CPoint point);
    void OnKeyDown(UINT key, UINT repeat, UINT flags);
    BOOL OnQueryNewPalette();
    void OnPaletteChanged(CWnd* changer);
    void OnKillFocus(CWnd* next);
    void OnCaptureChanged(CWnd* capturer);
    void OnActivateApp(BOOL active, DWORD thread);

    DECLARE_MESSAGE_MAP()

private:
    // Sizes the popup for the cells and the Other caption and keeps it on the screen.
    void ComputeLayout();
    // The first cell holding exactly this colour, else OTHER_CELL.
    int FindColor(COLORREF color) const;
    // Highlights an item, redrawing only it and the one highlighted before, and reports it.
    void SetHot(int index);
    // The item an arrow key moves to from HotIndex.
    int NextHot(UINT key) const;
    // Reports the outcome to the owner and closes the popup; the object is gone afterwards
    // unless the colour dialog of an outer call is still running.
    void EndSelection(UINT message);
    void DrawCell(CDC& dc, int index);
    void DrawOtherCell(CDC& dc);
    bool GetCellRect(int index, CRect& rect) const;
    int IndexFromCell(int row, int column) const;
    int RowOfIndex(int index) const;
    int ColumnOfIndex(int index) const;
    // Sends one of the colour messages to the owner's window.
    void NotifyOwner(UINT message, COLORREF color) const;

    CWnd* Owner;
    bool InColorDialog = false;
    bool Closing = false;  // the final outcome is being reported
    int ColumnCount = 0;
    int RowCount = 0;
    int ColorCount = 16;
    CDpi Dpi;      // the owner's resolution, which the sizes below are scaled to
    int CellSize;  // a cell's side
    int Margin;
    int HotIndex = NO_CELL;
    int SelectedIndex = NO_CELL;
    CString OtherText;
    CRect WindowRect;
    CRect OtherRect;
    CFont TextFont;
    CPalette Palette;
    COLORREF InitialColor;
    COLORREF CurrentColor;
};
