// CWizardPage: one page of a wizard, a modeless child dialog shown over the frame's placeholder.
#pragma once

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

    // A cancel command that reaches a page neither ends nor hides it. Public: the frame calls it on
    // the page on show when the wizard is cancelled.
    void OnCancel() override;

    CWizardDialog* GetWizard() const { return Wizard; }
    UINT GetTemplateId() const { return m_nIDTemplate; }
    CToolTipCtrl& GetToolTip() { return ToolTip; }

protected:
    // Runs a file dialog that starts from the path last chosen in either page's dialog; on OK
    // stores the chosen path in path and as that last path, and returns true.
    bool BrowseForFile(BOOL openDialog, const char* defaultExtension, DWORD flags, const char* filter, CString& path);
    // Shows the string table's message for a file, the path in place of its %s, under the
    // application's name; returns the button pressed.
    int MessageBoxFor(UINT messageId, const char* path, UINT type);

    CWizardDialog* Wizard;
    CToolTipCtrl ToolTip;

    DECLARE_MESSAGE_MAP()
};
