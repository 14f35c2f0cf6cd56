// CColorButton: an owner-drawn push button showing a colour swatch and a drop-down arrow;
// a click opens the colour grid below it, whose outcome becomes the button's colour.
#pragma once

#include "controls/ColorGrid.h"

class CColorButton : public CButton
{
public:
    CColorButton();

    // The colour shown and reported (0x00BBGGRR); changed only when the grid accepts or cancels.
    COLORREF Color;

    void DrawItem(LPDRAWITEMSTRUCT item) override;

protected:
    // Turns the second click of a double click into one more click.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Reflected BN_CLICKED: opens the grid below the button.
    void OnClicked();
    LRESULT OnColorAccept(WPARAM color, LPARAM);
    LRESULT OnColorCancel(WPARAM color, LPARAM);

    DECLARE_MESSAGE_MAP()

private:
    // Takes the grid's outcome as the colour, redraws, and tells the parent: close-up, then the outcome.
    void EndDropDown(UINT outcome, COLORREF color);
    // Sends a colour message to the parent window, if there is one, with the control id.
    void NotifyParent(UINT message, COLORREF color);
};
