#include "pages/SourcePage.h"

#include <cstdint>
#include <string>

#include "app/ConverterWizard.h"
#include "decoders/PictureFormat.h"
#include "controls/PreviewBitmap.h"
#include "engine/ConversionRun.h"
#include "engine/SourcePicture.h"
#include "res/resource.h"

namespace
{
// The file dialog's filter, from the table of picture formats: every picture, each format on its
// own ("Bitmap files (*.bmp)", "JPEG files (*.jpg;*.jpeg)", ...), and every file.
std::string PictureFilter()
{
    std::string all;
    std::string each;
    for (const PictureFormatInfo& format : KnownPictureFormats())
    {
        std::string patterns;
        for (const char* at = format.Extensions; *at;)
        {
            const char* end = at;
            while (*end && *end != ';')
                ++end;
            patterns += (patterns.empty() ? "*." : ";*.") + std::string(at, end);
            at = *end ? end + 1 : end;
        }
        all += (all.empty() ? "" : ";") + patterns;
        const std::string name = format.Format == PictureFormat::Bmp ? "Bitmap" : format.Name;
        each += name + " files (" + patterns + ")|" + patterns + "|";
    }
    return "Pictures (" + all + ")|" + all + "|" + each + "All Files (*.*)|*.*||";
}

// The size of a loaded bitmap; false when the handle is not a readable bitmap.
bool DescribeBitmap(const CBitmap& picture, PictureSize& size)
{
    BITMAP description = {};
    if (!picture.GetSafeHandle() || ::GetObjectType(picture) != OBJ_BITMAP ||
        picture.GetBitmap(&description) != sizeof(description))
        return false;
    size = {description.bmWidth, description.bmHeight};
    return true;
}
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
    // Transparent areas of a decoded picture are shown over the page's background colour, which
    // the output page may have changed since.
    if (PreviewDecoded && PreviewBackground != CConverterWizard::Of(*this).Settings.BackgroundColor)
        LoadPreview();
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

HBITMAP CSourcePage::DecodePicture(const CString& path, PictureSize& size)
{
    CRect client;
    Preview.GetClientRect(&client);
    const PreviewFit fit = [&client](std::uint32_t width, std::uint32_t height, std::uint32_t& fittedWidth,
                                     std::uint32_t& fittedHeight) {
        const CSize fitted =
            CImagePreview::FitImage(client.Width(), client.Height(), static_cast<int>(width), static_cast<int>(height));
        fittedWidth = static_cast<std::uint32_t>(fitted.cx);
        fittedHeight = static_cast<std::uint32_t>(fitted.cy);
    };
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::string reason;
    PreviewBackground = CConverterWizard::Of(*this).Settings.BackgroundColor;
    HBITMAP bitmap = DecodePreviewBitmap(path.Str(), PreviewBackground, fit, width, height, reason);
    if (bitmap)
        size = {static_cast<std::int32_t>(width), static_cast<std::int32_t>(height)};
    return bitmap;
}

bool CSourcePage::LoadPreview()
{
    // The preview draws its own copy and the size is taken: the bitmap goes with this scope.
    // A .bmp loads through the platform's loader; any other picture through the system's decoders.
    CBitmap picture;
    PictureSize size;
    bool loaded = false;
    PreviewDecoded = false;
    if (FileExists(SourcePath.Str()))
    {
        picture.Attach(LoadPicture(SourcePath));
        loaded = DescribeBitmap(picture, size);
        if (!loaded)
        {
            // The decoded bitmap is the preview's size; size is the picture's own.
            picture.Attach(DecodePicture(SourcePath, size));
            loaded = PreviewDecoded = picture.GetSafeHandle() != nullptr;
        }
    }
    if (loaded)
    {
        SourceBitmap = size;
        CString dimensions;
        dimensions.Format("%d x %d", static_cast<int>(SourceBitmap.Width), static_cast<int>(SourceBitmap.Height));
        SetDlgItemText(IDC_DIMENSIONS, dimensions);
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
    if (!BrowseForFile(TRUE, ".bmp", OFN_FILEMUSTEXIST, PictureFilter().c_str(), SourcePath))
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
