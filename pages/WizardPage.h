// CWizardPage: one page of a wizard, a modeless child dialog shown over the frame's placeholder.
#pragma once

#include <string>

#include "winlib/Afx.h"

class CWizardDialog;

// The page side of the wizard protocol, with the defaults every page starts from:
// leaving is allowed, Back and Next go to the adjacent page, Finish ends the wizard.
class CWizardPage : public CDialog
{
public:
    // Answers of OnWizardBack / OnWizardNext: stay where we are, or go to the adjacent page.
    // A positive answer is the index of the page to show.
    static constexpr int StayOnPage = -1;
    static constexpr int AdjacentPage = 0;
    // The path edits take no more than this many characters.
    static constexpr int MaxPathChars = 256;

    CWizardPage(UINT templateId, CWizardDialog* wizard);
    ~CWizardPage() override;

    BOOL PreTranslateMessage(MSG* message) override;
    BOOL OnInitDialog() override;

    // Creates the page's window, hidden, as a child of the wizard; called by the frame's AddPage.
    virtual BOOL CreatePage();
    // The page has just been shown: gives the focus to its first tab stop.
    virtual BOOL OnSetActive();
    // The page is about to be left; false keeps it on show.
    virtual BOOL OnKillActive();
    // Back / Next pressed: StayOnPage, AdjacentPage, or the index of the page to show.
    virtual int OnWizardBack();
    virtual int OnWizardNext();
    // Finish pressed; true ends the wizard with IDOK.
    virtual BOOL OnWizardFinish();
    // The wizard is about to be cancelled (Cancel, Escape, the Close box); false keeps it open, as
    // a page does while a long operation that the cancel stops is still under way.
    virtual BOOL OnQueryCancel();

    // A cancel command that reaches a page neither ends nor hides it. Public: the frame calls it on
    // the page on show when the wizard is cancelled.
    void OnCancel() override;

    // A message's sentence with the system's reason for it on a second line, as a sentence of its
    // own ("The folder does not exist."); the sentence alone when there is no reason.
    static CString WithCause(const CString& sentence, const std::string& cause);

    CWizardDialog* GetWizard() const { return Wizard; }
    UINT GetTemplateId() const { return m_nIDTemplate; }
    CToolTipCtrl& GetToolTip() { return ToolTip; }

protected:
    // Runs a file dialog that starts from the path last chosen in either page's dialog, or, given
    // an initial path, at that file in its folder; on OK stores the chosen path in path and as
    // that last path, and returns true. A chosen path longer than the path edits take is refused
    // with a message, and nothing changes.
    bool BrowseForFile(BOOL openDialog, const char* defaultExtension, DWORD flags, const char* filter, CString& path,
                       const CString& initialPath = CString());
    // Shows the string table's message for a file, the path in place of its %s, with the system's
    // reason on a second line when one is given, under the application's name; returns the
    // button pressed.
    int MessageBoxFor(UINT messageId, const char* path, UINT type, const std::string& cause = std::string());
    // A path edit refused what was typed or pasted beyond its length: the user is told.
    void OnPathTooLong();

    CWizardDialog* Wizard;
    CToolTipCtrl ToolTip;

    DECLARE_MESSAGE_MAP()
};
