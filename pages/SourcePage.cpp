#include "pages/SourcePage.h"

#include <cstdint>

#include "app/ConverterWizard.h"
#include "engine/ConversionRun.h"
#include "res/resource.h"

namespace
{
const char* const BitmapFilter = "Bitmap files (*.bmp)|*.bmp|All Files (*.*)|*.*||";
}  // namespace

BEGIN_MESSAGE_MAP(CSourcePage, CWizardPage)
    ON_BN_CLICKED(IDC_BROWSE, OnBrowse)
    ON_EN_CHANGE(IDC_PATH, OnChangeSource)
    ON_EN_MAXTEXT(IDC_PATH, OnPathTooLong)
END_MESSAGE_MAP()

CSourcePage::CSourcePage(CConverterWizard* wizard) : CWizardPage(IDD_SOURCE, wizard)
{
}

CSourcePage::~CSourcePage() = default;

void CSourcePage::DoDataExchange(CDataExchange* exchange)
{
    CWizardPage::DoDataExchange(exchange);
    DDX_Control(exchange, IDC_PREVIEW, Preview);
    DDX_Text(exchange, IDC_PATH, SourcePath);
    DDV_MaxChars(exchange, SourcePath, MaxPathChars);
}

BOOL CSourcePage::OnInitDialog()
{
    CWizardPage::OnInitDialog();
    return TRUE;
}

BOOL CSourcePage::OnSetActive()
{
    UpdateButtons();
    return CWizardPage::OnSetActive();
}

void CSourcePage::UpdateButtons()
{
    Wizard->SetWizardButtons(SourcePath.IsEmpty() ? CWizardDialog::ButtonBack
                                                  : CWizardDialog::ButtonBack | CWizardDialog::ButtonNext);
}

HBITMAP CSourcePage::LoadPicture(const CString& path)
{
    return static_cast<HBITMAP>(::LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
}

bool CSourcePage::LoadPreview()
{
    // The preview draws its own copy and the description is taken: the bitmap goes with this scope.
    CBitmap picture;
    if (FileExists(SourcePath.Str()))
        picture.Attach(LoadPicture(SourcePath));

    bool loaded = false;
    if (picture.GetSafeHandle() && ::GetObjectType(picture) == OBJ_BITMAP)
    {
        BITMAP description = {};
        if (picture.GetBitmap(&description) == sizeof(description))
        {
            SourceBitmap = {description.bmWidth, description.bmHeight};
            CString dimensions;
            dimensions.Format("%d x %d", static_cast<int>(SourceBitmap.Width), static_cast<int>(SourceBitmap.Height));
            SetDlgItemText(IDC_DIMENSIONS, dimensions);
            loaded = true;
        }
    }
    Preview.SetImage(loaded ? static_cast<HBITMAP>(picture) : nullptr);
    return loaded;
}

void CSourcePage::OnChangeSource()
{
    UpdateData(TRUE);
    UpdateButtons();
    LoadPreview();
}

void CSourcePage::OnBrowse()
{
    if (!BrowseForFile(TRUE, ".bmp", OFN_FILEMUSTEXIST, BitmapFilter, SourcePath))
        return;
    UpdateData(FALSE);
    UpdateButtons();
    LoadPreview();
}

int CSourcePage::OnWizardNext()
{
    // No read here: SourcePath holds what the last change or file dialog put there.
    if (FolderExists(SourcePath.Str()))
    {
        RefusePath(IDS_SOURCE_IS_FOLDER);
        return StayOnPage;
    }

    // What the conversion reads must be what was previewed: both the platform's loader and
    // the engine's reader have to accept the file. A file that is there but cannot be opened
    // (in use, access denied) is told apart from one that is no picture; the engine's reason
    // follows on a line of its own.
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    const ConversionResult probe = ProbeSource(SourcePath.Str(), width, height);
    if (!FileExists(SourcePath.Str()))
    {
        RefusePath(IDS_FILE_NOT_FOUND, probe.Cause);
        return StayOnPage;
    }
    const bool previewed = LoadPreview();
    if (probe.Status == ConversionStatus::SourceCannotOpen)
    {
        RefusePath(IDS_CANNOT_OPEN, probe.Cause);
        return StayOnPage;
    }
    if (!previewed || !probe.Succeeded())
    {
        RefusePath(IDS_NOT_A_PICTURE, probe.Cause);
        return StayOnPage;
    }

    ConversionSettings& settings = CConverterWizard::Of(*this).Settings;
    settings.SourcePath = SourcePath.Str();
    settings.SourceBitmap = SourceBitmap;
    return AdjacentPage;
}

void CSourcePage::RefusePath(UINT messageId, const std::string& cause)
{
    MessageBoxFor(messageId, SourcePath.GetString(), MB_OK | MB_ICONERROR, cause);
    GotoDlgCtrl(GetDlgItem(IDC_PATH));
}
