// Dialog data exchange and validation between a dialog's controls and its fields.
#include "winlib/DataExchange.h"

#include <cstdio>
#include <vector>
#include "winlib/Wnd.h"
#include "winlib/WinApp.h"

const char* const AFX_MSG_PARSE_UINT = "Please enter a positive integer.";
const char* const AFX_MSG_RANGE_UINT = "Please enter an integer between %lu and %lu.";
const char* const AFX_MSG_MAX_CHARS = "Please enter no more than %d characters.";

namespace
{
CString ControlText(HWND control)
{
    CString text;
    if (CWnd* wrapper = CWnd::FromHandle(control))
        wrapper->GetWindowText(text);
    return text;
}

// Replaces the text only when it differs, so that the caret and the user's typing stay put.
void SetTextIfChanged(HWND control, const char* text)
{
    if (control && ControlText(control) != text)
        ::SetWindowTextA(control, text);
}

// Unsigned decimal, optionally surrounded by blanks; no sign, nothing else, no overflow.
bool ParseUnsigned(const CString& text, DWORD& value)
{
    const char* at = text;
    while (*at == ' ' || *at == '\t')
        ++at;
    if (*at < '0' || *at > '9')
        return false;
    unsigned long long number = 0;
    for (; *at >= '0' && *at <= '9'; ++at)
    {
        number = number * 10 + static_cast<unsigned>(*at - '0');
        if (number > 0xFFFFFFFFull)
            return false;
    }
    while (*at == ' ' || *at == '\t')
        ++at;
    if (*at != '\0')
        return false;
    value = static_cast<DWORD>(number);
    return true;
}

// The first combo box entry whose text equals text, case included; -1 when none does.
int FindExactEntry(HWND control, const CString& text)
{
    const int count = static_cast<int>(::SendMessageA(control, CB_GETCOUNT, 0, 0));
    for (int index = 0; index < count; ++index)
    {
        const LRESULT length = ::SendMessageA(control, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
        if (length != text.GetLength())
            continue;
        std::vector<char> entry(static_cast<size_t>(length) + 1);
        ::SendMessageA(control, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(entry.data()));
        if (text == entry.data())
            return index;
    }
    return -1;
}

bool IsComboBox(HWND control)
{
    char name[32] = "";
    ::GetClassNameA(control, name, sizeof name);
    return lstrcmpiA(name, "ComboBox") == 0;
}
}  // namespace

HWND CDataExchange::PrepareCtrl(int id)
{
    m_idLastControl = id;
    m_bEditLastControl = false;
    return m_pDlgWnd ? ::GetDlgItem(m_pDlgWnd->m_hWnd, id) : nullptr;
}

HWND CDataExchange::PrepareEditCtrl(int id)
{
    HWND control = PrepareCtrl(id);
    m_bEditLastControl = true;
    return control;
}

bool CDataExchange::IsUnread(int id) const
{
    for (int unread : Unread)
    {
        if (unread == id)
            return true;
    }
    return false;
}

void CDataExchange::Fail(const char* message)
{
    if (Quiet)
    {
        m_bFailed = true;
        return;
    }
    AfxMessageBox(message, MB_OK | MB_ICONEXCLAMATION);
    HWND control = m_pDlgWnd ? ::GetDlgItem(m_pDlgWnd->m_hWnd, m_idLastControl) : nullptr;
    if (control)
    {
        ::SetFocus(control);
        if (m_bEditLastControl)
            ::SendMessageA(control, EM_SETSEL, 0, -1);
    }
    m_bFailed = true;
}

void DDX_Text(CDataExchange* exchange, int id, CString& value)
{
    if (exchange->Stopped())
        return;
    HWND control = exchange->PrepareEditCtrl(id);
    if (exchange->m_bSaveAndValidate)
        value = ControlText(control);
    else
        SetTextIfChanged(control, value);
}

void DDX_Text(CDataExchange* exchange, int id, DWORD& value)
{
    if (exchange->Stopped())
        return;
    HWND control = exchange->PrepareEditCtrl(id);
    if (exchange->m_bSaveAndValidate)
    {
        DWORD parsed = 0;
        if (!ParseUnsigned(ControlText(control), parsed))
        {
            exchange->Unread.push_back(id);
            exchange->Fail(AFX_MSG_PARSE_UINT);
            return;
        }
        value = parsed;
    }
    else if (!exchange->IsUnread(id))
    {
        char text[16];
        std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(value));
        SetTextIfChanged(control, text);
    }
}

void DDX_Text(CDataExchange* exchange, int id, UINT& value)
{
    DWORD wide = value;
    DDX_Text(exchange, id, wide);
    value = static_cast<UINT>(wide);
}

void DDX_Check(CDataExchange* exchange, int id, int& value)
{
    if (exchange->Stopped())
        return;
    HWND control = exchange->PrepareCtrl(id);
    if (exchange->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessageA(control, BM_GETCHECK, 0, 0));
    else
        ::SendMessageA(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_CBIndex(CDataExchange* exchange, int id, int& index)
{
    if (exchange->Stopped())
        return;
    HWND control = exchange->PrepareCtrl(id);
    if (exchange->m_bSaveAndValidate)
        index = static_cast<int>(::SendMessageA(control, CB_GETCURSEL, 0, 0));
    else
        ::SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void DDX_CBString(CDataExchange* exchange, int id, CString& value)
{
    if (exchange->Stopped())
        return;
    HWND control = exchange->PrepareEditCtrl(id);
    if (exchange->m_bSaveAndValidate)
    {
        value = ControlText(control);
        return;
    }
    // Only an entry that is exactly the text is selected: a prefix match would put another
    // text in place of the user's.
    const int index = FindExactEntry(control, value);
    if (index >= 0)
    {
        if (::SendMessageA(control, CB_GETCURSEL, 0, 0) != index || ControlText(control) != value)
            ::SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        return;
    }
    if (::SendMessageA(control, CB_GETCURSEL, 0, 0) != CB_ERR)
        ::SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SetTextIfChanged(control, value);
}

void DDX_Control(CDataExchange* exchange, int id, CWnd& control)
{
    if (exchange->Stopped() || control.m_hWnd)
        return;
    HWND window = exchange->PrepareCtrl(id);
    if (window)
        control.SubclassWindow(window);
}

void DDV_MaxChars(CDataExchange* exchange, const CString& value, int maxChars)
{
    if (exchange->Stopped())
        return;
    if (exchange->m_bSaveAndValidate)
    {
        if (value.GetLength() > maxChars)
        {
            CString message;
            message.Format(AFX_MSG_MAX_CHARS, maxChars);
            exchange->Fail(message);
        }
        return;
    }
    HWND control = exchange->m_pDlgWnd ? ::GetDlgItem(exchange->m_pDlgWnd->m_hWnd, exchange->m_idLastControl) : nullptr;
    if (control)
        ::SendMessageA(control, IsComboBox(control) ? CB_LIMITTEXT : EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
}

void DDV_MinMaxDWord(CDataExchange* exchange, DWORD value, DWORD minValue, DWORD maxValue)
{
    // A value whose text did not read is not this text's value: there is nothing to check.
    if (exchange->Stopped() || !exchange->m_bSaveAndValidate || exchange->IsUnread(exchange->m_idLastControl))
        return;
    if (value < minValue || value > maxValue)
    {
        CString message;
        message.Format(AFX_MSG_RANGE_UINT, static_cast<unsigned long>(minValue), static_cast<unsigned long>(maxValue));
        exchange->Fail(message);
    }
}
