// CSourcePage: the wizard page on which the user names the picture file to convert.
#pragma once

#include "controls/ImagePreview.h"
#include "engine/ConversionSettings.h"
#include "pages/SourceLoader.h"
#include "pages/WizardPage.h"

#include <cstdint>
#include <memory>

class CConverterWizard;

// Reads the named picture on every change of the path (typed, browsed or dropped from Explorer)
// beside the interface thread, which never waits for it: the size shows as soon as the header is
// read, the preview follows, and the newest name wins. On Next it refuses a path that is not a
// picture the conversion can read, waiting for the check it needs if it has not come yet;
// otherwise it hands the path and the picture's size to the wizard's settings.
class CSourcePage : public CWizardPage
{
public:
    explicit CSourcePage(CConverterWizard* wizard);
    ~CSourcePage() override;

    BOOL OnInitDialog() override;
    // Sets the buttons from the current path, then focuses the path edit.
    BOOL OnSetActive() override;
    // A Next waiting for its check waits no more.
    BOOL OnKillActive() override;
    // Checks the file and copies path and size into the settings, stays, or waits for the check.
    int OnWizardNext() override;

    const CString& GetSourcePath() const { return SourcePath; }
    // The size of the last picture whose header was read (0 x 0 before the first).
    const PictureSize& GetSourceBitmap() const { return SourceBitmap; }
    const CImagePreview& GetPreview() const { return Preview; }
    // True while the picture named is still being read: its header, its preview or its check.
    bool IsLoading() const { return Loader && Loader->IsBusy(); }
    // True while a pressed Next waits for the picture's check.
    bool IsNextWaiting() const { return NextWaiting; }

protected:
    void DoDataExchange(CDataExchange* exchange) override;

    void OnBrowse();
    void OnChangeSource();
    // Files dropped on the page: one picture is taken as if its path had been typed.
    LRESULT OnDropFiles(WPARAM drop, LPARAM);
    // The loader has looked at the file's header, or decoded the picture.
    LRESULT OnLooked(WPARAM, LPARAM);
    LRESULT OnDecoded(WPARAM, LPARAM);

    DECLARE_MESSAGE_MAP()

private:
    // Back only while there is no path; Back and Next as soon as there is one.
    void UpdateButtons();
    // Starts reading the file named by SourcePath; what the page shows follows the loader's answers.
    void StartLoad();
    // What Next does with what is known of the file: refuse, go on, or wait (StayOnPage, with
    // NextWaiting set) for the check still to come.
    int DecideNext();
    // Whether Next has what it needs to go on or refuse.
    bool CanDecideNext() const;
    // A Next that waited has what it needs: Next is pressed again.
    void ResumeNext();
    // Notes the picture's size and shows it as "%d x %d".
    void ShowSize(const PictureSize& size);
    // The note beside "Preview:": that Next waits for the picture's check, or nothing.
    void SetNote(const CString& note);
    void SayWhyNoPreview(const std::string& why);
    // Tells the user why the path is not taken, with the system's reason when there is one, and
    // puts the focus back in the path edit.
    void RefusePath(UINT messageId, const std::string& cause = std::string());

    CImagePreview Preview;
    CString SourcePath;
    PictureSize SourceBitmap;
    std::unique_ptr<CSourceLoader> Loader;  // made with the page's window
    bool Looked = false;                    // Look holds the newest load's look
    SourceLook Look;
    bool Decoded = false;  // Decoding holds the newest load's decoding
    SourceDecoding Decoding;
    bool CheckAsked = false;  // the check of a picture too large to preview was asked for
    bool NextWaiting = false;
    std::string PreviewPath;         // the file the preview shows, and the colour under its
    RgbColor PreviewBackground = 0;  // transparent areas
};
