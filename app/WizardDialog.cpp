#include "app/WizardDialog.h"

#include "controls/AboutDlg.h"
#include "pages/WizardPage.h"
#include "res/resource.h"

namespace
{
// The record as it was before the padded-border field was appended, so that older systems fill it.
constexpr UINT NonClientMetricsSize = 340;

// The program icon at the size the two system metrics give.
CIcon LoadProgramIcon(int widthMetric, int heightMetric)
{
    return CIcon(static_cast<HICON>(::LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON,
                                                 ::GetSystemMetrics(widthMetric), ::GetSystemMetrics(heightMetric),
                                                 LR_DEFAULTCOLOR)));
}
}  // namespace

BEGIN_MESSAGE_MAP(CWizardDialog, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_SETCURSOR()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_BN_CLICKED(IDC_BACK, OnBack)
    ON_BN_CLICKED(IDC_NEXT, OnNext)
    ON_BN_CLICKED(IDC_CANCEL_BUTTON, OnCancelButton)
END_MESSAGE_MAP()

CWizardDialog::CWizardDialog(UINT templateId, CWnd* parent) : CDialog(templateId, parent)
{
    LargeIcon = LoadProgramIcon(SM_CXICON, SM_CYICON);
    SmallIcon = LoadProgramIcon(SM_CXSMICON, SM_CYSMICON);
    CreateFonts();
}

// The icons and fonts go with their members; the page list does not own the pages.
CWizardDialog::~CWizardDialog() = default;

// The bold message font, and the same at 12 points for the pages' titles.
void CWizardDialog::CreateFonts()
{
    CClientDC screen(static_cast<HWND>(nullptr));

    NONCLIENTMETRICSA metrics;
    ZeroMemory(&metrics, sizeof(metrics));
    metrics.cbSize = NonClientMetricsSize;
    ::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 0, &metrics, 0);

    LOGFONTA font = metrics.lfMessageFont;
    font.lfWeight = FW_BOLD;
    BoldFont.CreateFontIndirect(&font);

    // 12 points in pixels, negative for a character height; the division truncates toward zero.
    font.lfHeight = (screen.GetDeviceCaps(LOGPIXELSY) * 12) / -72;
    TitleFont.CreateFontIndirect(&font);
}

void CWizardDialog::DoDataExchange(CDataExchange*)
{
}

BOOL CWizardDialog::OnInitDialog()
{
    CDialog::OnInitDialog();

    SetIcon(LargeIcon, TRUE);
    SetIcon(SmallIcon, FALSE);

    HMENU menu = GetSystemMenu(FALSE);
    if (menu)
    {
        ::DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
        ::DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
        ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        CString about;
        about.LoadString(IDS_ABOUTBOX);
        ::AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, about);
    }
    return TRUE;
}

BOOL CWizardDialog::DestroyWindow()
{
    for (CWizardPage* page : Pages)
        page->DestroyWindow();
    return CDialog::DestroyWindow();
}

void CWizardDialog::OnCancel()
{
    OnCancelButton();
}

CWizardPage* CWizardDialog::GetPage(int index) const
{
    if (index < 0 || index >= GetPageCount())
        return nullptr;
    return Pages[static_cast<size_t>(index)];
}

void CWizardDialog::AddPage(CWizardPage* page)
{
    page->CreatePage();
    Pages.push_back(page);
}

BOOL CWizardDialog::SetActivePage(int index)
{
    // Callers pass an index within the list; anything else changes nothing rather than crash.
    CWizardPage* page = GetPage(index);
    if (!page)
        return FALSE;

    CWizardPage* current = GetPage(CurrentPage);
    if (current)
    {
        if (!current->OnKillActive())
            return FALSE;
        current->ShowWindow(SW_HIDE);
    }

    // The placeholder's area in the frame's client coordinates.
    CRect area;
    CWnd* placeholder = GetDlgItem(IDC_PLACEHOLDER);
    if (placeholder)
    {
        placeholder->GetClientRect(&area);
        POINT topLeft = area.TopLeft();
        POINT bottomRight = area.BottomRight();
        placeholder->ClientToScreen(&topLeft);
        placeholder->ClientToScreen(&bottomRight);
        ScreenToClient(&topLeft);
        ScreenToClient(&bottomRight);
        area = CRect(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y);
    }

    page->MoveWindow(area.left, area.top, area.Width(), area.Height(), TRUE);
    page->ShowWindow(SW_SHOW);
    page->OnSetActive();
    CurrentPage = index;
    return TRUE;
}

