// CDialog: a dialog from a template, modal (with a loop of its own) or modeless.
#pragma once

#include "winlib/Wnd.h"

class CDialog : public CWnd
{
public:
    // templateId: the dialog resource; parent: owner (modal) or parent (modeless child).
    explicit CDialog(UINT templateId = 0, CWnd* parent = nullptr);
    ~CDialog() override;

    // Runs the dialog modally and returns the value given to EndDialog (-1 if it could not be created).
    virtual INT_PTR DoModal();
    // Creates the dialog modeless from a template; for DS_CONTROL children this makes a wizard page.
    BOOL Create(UINT templateId, CWnd* parent = nullptr);

    // Ends a modal dialog with a result; for a modeless dialog only records it.
    void EndDialog(int result);
    // The value given to EndDialog, -1 until then.
    int GetResult() const { return m_nModalResult; }
    bool IsInModalLoop() const { return m_InModalLoop; }

    BOOL PreTranslateMessage(MSG* message) override;
    virtual BOOL OnInitDialog();

    UINT m_nIDHelp = 0;
    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

protected:
    // IDOK: reads and validates the data, then ends the dialog with IDOK.
    virtual void OnOK();
    // IDCANCEL: ends the dialog with IDCANCEL.
    virtual void OnCancel();

    DECLARE_MESSAGE_MAP()

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND CreateFromTemplate(UINT templateId, HWND parent);

    int m_nModalResult = -1;
    bool m_InModalLoop = false;
};

// Runs one message through the PreTranslateMessage chain from its window up to the top-level
// window; true when a window dealt with it. Modal loops call this before dispatching.
BOOL AfxPreTranslateMessage(MSG* message);
