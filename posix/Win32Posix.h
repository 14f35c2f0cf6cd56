// Linux stand-ins for the few KERNEL and SHELL calls the conversion engine makes,
// with the same names, types and constants, so the engine has one code path.
// Only what the engine uses is provided; behaviour follows the Windows calls where
// the engine can tell the difference (sharing modes, read-only files, empty files).
#pragma once

#include <cstddef>
#include <cstdint>

typedef void* HANDLE;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef std::uint32_t DWORD;
typedef DWORD* LPDWORD;
typedef int BOOL;
typedef unsigned char BOOLEAN;
typedef int INT;
typedef unsigned int UINT;
typedef const char* LPCSTR;
// Wide text is UTF-16, as on Windows.
typedef char16_t WCHAR;
typedef WCHAR* LPWSTR;
typedef std::size_t SIZE_T;
typedef long long LONGLONG;
typedef std::intptr_t INT_PTR;
typedef struct PosixWindow* HWND;
typedef struct PosixInstance* HINSTANCE;
typedef struct PosixSecurityAttributes* LPSECURITY_ATTRIBUTES;
typedef struct PosixOverlapped* LPOVERLAPPED;

typedef struct _FILETIME
{
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
} FILETIME;

// The fields of the file information the engine reads; of the file times, only the last write.
typedef struct _BY_HANDLE_FILE_INFORMATION
{
    DWORD dwFileAttributes;
    FILETIME ftLastWriteTime;
    DWORD dwVolumeSerialNumber;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD nNumberOfLinks;
    DWORD nFileIndexHigh;
    DWORD nFileIndexLow;
} BY_HANDLE_FILE_INFORMATION, *LPBY_HANDLE_FILE_INFORMATION;

typedef union _LARGE_INTEGER
{
    LONGLONG QuadPart;
} LARGE_INTEGER, *PLARGE_INTEGER;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define INVALID_HANDLE_VALUE         (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))
#define INVALID_FILE_ATTRIBUTES      (static_cast<DWORD>(0xFFFFFFFFu))

#define GENERIC_READ                 0x80000000u
#define GENERIC_WRITE                0x40000000u
#define DELETE                       0x00010000u
#define FILE_SHARE_READ              0x00000001u
#define FILE_SHARE_WRITE             0x00000002u
#define FILE_SHARE_DELETE            0x00000004u
#define CREATE_NEW                   1u
#define CREATE_ALWAYS                2u
#define OPEN_EXISTING                3u

#define MOVEFILE_REPLACE_EXISTING    0x00000001u

#define FILE_ATTRIBUTE_READONLY      0x00000001u
#define FILE_ATTRIBUTE_HIDDEN        0x00000002u
#define FILE_ATTRIBUTE_SYSTEM        0x00000004u
#define FILE_ATTRIBUTE_DIRECTORY     0x00000010u
#define FILE_ATTRIBUTE_ARCHIVE       0x00000020u
#define FILE_ATTRIBUTE_DEVICE        0x00000040u
#define FILE_ATTRIBUTE_NORMAL        0x00000080u
#define FILE_ATTRIBUTE_REPARSE_POINT 0x00000400u

#define PAGE_READONLY                0x02u
#define FILE_MAP_READ                0x0004u

#define SW_SHOWNORMAL                1
#define SE_ERR_NOASSOC               31

#define ERROR_SUCCESS                0u
#define ERROR_FILE_NOT_FOUND         2u
#define ERROR_PATH_NOT_FOUND         3u
#define ERROR_TOO_MANY_OPEN_FILES    4u
#define ERROR_ACCESS_DENIED          5u
#define ERROR_INVALID_HANDLE         6u
#define ERROR_NOT_ENOUGH_MEMORY      8u
#define ERROR_WRITE_PROTECT          19u
#define ERROR_WRITE_FAULT            29u
#define ERROR_GEN_FAILURE            31u
#define ERROR_BROKEN_PIPE            109u
#define ERROR_SHARING_VIOLATION      32u
#define ERROR_INVALID_PARAMETER      87u
#define ERROR_FILE_EXISTS            80u
#define ERROR_DISK_FULL              112u
#define ERROR_CALL_NOT_IMPLEMENTED   120u
#define ERROR_ALREADY_EXISTS         183u
#define ERROR_FILENAME_EXCED_RANGE   206u
#define ERROR_FILE_TOO_LARGE         223u
#define ERROR_NO_DATA                232u
#define ERROR_OPERATION_ABORTED      995u
#define ERROR_FILE_INVALID           1006u
#define ERROR_CANT_RESOLVE_FILENAME  1921u

