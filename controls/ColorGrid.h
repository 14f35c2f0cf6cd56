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
