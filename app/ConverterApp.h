// CConverterApp: the application object, whose start-up is the converter wizard.
#pragma once

#include "winlib/Afx.h"

// Shows the wizard modally and ends the program when it closes; there is no message loop of its own.
class CConverterApp : public CWinApp
{
public:
    CConverterApp();

    // Runs the wizard once and returns false, so the program ends with it.
    BOOL InitInstance() override;
};

// The path last chosen in either page's file dialog; empty at start, kept for the whole process.
extern CString LastPath;
