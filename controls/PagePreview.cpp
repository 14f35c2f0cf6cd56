#include "controls/PagePreview.h"

#include "base/TextEncoding.h"
#include "controls/PreviewMemory.h"
#include "engine/ConversionRun.h"
#include "engine/SourcePicture.h"
#include "output/CharacterSequence.h"
#include "output/PageConversion.h"
#include "output/PageStyle.h"
#include "res/resource.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{

// Posted by the job to the control: its progress has moved on, or it has ended.
constexpr UINT WM_PAGE_PREVIEW_NOTE = WM_APP + 10;
// The browser's smallest font size, which the page asks for (SIZE=1), in pixels at 96 dpi.
constexpr int PageFontPixels = 10;
// Below this many pixels (at 96 dpi) a cell's character cannot be made out: the page is shown
// reduced instead.
constexpr int LeastGlyphWidth = 4;
constexpr int LeastGlyphHeight = 7;

// A memory DC on the screen, for measuring and drawing off-screen.
struct ScreenDC
{
    ScreenDC() : DC(::CreateCompatibleDC(nullptr)) {}
    ~ScreenDC()
    {
        if (DC)
            ::DeleteDC(DC);
    }
    ScreenDC(const ScreenDC&) = delete;
    ScreenDC& operator=(const ScreenDC&) = delete;
    HDC DC;
};

// The share of a cell of width x height that each character of set inks in font, from its
// glyph drawn white on black with grey edges.
std::map<char32_t, float> MeasureCoverage(const LOGFONTW& font, int width, int height, const std::string& set)
{
    std::map<char32_t, float> coverage;
    CCharacterSequence sequence;
    sequence.Start(set, true);
    ScreenDC dc;
    void* bits = nullptr;
    CBitmap cell;
    cell.CreateTopDownDib(dc.DC, width, height, &bits);
    LOGFONTW smooth = font;
    smooth.lfQuality = ANTIALIASED_QUALITY;
    CFont glyphs;
    glyphs.Attach(::CreateFontIndirectW(&smooth));
    if (!bits || !glyphs.GetSafeHandle())
        return coverage;
    CSelectObject selectedCell(dc.DC, cell);
    CSelectObject selectedFont(dc.DC, glyphs);
    ::SetBkMode(dc.DC, TRANSPARENT);
    ::SetTextColor(dc.DC, RGB(255, 255, 255));
    const RECT whole = {0, 0, width, height};
    for (char32_t character : sequence.Characters())
    {
        if (coverage.count(character))
            continue;
        ::FillRect(dc.DC, &whole, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        const std::u16string text = Utf16Of(std::u32string(1, character));
        ::TextOutW(dc.DC, 0, 0, reinterpret_cast<const wchar_t*>(text.c_str()), static_cast<int>(text.size()));
        ::GdiFlush();
        std::uint64_t ink = 0;
        const auto* pixel = static_cast<const std::uint8_t*>(bits);
        for (int n = 0; n < width * height; ++n)
            ink += pixel[4 * n + 1];
        coverage[character] = static_cast<float>(double(ink) / (255.0 * width * height));
    }
    return coverage;
}

}  // namespace

BEGIN_MESSAGE_MAP(CPagePreview, CStatic)
    ON_WM_PAINT()
    ON_WM_SIZE()
    ON_WM_SYSCOLORCHANGE()
    ON_WM_DPICHANGED_AFTERPARENT()
    ON_MESSAGE(WM_PAGE_PREVIEW_NOTE, OnJobNote)
END_MESSAGE_MAP()

bool CPagePreview::Request::operator==(const Request& other) const
{
    const ConversionSettings& a = Settings;
    const ConversionSettings& b = other.Settings;
    return a.SourcePath == b.SourcePath && a.Columns == b.Columns && a.Rows == b.Rows && a.FontFace == b.FontFace &&
           a.CharacterSet == b.CharacterSet && a.CharacterOrder == b.CharacterOrder &&
           a.BackgroundColor == b.BackgroundColor && a.Style == b.Style && Width == other.Width &&
           Height == other.Height && Dpi == other.Dpi;
}

CPagePreview::CPagePreview() = default;

CPagePreview::~CPagePreview()
{
    // The job's thread stops at its next row; the job waits for it as it goes.
    Job.Stop();
    if (Surface.GetSafeHdc() && InitialBitmap)
        Surface.SelectObject(InitialBitmap);
}

