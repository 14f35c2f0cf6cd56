// CFileDialog: the common Open and Save As dialogs.
#pragma once

#include <string>
#include "winlib/Wnd.h"

class CFileDialog
{
public:
    // filter: "Text|*.txt|All Files (*.*)|*.*||" style pairs separated by '|'.
    CFileDialog(BOOL openFileDialog, const char* defaultExtension = nullptr, const char* fileName = nullptr,
                DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const char* filter = nullptr,
                CWnd* parent = nullptr);
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    // IDOK or IDCANCEL. Tests replace the dialog through DoModalHook.
    INT_PTR DoModal();
    // The full path chosen.
    CString GetPathName() const { return CString(m_ofn.lpstrFile); }

    OPENFILENAMEA m_ofn;
    BOOL m_bOpenFileDialog;

    // When set, DoModal calls it instead of showing a dialog (it may fill m_ofn.lpstrFile).
    static INT_PTR (*DoModalHook)(CFileDialog& dialog);

private:
    std::string Filter;
    std::string DefaultExtension;
    char FileBuffer[MAX_PATH * 2];
};
