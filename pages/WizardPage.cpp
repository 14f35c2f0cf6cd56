#include "pages/WizardPage.h"

#include "app/ConverterApp.h"
#include "app/WizardDialog.h"

BEGIN_MESSAGE_MAP(CWizardPage, CDialog)
END_MESSAGE_MAP()

CWizardPage::CWizardPage(UINT templateId, CWizardDialog* wizard) : CDialog(templateId, wizard), Wizard(wizard)
{
}

CWizardPage::~CWizardPage() = default;

BOOL CWizardPage::CreatePage()
{
    // The page templates are hidden DS_CONTROL children; the frame positions and shows them.
    return Create(static_cast<WORD>(m_nIDTemplate), Wizard);
}

BOOL CWizardPage::OnInitDialog()
{
    CDialog::OnInitDialog();
    // No tool is ever registered, but the control and the relaying exist so pages can add tips.
    ToolTip.Create(this, 0);
    ToolTip.SetDelayTime(TTDT_AUTOMATIC, 1000);
    return TRUE;
}

BOOL CWizardPage::PreTranslateMessage(MSG* message)
{
    ToolTip.RelayEvent(message);
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

bool CWizardPage::BrowseForFile(BOOL openDialog, const char* defaultExtension, DWORD flags, const char* filter,
                                CString& path)
{
    CFileDialog dialog(openDialog, defaultExtension, nullptr, flags, filter, this);
    if (!LastPath.IsEmpty())
        dialog.m_ofn.lpstrInitialDir = LastPath;
    if (dialog.DoModal() != IDOK)
        return false;
    path = dialog.GetPathName();
    LastPath = path;
    return true;
}

int CWizardPage::MessageBoxFor(UINT messageId, const char* path, UINT type)
{
    CString message;
    message.FormatMessageId(messageId, path);
    return MessageBox(message, nullptr, type);
}