LOGFONTW CPagePreview::PageFont(const std::string& face, CDpi dpi)
{
    LOGFONTW font = {};
    font.lfHeight = -dpi.Scale(PageFontPixels);
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    std::u32string characters;
    SplitCharacters(face, characters);
    const std::u16string wide = Utf16Of(characters);
    for (std::size_t n = 0; n < wide.size() && n + 1 < LF_FACESIZE; ++n)
        font.lfFaceName[n] = static_cast<wchar_t>(wide[n]);
    return font;
}

void CPagePreview::PreSubclassWindow()
{
    CRect client;
    GetClientRect(&client);
    MakeSurface(client.Width(), client.Height());
    CStatic::PreSubclassWindow();
}

bool CPagePreview::MakeSurface(int width, int height)
{
    if (width <= 0 || height <= 0)
        return false;
    CClientDC screen(this);
    if (!Surface.GetSafeHdc())
        Surface.CreateCompatibleDC(screen);
    CBitmap bitmap;
    if (!bitmap.CreateCompatibleBitmap(screen, width, height))
        return false;
    const HGDIOBJ previous = Surface.SelectObject(bitmap);
    if (!InitialBitmap)
        InitialBitmap = previous;
    SurfaceBitmap.Attach(bitmap.Detach());
    SurfaceWidth = width;
    SurfaceHeight = height;
    Surface.FillSolidRect(0, 0, width, height, ::GetSysColor(COLOR_BTNFACE));
    return true;
}

