#include "pages/FinishPage.h"

#include <cctype>

#include "app/ConverterWizard.h"
#include "engine/ConversionRun.h"
#include "pages/TitlePage.h"
#include "res/resource.h"

BEGIN_MESSAGE_MAP(CFinishPage, CWizardPage)
END_MESSAGE_MAP()

namespace
{
// The message the user sees for a failed run: the string table's text for the file concerned.
CString DescribeFailure(const ConversionResult& result)
{
    UINT id = 0;
    switch (result.Status)
    {
    case ConversionStatus::SourceCannotOpen: id = IDS_CANNOT_OPEN; break;
    case ConversionStatus::SourceRefused: id = IDS_NOT_A_PICTURE; break;
    case ConversionStatus::TargetCannotCreate: id = IDS_CANNOT_CREATE; break;
    case ConversionStatus::WriteFailed: id = IDS_WRITE_FAILED; break;
    case ConversionStatus::BadSettings:
    case ConversionStatus::Written: break;
    }
    CString text;
    if (id != 0)
    {
        text.FormatMessageId(id, result.Path.c_str());
        return text;
    }
    // Settings the pages should never let through: the engine's own words, as a sentence.
    std::string reason = result.Reason;
    if (!reason.empty())
        reason[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(reason[0])));
    text = reason + ".";
    return text;
}
}  // namespace

CFinishPage::CFinishPage(CConverterWizard* wizard) : CWizardPage(IDD_FINISH, wizard)
{
}

CFinishPage::~CFinishPage() = default;

void CFinishPage::DoDataExchange(CDataExchange* exchange)
{
    DDX_Check(exchange, IDC_OPEN_AFTER, OpenAfterCreation);
}

BOOL CFinishPage::OnInitDialog()
{
    CWizardPage::OnInitDialog();
    CTitlePage::ApplyTitleFont(this);
    return TRUE;
}

BOOL CFinishPage::OnSetActive()
{
    Wizard->SetWizardButtons(CWizardDialog::ButtonBack | CWizardDialog::ButtonFinish);
    return CWizardPage::OnSetActive();
}

BOOL CFinishPage::OnWizardFinish()
{
    ConversionResult result;
    {
        // The hourglass goes before any message box, however the run ends.
        CWaitCursor wait;
        UpdateData(TRUE);
        result = RunConversion(CConverterWizard::Of(*this).Settings, OpenAfterCreation != 0);
    }
    if (result.Succeeded())
    {
        // The page exists, so the wizard ends all the same; the user learns where it is.
        if (result.ShellOpenFailed)
            MessageBoxFor(IDS_CANNOT_SHOW, result.Path.c_str(), MB_OK | MB_ICONWARNING);
        return TRUE;
    }

    // Nothing was opened; the wizard stays here so the user can go back and change the settings.
    MessageBox(DescribeFailure(result), nullptr, MB_OK | MB_ICONERROR);
    return FALSE;
}
