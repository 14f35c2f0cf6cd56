// Dialog data exchange: moving values between a dialog's controls and its member fields.
//
// Rules the pages rely on:
//  - a read stops at the first failure: the failing exchange shows the standard message,
//    focuses its control and marks the exchange failed; later DDX/DDV calls do nothing;
//  - a quiet read (Quiet set) shows nothing, moves no focus and goes on past failures: every
//    field that reads is stored, and the controls whose text does not read at all are listed in
//    Unread; a write with that list leaves those controls as the user left them;
//  - a number that parsed but failed its range check is already stored in its field;
//    a number that did not parse (an empty field included) leaves its field unchanged;
//  - a write replaces an edit's text only when it differs from the text shown;
//  - writing a combo box string selects the entry that is exactly that text; when none is,
//    the text itself stands in the edit part, unchanged.
#pragma once

#include <vector>
#include "winlib/Win32.h"
#include "winlib/String.h"

class CWnd;

class CDataExchange
{
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

    BOOL m_bSaveAndValidate;  // TRUE: controls to fields (a read); FALSE: fields to controls
    CWnd* m_pDlgWnd;
    bool m_bFailed = false;
    int m_idLastControl = 0;  // the control the last DDX call exchanged, for DDV messages
    bool m_bEditLastControl = false;
    bool Quiet = false;       // a read that reports nothing and does not stop at a failure
    std::vector<int> Unread;  // controls whose text did not read; a write leaves them alone

    // True when the exchange is over: a read that has failed and is not quiet.
    bool Stopped() const { return m_bFailed && !Quiet; }
    bool IsUnread(int id) const;

    // The control's handle; remembers it as the last control for validation messages.
    HWND PrepareCtrl(int id);
    HWND PrepareEditCtrl(int id);
    // Shows the standard message text, focuses the last control and marks the exchange failed.
    void Fail(const char* message);
};

// Standard validation messages.
extern const char* const AFX_MSG_PARSE_UINT;  // "Please enter a positive integer."
extern const char* const AFX_MSG_RANGE_UINT;  // "Please enter an integer between %lu and %lu."
extern const char* const AFX_MSG_MAX_CHARS;   // "Please enter no more than %d characters."

void DDX_Text(CDataExchange* exchange, int id, CString& value);
void DDX_Text(CDataExchange* exchange, int id, DWORD& value);
void DDX_Text(CDataExchange* exchange, int id, UINT& value);
void DDX_Check(CDataExchange* exchange, int id, int& value);
void DDX_CBIndex(CDataExchange* exchange, int id, int& index);
void DDX_CBString(CDataExchange* exchange, int id, CString& value);
// Binds a control object to the dialog item (subclassing it) the first time it is exchanged.
void DDX_Control(CDataExchange* exchange, int id, CWnd& control);

// On a read: fails when the text is longer than maxChars. On a write: limits typing to maxChars.
void DDV_MaxChars(CDataExchange* exchange, const CString& value, int maxChars);
// On a read: fails when the value lies outside min..max (the value is already stored).
void DDV_MinMaxDWord(CDataExchange* exchange, DWORD value, DWORD minValue, DWORD maxValue);