CRect CPagePreview::GetPictureArea() const
{
    CRect client;
    GetClientRect(&client);
    // The note's line: the control's own font, which the dialog gives it, and a little room.
    ScreenDC dc;
    CSelectObject font(dc.DC, reinterpret_cast<HFONT>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics = {};
    ::GetTextMetricsA(dc.DC, &metrics);
    client.bottom = std::max<LONG>(client.top, client.bottom - metrics.tmHeight - CDpi::OfWindow(m_hWnd).Scale(3));
    return client;
}

void CPagePreview::Show(const ConversionSettings& settings, std::shared_ptr<const HeldRows> held)
{
    CRect client;
    GetClientRect(&client);
    Request request;
    request.Settings = settings;
    request.Width = client.Width();
    request.Height = client.Height();
    request.Dpi = CDpi::OfWindow(m_hWnd).Value();
    request.Held = std::move(held);
    if (!Working && HasShown && request == ShownRequest)
        return;
    if (Working && !HasWanted && !Stopping && request == Running)
        return;
    Wanted = request;
    HasWanted = true;
    // A job that is still going is stopped; the wanted preview starts once its end has been heard.
    if (Working)
    {
        Stopping = true;
        Job.Stop();
        return;
    }
    Start();
}

void CPagePreview::Cancel()
{
    HasWanted = false;
    if (!Working)
        return;
    // Even a job that has just ended gives nothing now: its result is dropped when it comes.
    Stopping = true;
    Job.Stop();
}

void CPagePreview::Start()
{
    // A job that has ended is joined at once.
    Job.Wait();
    Running = Wanted;
    HasWanted = false;
    Stopping = false;
    HasShown = false;
    Recording.reset();
    LastPercent = -1;

    const ConversionSettings settings = Running.Settings;
    const std::string problem = SettingsProblem(settings);
    if (!problem.empty())
    {
        Working = false;
        Current = State::Failed;
        Render();
        CString note;
        note.FormatMessageId(IDS_NO_PREVIEW, problem.c_str());
        SetNote(note);
        return;
    }
    const PageKeeping keeping = PlanLayout(Running, Planned);
    std::u32string characters;
    SplitCharacters(settings.CharacterSet, characters);
    auto recording =
        std::make_shared<CRecordedPage>(settings, CreatePageFormat(settings.Style)->Sampling(characters), keeping);
    Recording = recording;
    const auto task = [settings, recording, held = Running.Held](const ConversionProgress& progress,
                                                                 const ConversionStop& stop) {
        const auto made = [&settings](ConversionStatus status, const CSourcePicture* picture) {
            if (status == ConversionStatus::SourceRefused && picture)
                return picture->ReadFailure();
            if (status != ConversionStatus::Written)
                return ConversionResult::Failure(status, settings.SourcePath, "the preview was not made");
            ConversionResult result;
            result.Path = settings.SourcePath;
            return result;
        };
        // The rows the source page decoded serve for as long as the file is as it was then.
        if (held && held->Fit(settings.SourcePath, settings.BackgroundColor))
        {
            CHeldPicture picture(held);
            return made(ConvertToHtml(picture, *recording, progress, &stop), nullptr);
        }
        // The picture's header first: a picture too large to decode for a preview is not decoded.
        CSourcePicture picture;
        SourceFacts facts;
        if (!picture.Peek(settings.SourcePath, facts))
            return picture.Failure();
        const std::string tooLarge = PreviewMemoryProblem(facts);
        if (!tooLarge.empty())
            return ConversionResult::Failure(ConversionStatus::SourceRefused, settings.SourcePath, "no preview",
                                             tooLarge);
        if (!picture.Open(settings.SourcePath, settings.BackgroundColor))
            return picture.Failure();
        // Where only the decoder could tell the size, the ceiling applies once it has.
        CompleteFacts(picture, facts);
        const std::string tooLargeOpened = PreviewMemoryProblem(facts);
        if (!tooLargeOpened.empty())
            return ConversionResult::Failure(ConversionStatus::SourceRefused, settings.SourcePath, "no preview",
                                             tooLargeOpened);
        return made(ConvertToHtml(picture.Source(), *recording, progress, &stop), &picture);
    };
    const HWND window = m_hWnd;
    Working = Job.Start(
        task, [window] { ::PostMessageA(window, WM_PAGE_PREVIEW_NOTE, 0, 0); }, settings.SourcePath);
    Current = State::Working;
    Render();
    CString note;
    note.LoadString(IDS_PREVIEW_WORKING);
    SetNote(note);
}

PageKeeping CPagePreview::PlanLayout(const Request& request, Layout& layout) const
{
    const CDpi dpi(request.Dpi);
    const ConversionSettings& settings = request.Settings;
    const LOGFONTW font = PageFont(settings.FontFace, dpi);
    int cellWidth = 0;
    int cellHeight = 0;
    {
        ScreenDC dc;
        CFont made;
        made.Attach(::CreateFontIndirectW(&font));
        CSelectObject selected(dc.DC, made);
        TEXTMETRICW metrics = {};
        ::GetTextMetricsW(dc.DC, &metrics);
        cellWidth = std::max<int>(1, metrics.tmAveCharWidth);
        cellHeight = std::max<int>(1, metrics.tmHeight);
        // A style that fixes its cell's shape makes it a zero wide ("1ch") and as high as the
        // shape says, whatever the face's own height.
        const float ratio = PageStyleOf(settings.Style).CellRatio;
        SIZE zero = {};
        if (ratio > 0 && ::GetTextExtentPoint32W(dc.DC, L"0", 1, &zero) && zero.cx > 0)
        {
            cellWidth = zero.cx;
            cellHeight = std::max<int>(1, static_cast<int>(std::lround(zero.cx / ratio)));
        }
    }
    const CRect area = GetPictureArea();
    const std::uint64_t pageWidth = std::uint64_t(settings.Columns) * cellWidth;
    const std::uint64_t pageHeight = std::uint64_t(settings.Rows) * cellHeight;
    const std::uint64_t roomWidth = std::max<LONG>(1, area.Width());
    const std::uint64_t roomHeight = std::max<LONG>(1, area.Height());
    // The smallest whole reduction that fits the page into the room.
    const auto scale = static_cast<std::uint32_t>(std::max<std::uint64_t>(
        {1, (pageWidth + roomWidth - 1) / roomWidth, (pageHeight + roomHeight - 1) / roomHeight}));

    layout = Layout();
    layout.Scale = scale;
    layout.PageCellWidth = cellWidth;
    layout.PageCellHeight = cellHeight;
    layout.CellWidth = double(cellWidth) / scale;
    layout.CellHeight = double(cellHeight) / scale;
    layout.Characters =
        layout.CellWidth >= dpi.Scale(LeastGlyphWidth) && layout.CellHeight >= dpi.Scale(LeastGlyphHeight);
    // Whole pixels: the characters' cells at their scaled places, the reduced picture's own size.
    const auto width = static_cast<LONG>((pageWidth + scale - 1) / scale);
    const auto height = static_cast<LONG>((pageHeight + scale - 1) / scale);
    // Centred across, as the page centres its lines, from the top.
    const LONG left = area.left + (area.Width() - width) / 2;
    layout.Page = CRect(left, area.top, left + width, area.top + height);

    PageKeeping keeping;
    if (!layout.Characters)
    {
        keeping.Reduction = scale;
        keeping.CellWidth = static_cast<std::uint32_t>(cellWidth);
        keeping.CellHeight = static_cast<std::uint32_t>(cellHeight);
        keeping.Coverage = MeasureCoverage(font, cellWidth, cellHeight, settings.CharacterSet);
    }
    return keeping;
}

LRESULT CPagePreview::OnJobNote(WPARAM, LPARAM)
{
    if (!Working)
        return 0;
    if (!Job.HasEnded())
    {
        const std::uint32_t total = Job.RowsTotal();
        const int percent = total ? static_cast<int>(std::uint64_t(Job.RowsDone()) * 100 / total) : 0;
        if (percent != LastPercent && !HasWanted)
        {
            LastPercent = percent;
            CString note;
            note.LoadString(IDS_PREVIEW_WORKING);
            CString done;
            done.Format(" %d %%", percent);
            SetNote(note + done);
        }
        return 0;
    }
    const ConversionResult result = Job.Wait();
    Working = false;
    if (HasWanted)
    {
        Start();
        return 0;
    }
    CString note;
    if (result.Succeeded() && !Stopping && Recording && Recording->IsComplete())
    {
        Current = State::Shown;
        Drawn = Planned;
        HasShown = true;
        ShownRequest = Running;
        if (Drawn.Scale == 1)
            note.LoadString(IDS_PREVIEW_ACTUAL);
        else
            note.FormatMessageId(IDS_PREVIEW_SCALE, Drawn.Scale);
    }
    else if (result.Status == ConversionStatus::Stopped || Stopping)
    {
        Current = State::Empty;
    }
    else
    {
        Current = State::Failed;
        note.FormatMessageId(IDS_NO_PREVIEW, (result.Cause.empty() ? result.Reason : result.Cause).c_str());
    }
    Render();
    SetNote(note);
    return 0;
}

void CPagePreview::Render()
{
    if (!Surface.GetSafeHdc() || !SurfaceBitmap.GetSafeHandle())
        return;
    const CRect area = GetPictureArea();
    Surface.FillSolidRect(0, 0, SurfaceWidth, SurfaceHeight, ::GetSysColor(COLOR_BTNFACE));
    // The browser's window is the page's background all over; nothing is shown for a page that
    // cannot be made.
    if (Current != State::Failed && Current != State::Empty)
        Surface.FillSolidRect(area, Running.Settings.BackgroundColor);
    if (Current != State::Shown || !Recording)
        return;
    ::SaveDC(Surface);
    ::IntersectClipRect(Surface, area.left, area.top, area.right, area.bottom);
    if (Drawn.Characters)
        DrawCharacters(Surface);
    else
        DrawReduced(Surface);
    ::RestoreDC(Surface, -1);
}

void CPagePreview::DrawCharacters(CDC& dc)
{
    const ConversionSettings& settings = Running.Settings;
    LOGFONTW font = PageFont(settings.FontFace, CDpi(Running.Dpi));
    font.lfHeight = -std::max<LONG>(1, std::lround(double(-font.lfHeight) / Drawn.Scale));
    CFont shown;
    shown.Attach(::CreateFontIndirectW(&font));
    CSelectObject selected(dc, shown);
    dc.SetBkMode(TRANSPARENT);
    const bool grounds = PageStyleOf(settings.Style).CellRatio > 0;
    for (std::uint32_t y = 0; y < settings.Rows; ++y)
    {
        const int top = Drawn.Page.top + static_cast<int>(std::lround(y * Drawn.CellHeight));
        const int bottom = Drawn.Page.top + static_cast<int>(std::lround((y + 1) * Drawn.CellHeight));
        for (std::uint32_t x = 0; x < settings.Columns; ++x)
        {
            const int left = Drawn.Page.left + static_cast<int>(std::lround(x * Drawn.CellWidth));
            const int right = Drawn.Page.left + static_cast<int>(std::lround((x + 1) * Drawn.CellWidth));
            const CellColors colors = Recording->Colors(x, y);
            const char32_t character = Recording->Character(x, y);
            // The photo page gives every cell its ground, and draws block characters as the cell's
            // quarters, which a face may not have.
            if (grounds)
                dc.FillSolidRect(CRect(left, top, right, bottom), colors.Back);
            if (!colors.Inked)
                continue;
            const int shape = grounds ? InkedQuarters(character) : -1;
            if (shape >= 0)
            {
                const int middle = (left + right) / 2, centre = (top + bottom) / 2;
                const CRect quarters[4] = {CRect(left, top, middle, centre), CRect(middle, top, right, centre),
                                           CRect(left, centre, middle, bottom), CRect(middle, centre, right, bottom)};
                for (int n = 0; n < 4; ++n)
                    if (shape & (1 << n))
                        dc.FillSolidRect(quarters[n], colors.Fore);
                continue;
            }
            const std::u16string text = Utf16Of(std::u32string(1, character));
            dc.SetTextColor(colors.Fore);
            // In a cell taller than the face, the browser centres the line's text in it.
            RECT cell = {left, top, right, bottom};
            ::DrawTextW(dc, reinterpret_cast<const wchar_t*>(text.c_str()), static_cast<int>(text.size()), &cell,
                        DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_NOCLIP);
        }
    }
}

void CPagePreview::DrawReduced(CDC& dc)
{
    const std::uint32_t width = Recording->PictureWidth();
    const std::uint32_t height = Recording->PictureHeight();
    if (width == 0 || height == 0)
        return;
    std::vector<std::uint32_t> pixels(std::size_t(width) * height);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
        {
            const RgbColor colour = Recording->Pixel(x, y);
            // A DIB's pixels are blue, green, red from the lowest byte.
            pixels[std::size_t(y) * width + x] = BlueOf(colour) | GreenOf(colour) << 8 | RedOf(colour) << 16;
        }
    const BITMAPINFO info = CBitmap::TopDownInfo(static_cast<int>(width), static_cast<int>(height));
    ::SetDIBitsToDevice(dc, Drawn.Page.left, Drawn.Page.top, width, height, 0, 0, 0, height, pixels.data(), &info,
                        DIB_RGB_COLORS);
}

void CPagePreview::SetNote(const CString& note)
{
    Note = note;
    // The window's text is the note as well, for programs that read the screen aloud.
    SetWindowText(note);
    Invalidate(FALSE);
}

COLORREF CPagePreview::GetSurfacePixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= SurfaceWidth || y >= SurfaceHeight || !Surface.GetSafeHdc())
        return CLR_INVALID;
    return ::GetPixel(Surface, x, y);
}

