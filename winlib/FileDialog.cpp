// CFileDialog: the Open and Save As dialogs over OPENFILENAMEA.
#include "winlib/FileDialog.h"

#include <cstring>
#include "winlib/WinApp.h"

INT_PTR (*CFileDialog::DoModalHook)(CFileDialog& dialog) = nullptr;

CFileDialog::CFileDialog(BOOL openFileDialog, const char* defaultExtension, const char* fileName, DWORD flags,
                         const char* filter, CWnd* parent)
    : m_ofn(), m_bOpenFileDialog(openFileDialog), FileBuffer()
{
    m_ofn.lStructSize = sizeof(m_ofn);
    m_ofn.hwndOwner = parent ? parent->m_hWnd : nullptr;
    m_ofn.hInstance = AfxGetInstanceHandle();
    m_ofn.Flags = flags;

    if (fileName)
        lstrcpynA(FileBuffer, fileName, sizeof FileBuffer);
    m_ofn.lpstrFile = FileBuffer;
    m_ofn.nMaxFile = sizeof FileBuffer;

    // The platform wants the extension without its dot ("bmp"); callers may write ".bmp".
    if (defaultExtension)
    {
        DefaultExtension = defaultExtension[0] == '.' ? defaultExtension + 1 : defaultExtension;
        m_ofn.lpstrDefExt = DefaultExtension.c_str();
    }

    // "Name|pattern|Name|pattern||" becomes the platform's "Name\0pattern\0...\0\0".
    if (filter)
    {
        Filter = filter;
        for (char& ch : Filter)
        {
            if (ch == '|')
                ch = '\0';
        }
        Filter.push_back('\0');
        Filter.push_back('\0');
        m_ofn.lpstrFilter = Filter.c_str();
    }
}

INT_PTR CFileDialog::DoModal()
{
    if (DoModalHook)
        return DoModalHook(*this);
    BOOL chosen = m_bOpenFileDialog ? ::GetOpenFileNameA(&m_ofn) : ::GetSaveFileNameA(&m_ofn);
    return chosen ? IDOK : IDCANCEL;
}
