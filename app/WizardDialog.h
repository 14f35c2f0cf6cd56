// CWizardDialog: a generic wizard frame that shows one page at a time and drives Back, Next and Cancel.
#pragma once

#include <vector>

#include "winlib/Afx.h"

class CWizardPage;

// The frame keeps an ordered list of pages (it does not own them), shows the current one over
// the hidden placeholder control, turns Next into Finish on request, carries the program icon,
// makes the pages' bold title font and adds an About entry to its system menu.
class CWizardDialog : public CDialog
{
public:
    // SetWizardButtons flags (the platform's values): Back, Next, Finish, disabled Finish.
    static constexpr DWORD ButtonBack = 1;
    static constexpr DWORD ButtonNext = 2;
    static constexpr DWORD ButtonFinish = 4;
    static constexpr DWORD ButtonDisabledFinish = 8;

    CWizardDialog(UINT templateId, CWnd* parent = nullptr);
    ~CWizardDialog() override;

    // Destroys the page windows first, in list order, then the frame's own window.
    BOOL DestroyWindow() override;
    BOOL OnInitDialog() override;
    // Drops the second half of a double click that would go past the page it has just shown.
    BOOL PreTranslateMessage(MSG* message) override;

    // Creates the page's window and appends it to the page list.
    void AddPage(CWizardPage* page);
    // Leaves the page on show (which may refuse) and shows the page at index over the placeholder.
    BOOL SetActivePage(int index);
    // Enables Back and Next/Finish and switches button 1001 between "&Next >" and "&Finish".
    void SetWizardButtons(DWORD flags);

    HFONT GetTitleFont() const { return TitleFont; }
    HFONT GetBoldFont() const { return BoldFont; }
    HICON GetLargeIcon() const { return LargeIcon; }
    HICON GetSmallIcon() const { return SmallIcon; }
    bool IsFinishMode() const { return FinishMode; }
    int GetActiveIndex() const { return CurrentPage; }
    int GetPageCount() const { return static_cast<int>(Pages.size()); }
    CWizardPage* GetPage(int index) const;
    CWizardPage* GetActivePage() const { return GetPage(CurrentPage); }

protected:
    // The frame has no data of its own.
    void DoDataExchange(CDataExchange* exchange) override;
    // Escape cancels the wizard as the Cancel button does.
    void OnCancel() override;

    void OnSysCommand(UINT command, LPARAM parameter);
    BOOL OnSetCursor(CWnd* window, UINT hitTest, UINT message);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnBack();
    void OnNext();
    void OnCancelButton();

    DECLARE_MESSAGE_MAP()

private:
    // Enables or disables one button without stranding the focus or losing the default look.
    void SetButtonState(int id, bool enable);
    void CreateFonts();
    // True for a press of the mouse on the button whose click has just changed the page, within
    // the system's double-click time: the second half of a double click, not a wish to go on.
    bool IsSecondClick(const MSG& message) const;
    // Notes that a click on this button has changed the page.
    void NotePageChange(int button);

    bool FinishMode = false;
    CIcon LargeIcon;
    CIcon SmallIcon;
    CFont TitleFont;
    CFont BoldFont;
    int CurrentPage = -1;
    std::vector<CWizardPage*> Pages;
    int PageChangeButton = 0;  // the button whose click changed the page last
    DWORD PageChangeTime = 0;  // when, in the system's milliseconds
};
