#include "controls/AboutDlg.h"

#include "res/resource.h"

// OK and Cancel close the box through CDialog; it handles no messages of its own.
CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX)
{
}

void CAboutDlg::DoDataExchange(CDataExchange* exchange)
{
    CDialog::DoDataExchange(exchange);
    DDX_Control(exchange, IDC_LINK, Link);
}
