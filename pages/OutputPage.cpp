#include "pages/OutputPage.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "app/ConverterWizard.h"
#include "engine/AspectRule.h"
#include "output/PageSize.h"
#include "output/PageStyle.h"
#include "output/TargetCheck.h"
#include "output/TargetName.h"
#include "base/TextEncoding.h"
#include "res/resource.h"

int AspectBasis = AspectBasisNone;

namespace
{
const char* const HtmlFilter = "HTML files (*.html;*.htm)|*.html;*.htm|All Files (*.*)|*.*||";
// The up-down controls run from 1 (high word) to 5000 (low word), the up arrow increasing.
const LPARAM CountRange = MAKELPARAM(MaximumGridCount, MinimumGridCount);

bool Contains(const std::vector<int>& ids, int id)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

// The counts the rule has just set are fresh, whatever their edits held.
void ForgetCounts(std::vector<int>& unread)
{
    unread.erase(
        std::remove_if(unread.begin(), unread.end(), [](int id) { return id == IDC_COLUMNS || id == IDC_ROWS; }),
        unread.end());
}
}  // namespace

BEGIN_MESSAGE_MAP(COutputPage, CWizardPage)
    ON_BN_CLICKED(IDC_BROWSE, OnBrowse)
    ON_EN_CHANGE(IDC_PATH, OnEditChange)
    ON_EN_MAXTEXT(IDC_PATH, OnPathTooLong)
    ON_CBN_EDITCHANGE(IDC_CHARACTER_SET, OnEditChange)
    ON_CBN_CLOSEUP(IDC_CHARACTER_SET, OnCloseUpCharacters)
    ON_EN_CHANGE(IDC_COLUMNS, OnChangeColumns)
    ON_EN_CHANGE(IDC_ROWS, OnChangeRows)
    ON_CBN_SELCHANGE(IDC_FONT, OnSelChangeFont)
    ON_CBN_SELCHANGE(IDC_PAGE_STYLE, OnSelChangeStyle)
END_MESSAGE_MAP()

COutputPage::COutputPage(CConverterWizard* wizard) : CWizardPage(IDD_OUTPUT, wizard)
{
}

COutputPage::~COutputPage()
{
    // A page destroyed without the wizard's DestroyWindow still frees its descriptions.
    if (GetSafeHwnd())
        FreeFontList();
}

void COutputPage::DoDataExchange(CDataExchange* exchange)
{
    CWizardPage::DoDataExchange(exchange);
    DDX_Text(exchange, IDC_PATH, TargetPath);
    DDV_MaxChars(exchange, TargetPath, MaxPathChars);
    DDX_Check(exchange, IDC_PRESERVE_ASPECT, PreserveAspect);
    DDX_CBIndex(exchange, IDC_PAGE_STYLE, StyleIndex);
    DDX_Text(exchange, IDC_COLUMNS, Columns);
    DDV_MinMaxDWord(exchange, Columns, MinimumGridCount, MaximumGridCount);
    DDX_Text(exchange, IDC_ROWS, Rows);
    DDV_MinMaxDWord(exchange, Rows, MinimumGridCount, MaximumGridCount);
    DDX_CBIndex(exchange, IDC_CHARACTER_ORDER, CharacterOrder);
    DDX_CBString(exchange, IDC_CHARACTER_SET, CharacterSet);
    DDX_CBIndex(exchange, IDC_FONT, FontIndex);
    DDX_Control(exchange, IDC_FONT_SAMPLE, FontSample);
    DDX_Control(exchange, IDC_BACKGROUND, BackgroundButton);
    DDX_Control(exchange, IDC_FONT, FontList);
    DDX_Control(exchange, IDC_CHARACTER_SET, CharacterList);
    DDX_Control(exchange, IDC_PAGE_STYLE, StyleList);
}

