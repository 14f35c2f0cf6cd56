#include "pages/SourcePage.h"

#include <shellapi.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/ConverterWizard.h"
#include "decoders/PictureFormat.h"
#include "engine/ConversionRun.h"
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

// Posted by the loader: a look at the file's header, or a decoding of the picture, is ready.
constexpr UINT WM_SOURCE_LOOKED = WM_APP + 20;
constexpr UINT WM_SOURCE_DECODED = WM_APP + 21;
}  // namespace

BEGIN_MESSAGE_MAP(CSourcePage, CWizardPage)
    ON_BN_CLICKED(IDC_BROWSE, OnBrowse)
    ON_EN_CHANGE(IDC_PATH, OnChangeSource)
    ON_EN_MAXTEXT(IDC_PATH, OnPathTooLong)
    ON_MESSAGE(WM_DROPFILES, OnDropFiles)
    ON_MESSAGE(WM_SOURCE_LOOKED, OnLooked)
    ON_MESSAGE(WM_SOURCE_DECODED, OnDecoded)
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
    Loader = std::make_unique<CSourceLoader>(m_hWnd, WM_SOURCE_LOOKED, WM_SOURCE_DECODED);
    ::DragAcceptFiles(m_hWnd, TRUE);
    return TRUE;
}

BOOL CSourcePage::OnSetActive()
{
    // Transparent areas of a picture are shown over the page's background colour, which the
    // output page may have changed since.
    if (!PreviewPath.empty() && PreviewBackground != CConverterWizard::Of(*this).Settings.BackgroundColor)
        StartLoad();
    UpdateButtons();
    return CWizardPage::OnSetActive();
}

BOOL CSourcePage::OnKillActive()
{
    if (NextWaiting)
    {
        NextWaiting = false;
        SetNote(CString());
    }
    return TRUE;
}

void CSourcePage::UpdateButtons()
{
    Wizard->SetWizardButtons(SourcePath.IsEmpty() ? CWizardDialog::ButtonBack
                                                  : CWizardDialog::ButtonBack | CWizardDialog::ButtonNext);
}

void CSourcePage::ShowSize(const PictureSize& size)
{
    SourceBitmap = size;
    CString dimensions;
    dimensions.Format("%d x %d", static_cast<int>(size.Width), static_cast<int>(size.Height));
    SetDlgItemText(IDC_DIMENSIONS, dimensions);
}

void CSourcePage::SetNote(const CString& note)
{
    SetDlgItemText(IDC_PREVIEW_NOTE, note);
}

void CSourcePage::StartLoad()
{
    Looked = Decoded = CheckAsked = NextWaiting = false;
    Look = SourceLook();
    Decoding = SourceDecoding();
    // The rows of the last picture go before the next is decoded.
    CConverterWizard::Of(*this).HeldSource.reset();
    SetNote(CString());
    CRect client;
    Preview.GetClientRect(&client);
    PreviewBackground = CConverterWizard::Of(*this).Settings.BackgroundColor;
    Loader->Load(SourcePath.Str(), PreviewBackground, client.Width(), client.Height());
}

// A picture too large to preview is said so where its preview would be; empty clears the note.
void CSourcePage::SayWhyNoPreview(const std::string& why)
{
    CString reason;
    if (!why.empty())
        reason.FormatMessageId(IDS_NO_PREVIEW, why.c_str());
    Preview.SetNote(reason);
}

LRESULT CSourcePage::OnLooked(WPARAM, LPARAM)
{
    SourceLook look;
    if (!Loader->TakeLook(look))
        return 0;
    Look = look;
    Looked = true;
    // The size shows as soon as the header has told it; a file that is no picture leaves the last one.
    if (look.SizeKnown)
        ShowSize(look.Size);
    // The preview of another file goes at once; a picture's own follows from its decoding.
    if (!look.PreviewFollows || PreviewPath != SourcePath.Str())
    {
        Preview.SetImage(nullptr);
        PreviewPath.clear();
    }
    SayWhyNoPreview(look.NoPreview);
    ResumeNext();
    return 0;
}

LRESULT CSourcePage::OnDecoded(WPARAM, LPARAM)
{
    SourceDecoding decoding;
    if (!Loader->TakeDecoding(decoding))
        return 0;
    Decoding = decoding;
    Decoded = true;
    CConverterWizard::Of(*this).HeldSource = std::move(Decoding.Held);
    // The decoder has the last word on the size, where a header alone could not tell it.
    if (decoding.Check.Succeeded())
        ShowSize(decoding.Size);
    if (Look.PreviewFollows)
    {
        // The preview draws its own copy; the bitmap goes with the decoding.
        Preview.SetImage(decoding.Preview ? static_cast<HBITMAP>(*decoding.Preview) : nullptr);
        PreviewPath = decoding.Preview ? SourcePath.Str() : std::string();
        Decoding.Preview.reset();
        if (!decoding.NoPreview.empty())
            SayWhyNoPreview(decoding.NoPreview);
    }
    // Damage the decoder read past is said, so that an odd corner of the page is no surprise.
    if (decoding.Check.Succeeded() && !decoding.Check.Warning.empty())
    {
        CString note;
        note.FormatMessageId(IDS_SOURCE_WARNING, SourcePath.Str().c_str(), decoding.Check.Warning.c_str());
        SetNote(note);
    }
    ResumeNext();
    return 0;
}

