// The Windows side of the platform gateway: the calls that take file names.
#define GLYPHCAST_PLATFORM_GATEWAY
#include "base/Win32Api.h"

#include "base/TextEncoding.h"

#include <string>

namespace
{

// Names go to the wide calls only when the program's text is not in the active code page.
bool NamesAreUtf8()
{
    return GetTextCodePage() == TextCodePage::Utf8 && GetACP() != CP_UTF8;
}

// A UTF-8 name as the wide calls take it; null stays null.
class CWideName
{
public:
    explicit CWideName(LPCSTR name) : IsNull(name == nullptr)
    {
        if (IsNull || !*name)
            return;
        const int length = MultiByteToWideChar(CP_UTF8, 0, name, -1, nullptr, 0);
        if (length <= 0)
            return;
        Text.resize(static_cast<std::size_t>(length));
        MultiByteToWideChar(CP_UTF8, 0, name, -1, &Text[0], length);
        Text.resize(static_cast<std::size_t>(length - 1));
    }
    LPCWSTR Get() const { return IsNull ? nullptr : Text.c_str(); }

private:
    bool IsNull;
    std::wstring Text;
};

// The full path of a name relative to the current folder; the name itself when it has none.
std::string FullPath(LPCSTR name)
{
    char full[MAX_PATH * 4];
    const DWORD length = GetFullPathNameA(name, sizeof full, full, nullptr);
    return length > 0 && length < sizeof full ? std::string(full, length) : std::string(name);
}

std::wstring FullPath(LPCWSTR name)
{
    wchar_t full[MAX_PATH * 4];
    const DWORD length = GetFullPathNameW(name, MAX_PATH * 4, full, nullptr);
    return length > 0 && length < MAX_PATH * 4 ? std::wstring(full, length) : std::wstring(name);
}

}  // namespace

HANDLE EngineCreateFile(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES securityAttributes,
                        DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile)
{
    if (!NamesAreUtf8())
        return CreateFileA(fileName, desiredAccess, shareMode, securityAttributes, creationDisposition,
                           flagsAndAttributes, templateFile);
    return CreateFileW(CWideName(fileName).Get(), desiredAccess, shareMode, securityAttributes, creationDisposition,
                       flagsAndAttributes, templateFile);
}

DWORD EngineGetFileAttributes(LPCSTR fileName)
{
    return NamesAreUtf8() ? GetFileAttributesW(CWideName(fileName).Get()) : GetFileAttributesA(fileName);
}

BOOL EngineSetFileAttributes(LPCSTR fileName, DWORD fileAttributes)
{
    return NamesAreUtf8() ? SetFileAttributesW(CWideName(fileName).Get(), fileAttributes)
                          : SetFileAttributesA(fileName, fileAttributes);
}

BOOL EngineDeleteFile(LPCSTR fileName)
{
    return NamesAreUtf8() ? DeleteFileW(CWideName(fileName).Get()) : DeleteFileA(fileName);
}

BOOL EngineMoveFileEx(LPCSTR existingFileName, LPCSTR newFileName, DWORD flags)
{
    if (!NamesAreUtf8())
        return MoveFileExA(existingFileName, newFileName, flags);
    return MoveFileExW(CWideName(existingFileName).Get(), CWideName(newFileName).Get(), flags);
}

BOOL EngineReplaceFile(LPCSTR replacedFileName, LPCSTR replacementFileName, LPCSTR backupFileName, DWORD flags,
                       LPVOID exclude, LPVOID reserved)
{
    // Full paths: Wine's ReplaceFile refuses a bare file name ("the directory name is invalid"),
    // which a page named on the converter's command line often is.
    if (!NamesAreUtf8())
    {
        const std::string replaced = FullPath(replacedFileName), replacement = FullPath(replacementFileName);
        return ReplaceFileA(replaced.c_str(), replacement.c_str(), backupFileName, flags, exclude, reserved);
    }
    const std::wstring replaced = FullPath(CWideName(replacedFileName).Get());
    const std::wstring replacement = FullPath(CWideName(replacementFileName).Get());
    return ReplaceFileW(replaced.c_str(), replacement.c_str(), CWideName(backupFileName).Get(), flags, exclude,
                        reserved);
}

HINSTANCE EngineShellExecute(HWND owner, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                             INT showCommand)
{
    if (!NamesAreUtf8())
        return ShellExecuteA(owner, operation, file, parameters, directory, showCommand);
    return ShellExecuteW(owner, CWideName(operation).Get(), CWideName(file).Get(), CWideName(parameters).Get(),
                         CWideName(directory).Get(), showCommand);
}
