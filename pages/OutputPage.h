// COutputPage: the wizard page on which the user chooses the page to write and how it looks.
#pragma once

#include <string>
#include <vector>

#include "controls/ColorButton.h"
#include "controls/FontPreview.h"
#include "engine/ConversionSettings.h"
#include "pages/WizardPage.h"

class CConverterWizard;

// Which count the output page derives the other from (1 columns, -1 rows, 0 none chosen yet);
// kept for the whole process, so that a return to the page follows the user's last edit.
extern int AspectBasis;

// Template 134: target file, page style, columns and rows kept in the picture's and the cell's
// proportions, character set and order, fixed-pitch font with its sample, background colour. A
// style that fixes its cell's shape sets the proportions in place of the font; its own
// characters take the place of another style's while the user has not chosen others. On Next it
// refuses a target that cannot be the page, asks before replacing a file, and copies its values
// into the wizard's settings.
class COutputPage : public CWizardPage
{
public:
    explicit COutputPage(CConverterWizard* wizard);
    ~COutputPage() override;

    // Frees the font descriptions, then the window.
    BOOL DestroyWindow() override;
    BOOL OnInitDialog() override;
    // Proposes the target name, applies the proportion rule, shows the fields, sets the buttons.
    BOOL OnSetActive() override;
    // Reads and checks the fields, asks before replacing a file, copies into the settings.
    int OnWizardNext() override;

    // The fields, in the order the page exchanges them.
    CString TargetPath;
    int PreserveAspect = 1;
    int StyleIndex = 0;  // in the table of page styles: 0 classic
    UINT Columns = 0;
    UINT Rows = 0;
    int CharacterOrder = 0;
    CString CharacterSet = DefaultCharacterSet;
    int FontIndex = 0;
    CFontPreview FontSample;
    CColorButton BackgroundButton;

    // The font description of the selected list entry; null while the list is empty.
    const LOGFONTA* SelectedFont() const;
    // The face the page will be written in: the selected entry's, else the usual one.
    std::string SelectedFace() const;
    // The style chosen in the list.
    PageStyle SelectedStyle() const;

protected:
    void DoDataExchange(CDataExchange* exchange) override;

    void OnBrowse();
    void OnEditChange();
    void OnCloseUpCharacters();
    void OnChangeColumns();
    void OnChangeRows();
    void OnSelChangeFont();
    void OnSelChangeStyle();

    DECLARE_MESSAGE_MAP()

private:
    // Back and Next while both a target and a character set are given, otherwise Back only.
    void UpdateButtons();
    // Columns (1) or Rows (-1) typed: reads, derives the other count, writes back; a count that
    // does not read (yet) is left as typed.
    void OnCountChanged(int direction);
    // Keeps the counts in proportion after an edit: 1 columns, -1 rows, 0 neither. A count that
    // did not read (one of unread) is not followed. True when it has set the counts.
    bool ApplyAspectRatio(int direction, const std::vector<int>& unread = std::vector<int>());
    // Reads the controls while the user is at work on them, without a word about a value that
    // does not read: Next reports it. Returns the controls whose text did not read.
    std::vector<int> ReadQuietly();
    // Writes the fields, leaving the controls that did not read as the user left them.
    void WriteLeaving(const std::vector<int>& unread);
    // Shows about how large the page will be, or nothing while a count does not read or is
    // out of range.
    void UpdatePageSize(const std::vector<int>& unread = std::vector<int>());
    // Lists the fixed-pitch faces, each with a copy of its description, and preselects
    // "Courier New" when it is there.
    void FillFontList();
    static int CALLBACK FontEnumProc(const LOGFONTA* font, const TEXTMETRICA* metric, DWORD fontType, LPARAM list);
    void FreeFontList();
    // Tells the user why the target is not taken and puts the focus back in the target edit.
    void RefuseTarget(UINT messageId, const std::string& cause = std::string());

    // The lists the page fills and reads entries of; bound to 1020, 1024 and 1028 with the fields.
    CComboBox FontList;
    CComboBox CharacterList;
    CComboBox StyleList;
    // The style whose characters and page name the page shows: a change of style from it replaces
    // what still is that style's own.
    PageStyle ShownStyle = PageStyle::Classic;
    // The target name proposed for the source it was made from: while the target holds it, the
    // target follows a new source.
    std::string ProposedTarget;
};
