// CWinApp: the one application object, its start-up, message loop, wait cursor and message boxes.
#include "winlib/WinApp.h"

#include "winlib/Dialog.h"

int (*AfxMessageBoxHook)(HWND owner, const char* text, const char* caption, UINT type) = nullptr;

namespace
{
CWinApp* CurrentApp = nullptr;

// The application's name when nobody gave one: the string table's title, else the module's name.
CString DefaultAppName()
{
    CString name;
    if (name.LoadString(AFX_IDS_APP_TITLE))
        return name;
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(AfxGetInstanceHandle(), path, sizeof path);
    name = path;
    int slash = name.ReverseFind('\\');
    if (slash >= 0)
        name = name.Mid(slash + 1);
    int dot = name.ReverseFind('.');
    if (dot > 0)
        name = name.Left(dot);
    return name;
}
}  // namespace

CWinApp::CWinApp(const char* appName) : m_pszAppName(appName), PreviousApp(CurrentApp)
{
    CurrentApp = this;
}

CWinApp::~CWinApp()
{
    if (CurrentApp == this)
        CurrentApp = PreviousApp;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::Run()
{
    return AfxRunMessageLoop(nullptr).value_or(-1);
}

void CWinApp::BeginWaitCursor()
{
    HCURSOR wait = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32514));  // IDC_WAIT
    HCURSOR previous = ::SetCursor(wait);
    if (WaitCount++ == 0)
        RestoreCursor = previous;
}

void CWinApp::EndWaitCursor()
{
    if (WaitCount == 0)
        return;
    if (--WaitCount == 0)
    {
        ::SetCursor(RestoreCursor);
        RestoreCursor = nullptr;
    }
}

CWinApp* AfxGetApp()
{
    return CurrentApp;
}

HINSTANCE AfxGetInstanceHandle()
{
    if (CurrentApp && CurrentApp->m_hInstance)
        return CurrentApp->m_hInstance;
    return ::GetModuleHandleA(nullptr);
}

HINSTANCE AfxGetResourceHandle()
{
    return AfxGetInstanceHandle();
}

const char* AfxGetAppName()
{
    if (CurrentApp)
    {
        if (CurrentApp->m_pszAppName.IsEmpty())
            CurrentApp->m_pszAppName = DefaultAppName();
        return CurrentApp->m_pszAppName;
    }
    static CString withoutApp = DefaultAppName();
    return withoutApp;
}

int AfxMessageBox(const char* text, UINT type)
{
    HWND owner = ::GetActiveWindow();
    if (!owner && CurrentApp && CurrentApp->m_pMainWnd)
        owner = CurrentApp->m_pMainWnd->m_hWnd;
    return AfxShowMessageBox(owner, text, AfxGetAppName(), type);
}

int AfxMessageBox(UINT stringId, UINT type)
{
    CString text;
    text.LoadString(stringId);
    return AfxMessageBox(text, type);
}

int AfxShowMessageBox(HWND owner, const char* text, const char* caption, UINT type)
{
    if (AfxMessageBoxHook)
        return AfxMessageBoxHook(owner, text, caption, type);
    return ::MessageBoxA(owner, text, caption, type);
}

int AfxWinMain(HINSTANCE instance)
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    CWinApp* app = AfxGetApp();
    if (!app)
        return -1;
    app->m_hInstance = instance ? instance : ::GetModuleHandleA(nullptr);
    if (!app->InitInstance())
        return 0;
    return app->Run();
}
