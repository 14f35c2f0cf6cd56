// CPagePreview: the finish page's picture of the page Finish will write.
#pragma once

#include "engine/ConversionJob.h"
#include "engine/ConversionSettings.h"
#include "engine/HeldPicture.h"
#include "output/RecordedPage.h"
#include "winlib/Afx.h"

#include <cstdint>
#include <memory>
#include <string>

// Draws the page as a browser will show it: the characters in their cells' colours, in the page's
// face and size, on its background, in the order the page will have them. The cells are made
// beside the wizard by the conversion's own run into a recorded page, on a job of the control's;
// the wizard never waits for it. A page larger than the control is shown smaller: with its
// characters while they stay a few pixels large, else as a faithful reduction of the whole page
// ("shown at 1:4"). A line under the picture says which, or why no preview is shown.
class CPagePreview : public CStatic
{
public:
    // What the control shows.
    enum class State
    {
        Empty,    // nothing yet, or the last preview was cancelled
        Working,  // a preview is being made
        Shown,    // the page is drawn
        Failed    // no preview could be made; the note says why
    };

    // Where and how large the page is drawn, in the control's client pixels.
    struct Layout
    {
        CRect Page;            // the whole page
        double CellWidth = 0;  // one cell
        double CellHeight = 0;
        std::uint32_t Scale = 1;  // the page is shown at 1:Scale
        bool Characters = true;   // drawn as characters; else as a reduced picture
        int PageCellWidth = 0;    // a cell on the page itself, at this screen's resolution
        int PageCellHeight = 0;
    };

    CPagePreview();
    ~CPagePreview() override;

    // Shows the page settings make: starts making it unless the control already shows (or is
    // making) that very page at its present size and resolution. Never waits. The picture's rows
    // are taken from held, where they are the source file's as it is now, else decoded.
    void Show(const ConversionSettings& settings, std::shared_ptr<const HeldRows> held = nullptr);
    // Stops the preview being made, as when the user leaves the page. Never waits.
    void Cancel();

    State GetState() const { return Current; }
    // True from Show until the job it started has ended and its result has been taken.
    bool IsWorking() const { return Working; }
    // The line under the picture.
    const CString& GetNote() const { return Note; }
    const Layout& GetLayout() const { return Drawn; }
    // The area the page is drawn in: the client area above the note's line.
    CRect GetPictureArea() const;
    // A pixel of the off-screen picture the control paints from; CLR_INVALID outside it.
    COLORREF GetSurfacePixel(int x, int y) const;

    // The page's characters at their size on the page: the face at 10 pixels (at 96 dpi), which
    // browsers give the smallest font size.
    static LOGFONTW PageFont(const std::string& face, CDpi dpi);

protected:
    void PreSubclassWindow() override;
    void OnPaint();
    void OnSize(UINT type, int width, int height);
    void OnSysColorChange();
    void OnDpiChangedAfterParent();
    // Posted by the job: it has moved on, or ended.
    LRESULT OnJobNote(WPARAM, LPARAM);

    DECLARE_MESSAGE_MAP()

private:
    // What a preview depends on: the settings it shows and the room and resolution it has.
    struct Request
    {
        ConversionSettings Settings;
        int Width = 0;
        int Height = 0;
        int Dpi = 0;
        std::shared_ptr<const HeldRows> Held;  // the same rows, or none: the same page
        bool operator==(const Request& other) const;
    };

    void Start();
    // Works out the layout of the request's page in the control, and how the page is to be kept.
    PageKeeping PlanLayout(const Request& request, Layout& layout) const;
    // Draws the finished recording into the surface, or the bare background.
    void Render();
    void DrawCharacters(CDC& dc);
    void DrawReduced(CDC& dc);
    void SetNote(const CString& note);
    bool MakeSurface(int width, int height);

    CConversionJob Job;
    std::shared_ptr<CRecordedPage> Recording;
    Request Running;  // the request the job is making, or last made
    Request Wanted;   // the request to make once the running job has ended
    bool HasWanted = false;
    bool Working = false;
    bool Stopping = false;  // the running job has been asked to stop
    bool HasShown = false;
    Request ShownRequest;
    State Current = State::Empty;
    Layout Planned;
    Layout Drawn;
    CString Note;
    int LastPercent = -1;

    CDC Surface;  // off-screen, the client area's size
    CBitmap SurfaceBitmap;
    HGDIOBJ InitialBitmap = nullptr;
    int SurfaceWidth = 0;
    int SurfaceHeight = 0;
};
