// The one gateway from the portable code (base, engine, output) to the platform's KERNEL and SHELL
// calls. On Windows it is the real API; elsewhere the POSIX stand-ins provide the same names, types
// and constants. Included by sources only, never by headers, so code that includes the full
// <windows.h> is not affected by the trimming here.
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
// The show command lives in the USER headers, which are left out here.
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

// The calls that take a file name take it in the program's text code page (base/TextEncoding.h).
// That is the active code page unless a host has made it UTF-8 on a system that keeps another one;
// the names then go to the wide calls, so that a name in any script works there too.
HANDLE EngineCreateFile(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES securityAttributes,
                        DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);
DWORD EngineGetFileAttributes(LPCSTR fileName);
BOOL EngineSetFileAttributes(LPCSTR fileName, DWORD fileAttributes);
BOOL EngineDeleteFile(LPCSTR fileName);
BOOL EngineMoveFileEx(LPCSTR existingFileName, LPCSTR newFileName, DWORD flags);
BOOL EngineReplaceFile(LPCSTR replacedFileName, LPCSTR replacementFileName, LPCSTR backupFileName, DWORD flags,
                       LPVOID exclude, LPVOID reserved);
HINSTANCE EngineShellExecute(HWND owner, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                             INT showCommand);
// The portable sources call them by the platform's names; only their implementation sees the real ones.
#ifndef GLYPHCAST_PLATFORM_GATEWAY
#define CreateFileA        EngineCreateFile
#define GetFileAttributesA EngineGetFileAttributes
#define SetFileAttributesA EngineSetFileAttributes
#define DeleteFileA        EngineDeleteFile
#define MoveFileExA        EngineMoveFileEx
#define ReplaceFileA       EngineReplaceFile
#define ShellExecuteA      EngineShellExecute
#endif
#else
#include "posix/Win32Posix.h"
#endif
