// The one gateway from the engine to the platform's KERNEL and SHELL calls.
// On Windows it is the real API; elsewhere the POSIX stand-ins provide the same
// names, types and constants. Included by engine sources only, never by headers,
// so code that includes the full <windows.h> is not affected by the trimming here.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOGDI
#define NOGDI
#endif
#ifndef NOUSER
#define NOUSER
#endif
#include <windows.h>
#include <shellapi.h>
// The show command lives in the USER headers, which the engine leaves out.
#ifndef SW_SHOWNORMAL
#define SW_SHOWNORMAL 1
#endif
#else
#include "posix/Win32Posix.h"
#endif
