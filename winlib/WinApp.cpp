// CWinApp: the one application object, its start-up, message loop, wait cursor and message boxes.
#include "winlib/WinApp.h"

#include "winlib/Dialog.h"

int (*AfxMessageBoxHook)(HWND owner, const char* text, const char* caption, UINT type) = nullptr;

namespace
{
CWinApp* g_App = nullptr;

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
}

CWinApp::CWinApp(const char* appName) : m_pszAppName(appName), m_PreviousApp(g_App)
{
    g_App = this;
}

CWinApp::~CWinApp()
{
    if (g_App == this)
        g_App = m_PreviousApp;
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
    if (m_WaitCount++ == 0)
        m_RestoreCursor = previous;
}

void CWinApp::EndWaitCursor()
{
    if (m_WaitCount == 0)
        return;
    if (--m_WaitCount == 0)
    {
        ::SetCursor(m_RestoreCursor);
        m_RestoreCursor = nullptr;
    }
}

CWinApp* AfxGetApp()
{
    return g_App;
}

HINSTANCE AfxGetInstanceHandle()
{
    if (g_App && g_App->m_hInstance)
        return g_App->m_hInstance;
    return ::GetModuleHandleA(nullptr);
}

HINSTANCE AfxGetResourceHandle()
{
    return AfxGetInstanceHandle();
}

const char* AfxGetAppName()
{
    if (g_App)
    {
        if (g_App->m_pszAppName.IsEmpty())
            g_App->m_pszAppName = DefaultAppName();
        return g_App->m_pszAppName;
    }
    static CString withoutApp = DefaultAppName();
    return withoutApp;
}

int AfxMessageBox(const char* text, UINT type)
{
    HWND owner = ::GetActiveWindow();
    if (!owner && g_App && g_App->m_pMainWnd)
        owner = g_App->m_pMainWnd->m_hWnd;
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
    INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES };
    ::InitCommonControlsEx(&controls);
    CWinApp* app = AfxGetApp();
    if (!app)
        return -1;
    app->m_hInstance = instance ? instance : ::GetModuleHandleA(nullptr);
    if (!app->InitInstance())
        return 0;
    return app->Run();
}