BOOL COutputPage::OnInitDialog()
{
    // The base adds the template's combo lists and makes the first write (no fonts listed yet).
    CWizardPage::OnInitDialog();
    FillFontList();
    // The styles in the order of their table, and each one's own characters among the sets.
    for (const PageStyleInfo& style : PageStyles())
    {
        StyleList.AddString(style.Name);
        const std::string characters = DefaultCharactersOf(style.Style);
        if (CharacterList.SendMessage(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                      reinterpret_cast<LPARAM>(characters.c_str())) == CB_ERR)
            CharacterList.AddString(characters.c_str());
    }
    for (int spin : {IDC_COLUMNS_SPIN, IDC_ROWS_SPIN})
        if (CWnd* control = GetDlgItem(spin))
            control->SendMessage(UDM_SETRANGE, 0, CountRange);
    return TRUE;
}

BOOL COutputPage::DestroyWindow()
{
    FreeFontList();
    return CWizardPage::DestroyWindow();
}

BOOL COutputPage::OnSetActive()
{
    // A target that still holds the name proposed for the last source follows a new source;
    // a name the user chose stays.
    const std::string proposed =
        DefaultTargetName(CConverterWizard::Of(*this).GetSourcePath(), false, PageExtensionOf(SelectedStyle()));
    if (TargetPath.IsEmpty() || TargetPath.Str() == ProposedTarget)
        TargetPath = proposed;
    ProposedTarget = proposed;
    ApplyAspectRatio(0);
    UpdateData(FALSE);
    UpdatePageSize();
    UpdateButtons();
    return CWizardPage::OnSetActive();
}

void COutputPage::UpdateButtons()
{
    const bool complete = !TargetPath.IsEmpty() && !CharacterSet.IsEmpty();
    Wizard->SetWizardButtons(complete ? CWizardDialog::ButtonBack | CWizardDialog::ButtonNext
                                      : CWizardDialog::ButtonBack);
}

const LOGFONTA* COutputPage::SelectedFont() const
{
    if (!FontList.GetSafeHwnd() || FontIndex < 0 || FontIndex >= FontList.GetCount())
        return nullptr;
    const DWORD_PTR data = FontList.GetItemData(FontIndex);
    if (data == static_cast<DWORD_PTR>(CB_ERR))
        return nullptr;
    return reinterpret_cast<const LOGFONTA*>(data);
}

std::string COutputPage::SelectedFace() const
{
    const LOGFONTA* font = SelectedFont();
    return font ? std::string(font->lfFaceName, strnlen(font->lfFaceName, LF_FACESIZE)) : std::string(DefaultFontFace);
}

PageStyle COutputPage::SelectedStyle() const
{
    const std::vector<PageStyleInfo>& styles = PageStyles();
    return StyleIndex >= 0 && std::size_t(StyleIndex) < styles.size() ? styles[std::size_t(StyleIndex)].Style
                                                                      : PageStyle::Classic;
}

bool COutputPage::ApplyAspectRatio(int direction, const std::vector<int>& unread)
{
    if (!PreserveAspect)
        return false;
    // The count the other follows must have read: an emptied edit is no count to follow.
    const int basis = direction != 0 ? direction : AspectBasis;
    if ((basis > 0 && Contains(unread, IDC_COLUMNS)) || (basis < 0 && Contains(unread, IDC_ROWS)))
        return false;
    const PictureSize& picture = CConverterWizard::Of(*this).Settings.SourceBitmap;
    const float pictureRatio = AspectRatioOf(picture.Width, picture.Height);
    // Without any fixed-pitch face the page takes the usual cell, half as wide as high; a style
    // that fixes its cell takes its own.
    const LOGFONTA* font = SelectedFont();
    const float fontRatio =
        CellRatioOf(SelectedStyle(), font ? AspectRatioOf(font->lfWidth, font->lfHeight) : DefaultFontRatio);
    // A ratio that is not finite and positive (a zero size) leaves the counts as they are.
    std::uint32_t columns = Columns;
    std::uint32_t rows = Rows;
    if (!ApplyAspectRule(pictureRatio, fontRatio, direction, columns, rows, AspectBasis))
        return false;
    Columns = columns;
    Rows = rows;
    // Without a basis chosen yet, the rule has left both counts as they were.
    return AspectBasis != AspectBasisNone;
}