bool CWizardDialog::IsSecondClick(const MSG& message) const
{
    const bool press = message.message == WM_LBUTTONDOWN || message.message == WM_LBUTTONDBLCLK;
    if (!press || PageChangeButton == 0 || message.hwnd != ::GetDlgItem(m_hWnd, PageChangeButton))
        return false;
    // The press may have been made before a slow page change ended: it counts all the same.
    return static_cast<LONG>(message.time - PageChangeTime) < static_cast<LONG>(::GetDoubleClickTime());
}

BOOL CWizardDialog::PreTranslateMessage(MSG* message)
{
    if (IsSecondClick(*message))
        return TRUE;
    return CDialog::PreTranslateMessage(message);
}

void CWizardDialog::NotePageChange(int button)
{
    PageChangeButton = button;
    PageChangeTime = ::GetTickCount();
}

void CWizardDialog::OnBack()
{
    if (CurrentPage <= 0)
        return;
    int target = CurrentPage - 1;
    int answer = Pages[static_cast<size_t>(CurrentPage)]->OnWizardBack();
    if (answer == CWizardPage::StayOnPage)
        return;
    if (answer > 0)
        target = answer;
    if (target < 0 || target >= GetPageCount())
        return;
    if (SetActivePage(target))
        NotePageChange(IDC_BACK);
}

void CWizardDialog::OnNext()
{
    CWizardPage* current = GetPage(CurrentPage);
    if (!current)
        return;
    if (FinishMode)
    {
        if (current->OnWizardFinish())
            OnOK();
        return;
    }
    int target = CurrentPage + 1;
    int answer = current->OnWizardNext();
    if (answer == CWizardPage::StayOnPage)
        return;
    if (answer > 0)
        target = answer;
    if (target >= GetPageCount())
        return;
    if (SetActivePage(target))
        NotePageChange(IDC_NEXT);
}

void CWizardDialog::OnCancelButton()
{
    CWizardPage* current = GetPage(CurrentPage);
    if (current && !current->OnQueryCancel())
        return;
    if (current)
        current->OnCancel();
    CDialog::OnCancel();
}

void CWizardDialog::SetWizardButtons(DWORD flags)
{
    SetButtonState(IDC_BACK, (flags & ButtonBack) != 0);

    CString text;
    if (flags & (ButtonFinish | ButtonDisabledFinish))
    {
        SetButtonState(IDC_NEXT, (flags & ButtonFinish) != 0);
        text.LoadString(IDS_FINISH);
        FinishMode = true;
    }
    else
    {
        SetButtonState(IDC_NEXT, (flags & ButtonNext) != 0);
        text.LoadString(IDS_NEXT);
        FinishMode = false;
    }
    SetDlgItemText(IDC_NEXT, text);
}

void CWizardDialog::SetButtonState(int id, bool enable)
{
    HWND button = ::GetDlgItem(m_hWnd, id);
    if (!button)
        return;
    // A disabled button must not keep the focus: hand it to the next control in tab order first.
    if (!enable && ::GetFocus() == button)
        SendMessage(WM_NEXTDLGCTL, 0, 0);
    ::EnableWindow(button, enable);
    // Re-enabling the default button: have the dialog draw it as the default again.
    LRESULT defaultId = SendMessage(DM_GETDEFID);
    if (enable && HIWORD(defaultId) != 0 && static_cast<int>(LOWORD(defaultId)) == id)
        SendMessage(DM_SETDEFID, static_cast<WPARAM>(id));
}

void CWizardDialog::OnSysCommand(UINT command, LPARAM parameter)
{
    if ((command & 0xFFF0) == IDM_ABOUTBOX)
    {
        CAboutDlg about;
        about.DoModal();
    }
    else if ((command & 0xFFF0) == SC_CLOSE)
    {
        OnCancelButton();
    }
    else
    {
        CDialog::OnSysCommand(command, parameter);
    }
}

BOOL CWizardDialog::OnSetCursor(CWnd* window, UINT hitTest, UINT message)
{
    // While a long operation runs and the wizard answers all the same, the hourglass stays up,
    // except over the Cancel button, which stops the operation.
    CWinApp* app = AfxGetApp();
    const bool overCancel = window && window->GetSafeHwnd() == ::GetDlgItem(m_hWnd, IDC_CANCEL_BUTTON);
    if (app && app->IsWaiting() && hitTest == HTCLIENT && !overCancel)
    {
        ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));  // IDC_WAIT
        return TRUE;
    }
    return CDialog::OnSetCursor(window, hitTest, message);
}

void CWizardDialog::OnPaint()
{
    if (!IsIconic())
    {
        CDialog::OnPaint();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    CRect client;
    GetClientRect(&client);
    int x = (client.Width() - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (client.Height() - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, LargeIcon);
}

HCURSOR CWizardDialog::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(SmallIcon);
}
