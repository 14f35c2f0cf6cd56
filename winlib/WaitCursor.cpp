// CWaitCursor: a scoped Begin/EndWaitCursor pair on the current application object.
#include "winlib/WaitCursor.h"

CWaitCursor::CWaitCursor() : App(AfxGetApp())
{
    if (App)
        App->BeginWaitCursor();
}

CWaitCursor::~CWaitCursor()
{
    // The same object that began the wait ends it, even if another application object has
    // become current meanwhile (the tests make their own).
    if (App)
        App->EndWaitCursor();
}
