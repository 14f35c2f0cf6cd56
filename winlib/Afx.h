// One include for the wizard's code: Win32 plus our thin class layer over it.
#pragma once

#include "winlib/Win32.h"
#include "winlib/String.h"
#include "winlib/Geometry.h"
#include "winlib/GdiObject.h"
#include "winlib/Dc.h"
#include "winlib/MessageMap.h"
#include "winlib/Wnd.h"
#include "winlib/DataExchange.h"
#include "winlib/Dialog.h"
#include "winlib/Static.h"
#include "winlib/Button.h"
#include "winlib/ComboBox.h"
#include "winlib/ToolTipCtrl.h"
#include "winlib/FileDialog.h"
#include "winlib/ColorDialog.h"
#include "winlib/WinApp.h"
