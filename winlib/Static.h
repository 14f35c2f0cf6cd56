// CStatic: a static control, the base of the picture, sample and link controls.
#pragma once

#include "winlib/Wnd.h"

class CStatic : public CWnd
{
public:
    CStatic() = default;

protected:
    DECLARE_MESSAGE_MAP()
};
