// CAboutDlg: the program's About box, with its home-page address as a link.
#pragma once

#include "winlib/Afx.h"
#include "controls/HyperLink.h"

class CAboutDlg : public CDialog
{
public:
    CAboutDlg();

protected:
    // Binds the home-page static to Link.
    void DoDataExchange(CDataExchange* exchange) override;

    CHyperLink Link;  // control 1003
};
