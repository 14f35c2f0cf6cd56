// CSourcePage: the wizard page on which the user names the bitmap file to convert.
#pragma once

#include "controls/ImagePreview.h"
#include "engine/ConversionSettings.h"
#include "pages/WizardPage.h"

class CConverterWizard;

// Loads the named file on every change of the path, shows its size and a preview, and on Next
// refuses a path that is not a picture the conversion can read; otherwise it hands the path and
// the picture's size to the wizard's settings.
class CSourcePage : public CWizardPage
{
public:
    explicit CSourcePage(CConverterWizard* wizard);
    ~CSourcePage() override;

    BOOL OnInitDialog() override;
    // Sets the buttons from the current path, then focuses the path edit.
    BOOL OnSetActive() override;
    // Checks the file and copies path and size into the settings, or stays.
    int OnWizardNext() override;

    const CString& GetSourcePath() const { return SourcePath; }
    // The size of the last picture that loaded (0 x 0 before the first).
    const PictureSize& GetSourceBitmap() const { return SourceBitmap; }
    const CImagePreview& GetPreview() const { return Preview; }

protected:
    void DoDataExchange(CDataExchange* exchange) override;

    // Loads the file as a bitmap of the page's own (no shared image cache); null when it does
    // not load. The caller deletes it.
    virtual HBITMAP LoadPicture(const CString& path);

    void OnBrowse();
    void OnChangeSource();

    DECLARE_MESSAGE_MAP()

private:
    // Back only while there is no path; Back and Next as soon as there is one.
    void UpdateButtons();
    // Loads the file named by SourcePath, notes its size, hands it to the preview and releases it;
    // true when it loaded. When it does not load, the size noted and shown stays.
    bool LoadPreview();
    // Tells the user why the path is not taken, with the system's reason when there is one, and
    // puts the focus back in the path edit.
    void RefusePath(UINT messageId, const std::string& cause = std::string());

    CImagePreview Preview;
    CString SourcePath;
    PictureSize SourceBitmap;
};