std::vector<int> COutputPage::ReadQuietly()
{
    CDataExchange read(this, TRUE);
    read.Quiet = true;
    UpdateData(read);
    return read.Unread;
}

void COutputPage::WriteLeaving(const std::vector<int>& unread)
{
    CDataExchange write(this, FALSE);
    write.Unread = unread;
    UpdateData(write);
}

void COutputPage::UpdatePageSize(const std::vector<int>& unread)
{
    CString text;
    const auto inRange = [](UINT count) { return count >= MinimumGridCount && count <= MaximumGridCount; };
    if (!Contains(unread, IDC_COLUMNS) && !Contains(unread, IDC_ROWS) && inRange(Columns) && inRange(Rows))
    {
        const std::string size =
            DescribeSize(EstimatePageSize(Columns, Rows, SelectedFace(), CharacterSet.Str(), SelectedStyle()));
        text.FormatMessageId(IDS_PAGE_SIZE, size.c_str());
    }
    SetDlgItemText(IDC_PAGE_SIZE, text);
}

void COutputPage::FillFontList()
{
    CClientDC dc(this);
    LOGFONTA wanted = {};
    wanted.lfCharSet = ANSI_CHARSET;
    ::EnumFontFamiliesExA(dc, &wanted, &FontEnumProc, reinterpret_cast<LPARAM>(&FontList), 0);
    const int preferred = FontList.FindString(-1, DefaultFontFace);
    if (preferred != CB_ERR)
        FontIndex = preferred;
    FontSample.LogFont = SelectedFont();
}

int CALLBACK COutputPage::FontEnumProc(const LOGFONTA* font, const TEXTMETRICA* metric, DWORD, LPARAM list)
{
    // TMPF_FIXED_PITCH set means a variable pitch: only monospaced faces are listed.
    if (metric->tmPitchAndFamily & TMPF_FIXED_PITCH)
        return 1;
    CComboBox* fonts = reinterpret_cast<CComboBox*>(list);
    const int index = fonts->AddString(font->lfFaceName);
    if (index >= 0)
        fonts->SetItemData(index, reinterpret_cast<DWORD_PTR>(new LOGFONTA(*font)));
    return 1;
}

void COutputPage::FreeFontList()
{
    FontSample.LogFont = nullptr;
    if (!FontList.GetSafeHwnd())
        return;
    for (int index = 0; index < FontList.GetCount(); ++index)
    {
        const DWORD_PTR data = FontList.GetItemData(index);
        if (data != static_cast<DWORD_PTR>(CB_ERR))
            delete reinterpret_cast<LOGFONTA*>(data);
    }
    FontList.ResetContent();
}

void COutputPage::OnEditChange()
{
    const std::vector<int> unread = ReadQuietly();
    UpdateButtons();
    UpdatePageSize(unread);
}

void COutputPage::OnCloseUpCharacters()
{
    const int selected = CharacterList.GetCurSel();
    if (selected == CB_ERR)
        return;
    CharacterList.GetLBText(selected, CharacterSet);
    UpdateButtons();
    UpdatePageSize();
}

void COutputPage::OnChangeColumns()
{
    OnCountChanged(AspectBasisColumns);
}

void COutputPage::OnChangeRows()
{
    OnCountChanged(AspectBasisRows);
}

void COutputPage::OnCountChanged(int direction)
{
    // The write that follows a change elsewhere must not start the rule once more.
    if (!IsWindowVisible())
        return;
    std::vector<int> unread = ReadQuietly();
    // A count being typed that does not read yet (an emptied edit) stays as the user has it.
    if (!Contains(unread, direction > 0 ? IDC_COLUMNS : IDC_ROWS))
    {
        if (ApplyAspectRatio(direction, unread))
            ForgetCounts(unread);
        WriteLeaving(unread);
    }
    UpdatePageSize(unread);
}

