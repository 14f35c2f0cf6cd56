#include "pages/FinishPage.h"

#include <cctype>
#include <optional>

#include "app/ConverterWizard.h"
#include "output/Clipboard.h"
#include "output/PageConversion.h"
#include "pages/TitlePage.h"
#include "res/resource.h"

namespace
{
// Posted by the conversion's thread when its progress has moved on or the run has ended.
constexpr UINT WM_CONVERSION_PROGRESS = WM_APP + 1;
// The progress bar counts thousandths of the rows.
constexpr int ProgressSteps = 1000;
}  // namespace

BEGIN_MESSAGE_MAP(CFinishPage, CWizardPage)
    ON_MESSAGE(WM_CONVERSION_PROGRESS, OnConversionProgress)
END_MESSAGE_MAP()

namespace
{
// The message the user sees for a failed run: the string table's text for the file concerned,
// and the reason on a line of its own.
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
    case ConversionStatus::Stopped:
    case ConversionStatus::Written: break;
    }
    CString text;
    if (id != 0)
    {
        text.FormatMessageId(id, result.Path.c_str());
        return CWizardPage::WithCause(text, result.Cause);
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
    DDX_Control(exchange, IDC_PAGE_PREVIEW, Preview);
    DDX_Check(exchange, IDC_OPEN_AFTER, OpenAfterCreation);
    DDX_Check(exchange, IDC_COPY_AFTER, CopyAfterCreation);
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
    Preview.Show(CConverterWizard::Of(*this).Settings, CConverterWizard::Of(*this).HeldSource);
    return CWizardPage::OnSetActive();
}

BOOL CFinishPage::OnKillActive()
{
    Preview.Cancel();
    return TRUE;
}

BOOL CFinishPage::OnWizardFinish()
{
    // The preview's picture is let go before the page's own is opened.
    Preview.Cancel();
    ConversionResult result;
    {
        // The hourglass goes before any message box, however the run ends.
        CWaitCursor wait;
        UpdateData(TRUE);
        result = Convert();
    }
    if (result.Succeeded())
    {
        // The page exists, so the wizard ends all the same; the user learns where it is.
        if (CopyAfterCreation)
            CopyToClipboard(result);
        if (OpenAfterCreation && !OpenInShell(result.Path))
            MessageBoxFor(IDS_CANNOT_SHOW, result.Path.c_str(), MB_OK | MB_ICONWARNING);
        return TRUE;
    }
    // Nothing was opened; the wizard stays here so the user can go back and change the settings,
    // or finish again. A run the user stopped needs no message.
    if (result.Status != ConversionStatus::Stopped && GetSafeHwnd())
        MessageBox(DescribeFailure(result), nullptr, MB_OK | MB_ICONERROR);
    // The preview, if Finish stopped it on the way, is made again.
    if (GetSafeHwnd())
        Preview.Show(CConverterWizard::Of(*this).Settings, CConverterWizard::Of(*this).HeldSource);
    return FALSE;
}

ConversionResult CFinishPage::Convert()
{
    const HWND page = m_hWnd;
    const ConversionSettings settings = CConverterWizard::Of(*this).Settings;
    const auto task = [settings](const ConversionProgress& progress, const ConversionStop& stop) {
        return RunConversion(settings, false, progress, &stop);
    };
    if (!Job.Start(
            task, [page] { ::PostMessageA(page, WM_CONVERSION_PROGRESS, 0, 0); }, settings.TargetPath))
    {
        // A run is under way already: nothing more to do, nothing to report.
        ConversionResult busy;
        busy.Status = ConversionStatus::Stopped;
        return busy;
    }
    ShowRunning(true);
    // The one message loop runs meanwhile, so the wizard repaints and its Cancel works; the loop
    // ends with the run, with the program (WM_QUIT), or with the page's window.
    const std::optional<int> quit = AfxRunMessageLoop([this] { return !Job.HasEnded() && GetSafeHwnd(); });
    if (quit || !GetSafeHwnd())
        Job.Stop();
    const ConversionResult result = Job.Wait();
    if (GetSafeHwnd())
        ShowRunning(false);
    if (quit)
        ::PostQuitMessage(*quit);
    return result;
}

BOOL CFinishPage::OnQueryCancel()
{
    if (!Job.IsRunning())
        return TRUE;
    Job.Stop();
    return FALSE;
}

void CFinishPage::ShowRunning(bool running)
{
    // The keys stay with the wizard while its controls are disabled (a disabled control loses the
    // focus to none): Cancel holds it meanwhile, so Enter, Space and Escape stop the run.
    if (running)
        Wizard->GotoDlgCtrl(Wizard->GetDlgItem(IDC_CANCEL_BUTTON));
    for (int id : {IDC_PROGRESS_TEXT, IDC_PROGRESS})
    {
        if (CWnd* control = GetDlgItem(id))
            control->ShowWindow(running ? SW_SHOW : SW_HIDE);
    }
    ::SendDlgItemMessageA(m_hWnd, IDC_PROGRESS, PBM_SETRANGE32, 0, ProgressSteps);
    ::SendDlgItemMessageA(m_hWnd, IDC_PROGRESS, PBM_SETPOS, 0, 0);
    // The progress takes the check boxes' place; they are not to be changed meanwhile.
    for (int id : {IDC_OPEN_AFTER, IDC_COPY_AFTER})
    {
        if (CWnd* box = GetDlgItem(id))
        {
            box->EnableWindow(!running);
            box->ShowWindow(running ? SW_HIDE : SW_SHOW);
        }
    }
    Wizard->SetWizardButtons(running ? CWizardDialog::ButtonDisabledFinish
                                     : CWizardDialog::ButtonBack | CWizardDialog::ButtonFinish);
    if (!running)
        Wizard->GotoDlgCtrl(Wizard->GetDlgItem(IDC_NEXT));
}

LRESULT CFinishPage::OnConversionProgress(WPARAM, LPARAM)
{
    const std::uint32_t total = Job.RowsTotal();
    if (total != 0)
        ::SendDlgItemMessageA(m_hWnd, IDC_PROGRESS, PBM_SETPOS,
                              static_cast<WPARAM>(static_cast<std::uint64_t>(Job.RowsDone()) * ProgressSteps / total),
                              0);
    return 0;
}

void CFinishPage::CopyToClipboard(const ConversionResult& written)
{
    const ConversionSettings& settings = CConverterWizard::Of(*this).Settings;
    std::string reason;
    if (!CopyPageToClipboard(written.Path, settings.Columns, settings.Rows, reason))
        MessageBoxFor(IDS_NOT_COPIED, written.Path.c_str(), MB_OK | MB_ICONWARNING, reason);
}
