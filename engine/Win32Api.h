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
#if _WIN32_WINNT < 0x0600
// The deletion mark of the newer systems' SetFileInformationByHandle, looked up when first used so
// that the program still starts where the call is missing; there it fails and nothing is marked.
enum FILE_INFO_BY_HANDLE_CLASS
{
    FileDispositionInfo = 4
};
struct FILE_DISPOSITION_INFO
{
    BOOLEAN DeleteFile;
};
inline BOOL SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS informationClass, LPVOID information,
                                       DWORD bufferSize)
{
    using Call = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);
    static const Call call = reinterpret_cast<Call>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetFileInformationByHandle")));
    if (!call)
    {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return FALSE;
    }
    return call(file, informationClass, information, bufferSize);
}
#endif
#else
#include "posix/Win32Posix.h"
#endif
