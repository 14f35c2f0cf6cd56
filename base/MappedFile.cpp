#include "base/MappedFile.h"

#include "base/SystemError.h"
#include "base/Win32Api.h"

#include <cstdint>
#include <utility>

CMappedFile::CMappedFile(CMappedFile&& other) noexcept
    : FileHandle(std::move(other.FileHandle)), MappingHandle(std::move(other.MappingHandle)),
      View(std::exchange(other.View, nullptr)), Length(std::exchange(other.Length, 0)), FailureKind(other.FailureKind),
      ErrorCode(other.ErrorCode), Reason(std::move(other.Reason))
{
}

CMappedFile& CMappedFile::operator=(CMappedFile&& other) noexcept
{
    if (this != &other)
    {
        Close();
        FileHandle = std::move(other.FileHandle);
        MappingHandle = std::move(other.MappingHandle);
        View = std::exchange(other.View, nullptr);
        Length = std::exchange(other.Length, 0);
        FailureKind = other.FailureKind;
        ErrorCode = other.ErrorCode;
        Reason = std::move(other.Reason);
    }
    return *this;
}

namespace
{

bool IdentifyHandle(HANDLE file, FileIdentity& identity)
{
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!file || file == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(file, &info))
        return false;
    identity.Volume = info.dwVolumeSerialNumber;
    identity.Index = std::uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    identity.Size = std::uint64_t(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    identity.Written = std::uint64_t(info.ftLastWriteTime.dwHighDateTime) << 32 | info.ftLastWriteTime.dwLowDateTime;
    return true;
}

}  // namespace

bool CMappedFile::Identify(FileIdentity& identity) const
{
    return IdentifyHandle(FileHandle.Get(), identity);
}

bool CMappedFile::IdentifyPath(const std::string& path, FileIdentity& identity)
{
    const CHandle file(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && IdentifyHandle(file.Get(), identity);
}

bool CMappedFile::Fail(Failure kind, unsigned long code, std::string reason)
{
    Close();
    FailureKind = kind;
    ErrorCode = code;
    Reason = std::move(reason);
    return false;
}

bool CMappedFile::Open(const std::string& path)
{
    Close();
    FailureKind = Failure::None;
    ErrorCode = 0;
    Reason.clear();

    FileHandle = CHandle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!FileHandle)
    {
        const DWORD code = GetLastError();
        return Fail(Failure::CannotOpen, code, DescribeSystemError(code));
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(FileHandle.Get(), &size))
    {
        const DWORD code = GetLastError();
        return Fail(Failure::CannotOpen, code, DescribeSystemError(code));
    }
    // An empty file cannot be mapped; it is told as what it is.
    if (size.QuadPart <= 0)
        return Fail(Failure::Empty, 0, "the file is empty");
    if (static_cast<std::uint64_t>(size.QuadPart) > SIZE_MAX)
        return Fail(Failure::TooLarge, 0, "the file is too large to map");

    MappingHandle = CHandle(CreateFileMappingA(FileHandle.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (MappingHandle)
        View = static_cast<const std::uint8_t*>(MapViewOfFile(MappingHandle.Get(), FILE_MAP_READ, 0, 0, 0));
    if (!View)
    {
        const DWORD code = GetLastError();
        return Fail(Failure::CannotOpen, code, DescribeSystemError(code));
    }
    Length = static_cast<std::size_t>(size.QuadPart);
    return true;
}

void CMappedFile::Close()
{
    if (View)
        UnmapViewOfFile(View);
    View = nullptr;
    Length = 0;
    MappingHandle.Close();
    FileHandle.Close();
}
