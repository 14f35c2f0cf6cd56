// CWinApp: the application object, its start-up and the helpers that need it.
#pragma once

#include "winlib/AfxRes.h"
#include "winlib/Wnd.h"

class CWinApp
{
public:
    // A null name means the string-table entry AFX_IDS_APP_TITLE, else the module's file name.
    explicit CWinApp(const char* appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The program's start-up; false ends the program at once (no message loop of its own).
    virtual BOOL InitInstance();
    // The message loop, for applications whose InitInstance returns true.
    virtual int Run();

    // The hourglass while a long operation runs on this thread; calls nest.
    void BeginWaitCursor();
    void EndWaitCursor();
    // True between a BeginWaitCursor and its EndWaitCursor: windows that go on answering then keep
    // the hourglass up where the pointer rests on them.
    bool IsWaiting() const { return WaitCount > 0; }
    // Kept for the look of older programs; the platform draws 3-D controls itself.
    BOOL Enable3dControls() { return TRUE; }

    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
    CString m_pszAppName;

private:
    CWinApp* PreviousApp;  // the instance this one stands in for while it lives (tests make their own)
    int WaitCount = 0;
    HCURSOR RestoreCursor = nullptr;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
const char* AfxGetAppName();

// A message box with the application's name as caption, owned by the active window.
int AfxMessageBox(const char* text, UINT type = MB_OK);
int AfxMessageBox(UINT stringId, UINT type = MB_OK);

// Every message box of the program goes through here. Tests set AfxMessageBoxHook to answer
// without showing anything; it receives owner, text, caption and type.
extern int (*AfxMessageBoxHook)(HWND owner, const char* text, const char* caption, UINT type);
int AfxShowMessageBox(HWND owner, const char* text, const char* caption, UINT type);

// The program's entry: initialises common controls, then runs the application's InitInstance.
int AfxWinMain(HINSTANCE instance);