void CPagePreview::OnPaint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    const CRect area = GetPictureArea();
    if (Surface.GetSafeHdc() && SurfaceBitmap.GetSafeHandle())
        dc.BitBlt(area.left, area.top, std::min<int>(area.Width(), SurfaceWidth),
                  std::min<int>(area.Height(), SurfaceHeight), Surface, area.left, area.top, SRCCOPY);
    CRect line(client.left, area.bottom, client.right, client.bottom);
    dc.FillSolidRect(line, ::GetSysColor(COLOR_BTNFACE));
    CSelectObject font(dc, GetFont());
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(::GetSysColor(COLOR_BTNTEXT));
    line.top += CDpi::OfWindow(m_hWnd).Scale(2);
    dc.DrawText(Note, &line, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

// Resized (the dialog scaled for a screen of another resolution): the surface takes the new size
// and the page is laid out afresh.
void CPagePreview::OnSize(UINT type, int width, int height)
{
    CStatic::OnSize(type, width, height);
    if (width == SurfaceWidth && height == SurfaceHeight)
        return;
    MakeSurface(width, height);
    if (HasShown || Working)
        Show(Running.Settings);
}

void CPagePreview::OnSysColorChange()
{
    CStatic::OnSysColorChange();
    Render();
    Invalidate(FALSE);
}

void CPagePreview::OnDpiChangedAfterParent()
{
    CStatic::OnDpiChangedAfterParent();
    if (HasShown || Working)
        Show(Running.Settings);
}
