#include "pages/TitlePage.h"

#include "app/WizardDialog.h"
#include "res/resource.h"

BEGIN_MESSAGE_MAP(CTitlePage, CWizardPage)
END_MESSAGE_MAP()

CTitlePage::CTitlePage(CWizardDialog* wizard) : CWizardPage(IDD_WELCOME, wizard)
{
}

CTitlePage::~CTitlePage() = default;

void CTitlePage::DoDataExchange(CDataExchange*)
{
}

void CTitlePage::ApplyTitleFont(CWizardPage* page)
{
    HWND title = ::GetDlgItem(page->GetSafeHwnd(), IDC_TITLE);
    if (title)
        ::SendMessageA(title, WM_SETFONT, reinterpret_cast<WPARAM>(page->GetWizard()->GetTitleFont()), TRUE);
}

BOOL CTitlePage::OnInitDialog()
{
    CWizardPage::OnInitDialog();
    ApplyTitleFont(this);
    return TRUE;
}

BOOL CTitlePage::OnSetActive()
{
    Wizard->SetWizardButtons(CWizardDialog::ButtonNext);
    return CWizardPage::OnSetActive();
}
