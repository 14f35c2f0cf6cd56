// CStatic: its (empty) message map, the base the picture, sample and link controls chain to.
#include "winlib/Static.h"

BEGIN_MESSAGE_MAP(CStatic, CWnd)
END_MESSAGE_MAP()
