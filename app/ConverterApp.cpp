#include "app/ConverterApp.h"

#include "app/ConverterWizard.h"

CString LastPath;

CConverterApp::CConverterApp() : CWinApp(nullptr)
{
}

BOOL CConverterApp::InitInstance()
{
    Enable3dControls();

    CConverterWizard wizard(nullptr);
    m_pMainWnd = &wizard;
    wizard.DoModal();
    // The wizard is gone with this scope; nothing may keep pointing at it.
    m_pMainWnd = nullptr;
    return FALSE;
}
