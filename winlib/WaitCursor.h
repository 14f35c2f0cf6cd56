// CWaitCursor: the application's wait cursor for the lifetime of one object.
#pragma once

#include "winlib/WinApp.h"

// Calls BeginWaitCursor on construction and EndWaitCursor on destruction, so the hourglass goes
// away however the scope is left (an early return or an exception included).
class CWaitCursor
{
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    CWinApp* App;  // the application that was current when the wait began
};