void COutputPage::OnSelChangeFont()
{
    std::vector<int> unread = ReadQuietly();
    FontSample.LogFont = SelectedFont();
    FontSample.InvalidateRect(nullptr, TRUE);
    if (ApplyAspectRatio(0, unread))
        ForgetCounts(unread);
    WriteLeaving(unread);
    UpdatePageSize(unread);
}

void COutputPage::OnSelChangeStyle()
{
    std::vector<int> unread = ReadQuietly();
    const PageStyle style = SelectedStyle();
    if (CharacterSet.Str() == DefaultCharactersOf(ShownStyle))
        CharacterSet = DefaultCharactersOf(style).c_str();
    // A proposed name takes the new style's extension; a name the user chose stays.
    if (TargetPath.Str() == ProposedTarget)
    {
        ProposedTarget = DefaultTargetName(CConverterWizard::Of(*this).GetSourcePath(), false, PageExtensionOf(style));
        TargetPath = ProposedTarget.c_str();
    }
    ShownStyle = style;
    if (ApplyAspectRatio(0, unread))
        ForgetCounts(unread);
    WriteLeaving(unread);
    UpdateButtons();
    UpdatePageSize(unread);
}

void COutputPage::OnBrowse()
{
    // The dialog opens at the target as it stands, in its folder.
    if (!BrowseForFile(FALSE, PageExtensionOf(SelectedStyle()).c_str(), OFN_HIDEREADONLY, HtmlFilter, TargetPath,
                       TargetPath))
        return;
    UpdateData(FALSE);
    UpdateButtons();
}

int COutputPage::OnWizardNext()
{
    if (!UpdateData(TRUE))
        return StayOnPage;
    if (!IsValidText(CharacterSet.Str()))
    {
        MessageBoxFor(IDS_BAD_CHARACTERS, CharacterSet.GetString(), MB_OK | MB_ICONERROR);
        GotoDlgCtrl(GetDlgItem(IDC_CHARACTER_SET));
        return StayOnPage;
    }

    // Neither a folder nor the picture itself can become the page, and a read-only page is kept:
    // it is never replaced, so there is nothing to ask.
    ConversionSettings& settings = CConverterWizard::Of(*this).Settings;
    const TargetVerdict verdict = CheckTarget(TargetPath.Str(), settings.SourcePath);
    switch (verdict.State)
    {
    case TargetState::Folder: RefuseTarget(IDS_TARGET_IS_FOLDER); return StayOnPage;
    case TargetState::Source: RefuseTarget(IDS_TARGET_IS_SOURCE); return StayOnPage;
    case TargetState::ReadOnly: RefuseTarget(IDS_TARGET_READ_ONLY); return StayOnPage;
    // What may be a picture, and what no file can be written to, cannot become the page either.
    case TargetState::NotAFile:
    case TargetState::Unreadable: RefuseTarget(IDS_CANNOT_CREATE, verdict.Cause); return StayOnPage;
    // A name the system cannot use is the run's to report, as it always was.
    case TargetState::BadName:
    case TargetState::Free:
    case TargetState::Existing:
    case TargetState::Picture:
    case TargetState::Device: break;
    }
    if (verdict.Exists())
    {
        if (MessageBoxFor(IDS_REPLACE, TargetPath.GetString(), MB_YESNO | MB_ICONQUESTION) == IDNO)
        {
            GotoDlgCtrl(GetDlgItem(IDC_PATH));
            return StayOnPage;
        }
    }

    settings.TargetPath = TargetPath.Str();
    settings.Columns = Columns;
    settings.Rows = Rows;
    settings.FontFace = SelectedFace();
    settings.CharacterSet = CharacterSet.Str();
    settings.CharacterOrder = CharacterOrder;
    settings.BackgroundColor = BackgroundButton.Color;
    settings.Style = SelectedStyle();
    return AdjacentPage;
}

void COutputPage::RefuseTarget(UINT messageId, const std::string& cause)
{
    MessageBoxFor(messageId, TargetPath.GetString(), MB_OK | MB_ICONERROR, cause);
    GotoDlgCtrl(GetDlgItem(IDC_PATH));
}
