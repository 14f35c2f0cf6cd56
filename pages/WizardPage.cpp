#include "pages/WizardPage.h"

#include <cctype>

#include "app/ConverterApp.h"
#include "app/WizardDialog.h"
#include "res/resource.h"

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

BOOL CWizardPage::OnQueryCancel()
{
    return TRUE;
}

void CWizardPage::OnCancel()
{
}

bool CWizardPage::BrowseForFile(BOOL openDialog, const char* defaultExtension, DWORD flags, const char* filter,
                                CString& path, const CString& initialPath)
{
    // Given a path, the dialog opens in its folder with its name filled in.
    CFileDialog dialog(openDialog, defaultExtension, initialPath.IsEmpty() ? nullptr : initialPath.GetString(), flags,
                       filter, this);
    if (initialPath.IsEmpty() && !LastPath.IsEmpty())
        dialog.m_ofn.lpstrInitialDir = LastPath;
    if (dialog.DoModal() != IDOK)
        return false;
    const CString chosen = dialog.GetPathName();
    if (chosen.GetLength() > MaxPathChars)
    {
        MessageBoxFor(IDS_PATH_TOO_LONG, chosen, MB_OK | MB_ICONERROR);
        return false;
    }
    path = chosen;
    LastPath = path;
    return true;
}

CString CWizardPage::WithCause(const CString& sentence, const std::string& cause)
{
    if (cause.empty())
        return sentence;
    std::string line = cause;
    line[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(line[0])));
    CString text = sentence;
    text += "\n";
    text += line.c_str();
    text += ".";
    return text;
}

int CWizardPage::MessageBoxFor(UINT messageId, const char* path, UINT type, const std::string& cause)
{
    CString message;
    message.FormatMessageId(messageId, path);
    return MessageBox(WithCause(message, cause), nullptr, type);
}

void CWizardPage::OnPathTooLong()
{
    CString message;
    message.FormatMessageId(IDS_PATH_CUT, MaxPathChars);
    MessageBox(message, nullptr, MB_OK | MB_ICONWARNING);
}