bool CSourcePage::CanDecideNext() const
{
    return Looked && (Look.Folder || !Look.Exists || !Look.Refusal.Succeeded() || Decoded);
}

void CSourcePage::ResumeNext()
{
    if (!NextWaiting || !CanDecideNext())
        return;
    NextWaiting = false;
    SetNote(CString());
    if (CWnd* next = Wizard->GetDlgItem(IDC_NEXT))
        Wizard->PostMessage(WM_COMMAND, MAKEWPARAM(IDC_NEXT, BN_CLICKED), reinterpret_cast<LPARAM>(next->m_hWnd));
}

void CSourcePage::OnChangeSource()
{
    UpdateData(TRUE);
    UpdateButtons();
    StartLoad();
}

void CSourcePage::OnBrowse()
{
    if (!BrowseForFile(TRUE, ".bmp", OFN_FILEMUSTEXIST, PictureFilter().c_str(), SourcePath))
        return;
    UpdateData(FALSE);
    UpdateButtons();
    StartLoad();
}

LRESULT CSourcePage::OnDropFiles(WPARAM wParam, LPARAM)
{
    const HDROP drop = reinterpret_cast<HDROP>(wParam);
    const UINT count = ::DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    std::string path;
    if (count == 1)
    {
        std::vector<char> name(::DragQueryFileA(drop, 0, nullptr, 0) + 1, '\0');
        ::DragQueryFileA(drop, 0, name.data(), static_cast<UINT>(name.size()));
        path = name.data();
    }
    ::DragFinish(drop);

    if (count != 1)
    {
        CString message;
        message.FormatMessageId(IDS_DROP_ONE, static_cast<int>(count));
        MessageBox(message, nullptr, MB_OK | MB_ICONWARNING);
        return 0;
    }
    if (FolderExists(path))
    {
        MessageBoxFor(IDS_SOURCE_IS_FOLDER, path.c_str(), MB_OK | MB_ICONWARNING);
        return 0;
    }
    if (static_cast<int>(path.size()) > MaxPathChars)
    {
        MessageBoxFor(IDS_PATH_TOO_LONG, path.c_str(), MB_OK | MB_ICONERROR);
        return 0;
    }
    // As if the path had been typed: read, shown, and checked at Next.
    SourcePath = path;
    UpdateData(FALSE);
    UpdateButtons();
    StartLoad();
    return 0;
}

int CSourcePage::OnWizardNext()
{
    // No read here: SourcePath holds what the last change, file dialog or drop put there.
    if (NextWaiting)
        return StayOnPage;
    const int answer = DecideNext();
    if (NextWaiting)
    {
        CString note;
        note.LoadString(IDS_CHECKING);
        SetNote(note);
    }
    return answer;
}

int CSourcePage::DecideNext()
{
    if (!Looked)
    {
        NextWaiting = true;
        return StayOnPage;
    }
    if (Look.Folder)
    {
        RefusePath(IDS_SOURCE_IS_FOLDER);
        return StayOnPage;
    }
    // A file that is there but cannot be opened (in use, access denied) is told apart from one
    // that is no picture; the reason follows on a line of its own.
    if (!Look.Exists)
    {
        RefusePath(IDS_FILE_NOT_FOUND, Look.Refusal.Cause);
        return StayOnPage;
    }
    if (!CanDecideNext())
    {
        // What the conversion reads must be what was looked at: the conversion's own opening of
        // the picture decides, which the preview's decoding brings, or which is asked for now.
        if (!Look.PreviewFollows && !CheckAsked)
        {
            Loader->Check();
            CheckAsked = true;
        }
        NextWaiting = true;
        return StayOnPage;
    }
    const ConversionResult& refusal = !Look.Refusal.Succeeded() ? Look.Refusal : Decoding.Check;
    if (!refusal.Succeeded())
    {
        RefusePath(refusal.Status == ConversionStatus::SourceCannotOpen ? IDS_CANNOT_OPEN : IDS_NOT_A_PICTURE,
                   refusal.Cause);
        return StayOnPage;
    }

    ConversionSettings& settings = CConverterWizard::Of(*this).Settings;
    settings.SourcePath = SourcePath.Str();
    settings.SourceBitmap = Decoding.Size;
    return AdjacentPage;
}

void CSourcePage::RefusePath(UINT messageId, const std::string& cause)
{
    MessageBoxFor(messageId, SourcePath.GetString(), MB_OK | MB_ICONERROR, cause);
    GotoDlgCtrl(GetDlgItem(IDC_PATH));
}
