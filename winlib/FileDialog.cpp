// CFileDialog: the Open and Save As dialogs over OPENFILENAMEA.
#include "winlib/FileDialog.h"

#include <cstring>
#include "winlib/WinApp.h"

INT_PTR (*CFileDialog::DoModalHook)(CFileDialog& dialog) = nullptr;

CFileDialog::CFileDialog(BOOL openFileDialog, const char* defaultExtension, const char* fileName, DWORD flags,
                         const char* filter, CWnd* parent)
    : m_ofn(), m_bOpenFileDialog(openFileDialog), m_FileBuffer()
{
    m_ofn.lStructSize = sizeof(m_ofn);
    m_ofn.hwndOwner = parent ? parent->m_hWnd : nullptr;
    m_ofn.hInstance = AfxGetInstanceHandle();
    m_ofn.Flags = flags;

    if (fileName)
        lstrcpynA(m_FileBuffer, fileName, sizeof m_FileBuffer);
    m_ofn.lpstrFile = m_FileBuffer;
    m_ofn.nMaxFile = sizeof m_FileBuffer;

    // The platform wants the extension without its dot ("bmp"); callers may write ".bmp".
    if (defaultExtension)
    {
        m_DefaultExtension = defaultExtension[0] == '.' ? defaultExtension + 1 : defaultExtension;
        m_ofn.lpstrDefExt = m_DefaultExtension.c_str();
    }

    // "Name|pattern|Name|pattern||" becomes the platform's "Name\0pattern\0...\0\0".
    if (filter)
    {
        m_Filter = filter;
        for (char& ch : m_Filter)
        {
            if (ch == '|')
                ch = '\0';
        }
        m_Filter.push_back('\0');
        m_Filter.push_back('\0');
        m_ofn.lpstrFilter = m_Filter.c_str();
    }
}

INT_PTR CFileDialog::DoModal()
{
    if (DoModalHook)
        return DoModalHook(*this);
    BOOL chosen = m_bOpenFileDialog ? ::GetOpenFileNameA(&m_ofn) : ::GetSaveFileNameA(&m_ofn);
    return chosen ? IDOK : IDCANCEL;
}
