#include "pages/WizardPage.h"

#include "app/WizardDialog.h"

BEGIN_MESSAGE_MAP(CWizardPage, CDialog)
END_MESSAGE_MAP()

CWizardPage::CWizardPage(UINT templateId, CWizardDialog* wizard)
    : CDialog(templateId, wizard), m_pWizard(wizard)
{
}

CWizardPage::~CWizardPage() = default;

BOOL CWizardPage::CreatePage()
{
    // The page templates are hidden DS_CONTROL children; the frame positions and shows them.
    return Create(static_cast<WORD>(m_nIDTemplate), m_pWizard);
}

BOOL CWizardPage::OnInitDialog()
{
    CDialog::OnInitDialog();
    // No tool is ever registered, but the control and the relaying exist so pages can add tips.
    m_ToolTip.Create(this, 0);
    m_ToolTip.SetDelayTime(TTDT_AUTOMATIC, 1000);
    return TRUE;
}

BOOL CWizardPage::PreTranslateMessage(MSG* message)
{
    m_ToolTip.RelayEvent(message);
    return CDialog::PreTranslateMessage(message);
}

BOOL CWizardPage::OnSetActive()
{
    GotoDlgCtrl(GetNextDlgTabItem(nullptr, FALSE));
    return TRUE;
}

BOOL CWizardPage::OnKillActive()
{
    return TRUE;
}

int CWizardPage::OnWizardBack()
{
    return AdjacentPage;
}

int CWizardPage::OnWizardNext()
{
    return AdjacentPage;
}

BOOL CWizardPage::OnWizardFinish()
{
    return TRUE;
}

void CWizardPage::OnCancel()
{
}