// What GetFileType tells of an open file.
#define FILE_TYPE_UNKNOWN            0x0000u
#define FILE_TYPE_DISK               0x0001u
#define FILE_TYPE_CHAR               0x0002u
#define FILE_TYPE_PIPE               0x0003u

// The standard streams of GetStdHandle.
#define STD_INPUT_HANDLE             (static_cast<DWORD>(-10))
#define STD_OUTPUT_HANDLE            (static_cast<DWORD>(-11))

// Names longer than the columns above.
// clang-format off
#define REPLACEFILE_IGNORE_MERGE_ERRORS    0x00000002u
#define FILE_ATTRIBUTE_NOT_CONTENT_INDEXED 0x00002000u
// clang-format on

// Only the deletion mark of SetFileInformationByHandle.
typedef enum _FILE_INFO_BY_HANDLE_CLASS
{
    FileDispositionInfo = 4
} FILE_INFO_BY_HANDLE_CLASS;
typedef struct _FILE_DISPOSITION_INFO
{
    BOOLEAN DeleteFile;
} FILE_DISPOSITION_INFO;

// Opened with no access (0), a file is only looked at: its information and type can be had, and a
// FIFO or a device is not opened for reading or writing at all.
HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES securityAttributes,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);
HANDLE CreateFileMappingA(HANDLE file, LPSECURITY_ATTRIBUTES securityAttributes, DWORD protect, DWORD maximumSizeHigh,
                          DWORD maximumSizeLow, LPCSTR name);
LPVOID MapViewOfFile(HANDLE mapping, DWORD desiredAccess, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytesToMap);
BOOL UnmapViewOfFile(LPCVOID baseAddress);
BOOL CloseHandle(HANDLE object);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPOVERLAPPED overlapped);
// Reads what is there, up to bytesToRead; 0 bytes read at the end of the file.
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED overlapped);
// A plain file is a disk file, a terminal or other character device a character file, a FIFO or
// a socket a pipe; anything else is unknown.
DWORD GetFileType(HANDLE file);
// Standard input or output, as a handle that is never to be closed.
HANDLE GetStdHandle(DWORD which);
BOOL GetFileSizeEx(HANDLE file, PLARGE_INTEGER fileSize);
BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information);
// The attributes of the file a name leads to; a symbolic link that leads nowhere (to a missing
// file, or round a loop) gives its own, FILE_ATTRIBUTE_REPARSE_POINT, as Windows does.
DWORD GetFileAttributesA(LPCSTR fileName);
BOOL SetFileAttributesA(LPCSTR fileName, DWORD fileAttributes);
BOOL DeleteFileA(LPCSTR fileName);
BOOL MoveFileExA(LPCSTR existingFileName, LPCSTR newFileName, DWORD flags);
// Moves the replacement over an existing file, which lends it its permission bits.
BOOL ReplaceFileA(LPCSTR replacedFileName, LPCSTR replacementFileName, LPCSTR backupFileName, DWORD replaceFlags,
                  LPVOID exclude, LPVOID reserved);
// A file marked for deletion (opened with DELETE access) is removed when its last handle closes.
// Until it is moved or deleted, even once the mark is taken back, a signal handler's
// DeleteFilesMarkedForDeletion removes it: a file being committed is not in place yet.
BOOL SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS informationClass, LPVOID information,
                                DWORD bufferSize);
DWORD GetLastError();
void SetLastError(DWORD errorCode);
// "open" runs the desktop's opener, xdg-open, and succeeds when it ends having opened the file.
HINSTANCE ShellExecuteA(HWND owner, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                        INT showCommand);

// Beyond the Windows calls: a process that a signal ends closes no handles, so its signal handler
// removes the files marked for deletion itself, and every file made new with DELETE access (a
// temporary one, until it is moved or deleted). Both are async-signal-safe.
// StopMakingTemporaryFiles comes first: from then on no such file is made (CreateFileA fails with
// ERROR_OPERATION_ABORTED), and it returns once those being made on other threads are published,
// so that the sweep after it sees every one.
void StopMakingTemporaryFiles();
// Reads a fixed table, looks at each name and unlinks it when it is still that file (never another
// file that took the name since); files marked by many threads at once are all found.
void DeleteFilesMarkedForDeletion();

// Text: Linux programs have UTF-8 as their active code page.
#define CP_ACP                       0u
#define CP_UTF8                      65001u
#define MB_ERR_INVALID_CHARS         0x00000008u
#define ERROR_INSUFFICIENT_BUFFER    122u
#define ERROR_NO_UNICODE_TRANSLATION 1113u

// Converts text in CP_ACP or CP_UTF8 (both UTF-8 here) into UTF-16. Invalid sequences fail with
// MB_ERR_INVALID_CHARS and otherwise become U+FFFD, one for each byte that starts no character.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR wide, int wideLength);
