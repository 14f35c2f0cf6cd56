// CDialog: a dialog from a template, modal (with a loop of its own) or modeless.
#pragma once

#include <functional>
#include <optional>
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
    // The same from a template in memory (which must stay valid while the dialog is created).
    BOOL CreateIndirect(const DLGTEMPLATE* dialogTemplate, CWnd* parent = nullptr);
    // Makes DoModal use a template in memory instead of the resource.
    void InitModalIndirect(const DLGTEMPLATE* dialogTemplate, CWnd* parent = nullptr);

    // Gives the focus to a control of this dialog as the keyboard would (WM_NEXTDLGCTL);
    // nothing happens for a null control, e.g. a GetDlgItem that found no item.
    void GotoDlgCtrl(CWnd* control);

    // Ends a modal dialog with a result; for a modeless dialog only records it.
    void EndDialog(int result);
    // The value given to EndDialog, -1 until then.
    int GetResult() const { return ModalResult; }
    bool IsInModalLoop() const { return InModalLoop; }

    BOOL PreTranslateMessage(MSG* message) override;
    // Fills the template's initial list-box and combo-box entries, then writes the member data
    // into the controls (UpdateData(FALSE)); TRUE lets the platform set the initial focus.
    virtual BOOL OnInitDialog();

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

    const DLGTEMPLATE* MemoryTemplate = nullptr;
    int ModalResult = -1;
    bool InModalLoop = false;
};

// The one message loop, the application's and every modal dialog's: while running() holds (for
// ever when it is empty) it gets each message and dispatches it unless AfxPreTranslateMessage
// dealt with it. The WM_QUIT code when WM_QUIT ended it; empty when running() or an error did.
std::optional<int> AfxRunMessageLoop(const std::function<bool()>& running);
// Runs one message through the PreTranslateMessage chain from its window up to the top-level
// window; true when a window dealt with it.
BOOL AfxPreTranslateMessage(MSG* message);

// Initial entries of a dialog's list and combo boxes come from a user-defined resource of type
// "DLGLISTS" with the dialog template's id: records of WORD control id, WORD message (e.g.
// CB_ADDSTRING), DWORD byte count and that many bytes (a zero-terminated string), ended by a
// WORD 0. Sends each record's message with the string to the control; false on a malformed list.
BOOL AfxAddDialogLists(HWND dialog, const void* data, DWORD size);
