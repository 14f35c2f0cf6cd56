#include "output/TargetCheck.h"

#include "base/Handle.h"
#include "base/MappedFile.h"
#include "base/SystemError.h"
#include "base/Win32Api.h"
#include "decoders/PictureFormat.h"

#include <cstdint>

namespace
{

// Enough of a file's first bytes for every format's signature.
const DWORD HeadBytes = 16;

TargetVerdict Verdict(TargetState state, std::string cause, PictureFormat holds = PictureFormat::Unknown)
{
    TargetVerdict verdict;
    verdict.State = state;
    verdict.Cause = std::move(cause);
    verdict.Holds = holds;
    return verdict;
}

// A file's first bytes, or the system's error code when they cannot be read.
struct FileHead
{
    std::uint8_t Bytes[HeadBytes] = {};
    DWORD Size = 0;
    DWORD Error = 0;
};

FileHead ReadHead(const std::string& path)
{
    FileHead head;
    const CHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
    {
        head.Error = GetLastError();
        return head;
    }
    for (DWORD got = 1; got > 0 && head.Size < HeadBytes; head.Size += got)
    {
        if (!ReadFile(file.Get(), head.Bytes + head.Size, HeadBytes - head.Size, &got, nullptr))
        {
            head.Error = GetLastError();
            break;
        }
    }
    return head;
}

bool IsMissing(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_CANT_RESOLVE_FILENAME;
}

}  // namespace

TargetVerdict CheckTarget(const std::string& target, const std::string& source)
{
    const DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
    {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND)
            return Verdict(TargetState::Free, "");
        return Verdict(TargetState::BadName, DescribeSystemError(error));
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return Verdict(TargetState::Folder, "it is a folder");

    // Looked at without being opened for reading or writing, which a pipe would wait on.
    const CHandle look(CreateFileA(target.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!look)
    {
        const DWORD error = GetLastError();
        // The name is taken by a link, whatever it leads to: replacing it replaces the link.
        if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsMissing(error))
            return Verdict(TargetState::Existing, "it is a symbolic link that leads nowhere");
        if (error == ERROR_FILE_NOT_FOUND)
            return Verdict(TargetState::Free, "");
        return Verdict(TargetState::Unreadable,
                       "it cannot be looked at (" + DescribeSystemError(error) + "), so it may be a picture");
    }
    switch (GetFileType(look.Get()))
    {
    case FILE_TYPE_DISK: break;
    case FILE_TYPE_CHAR: return Verdict(TargetState::Device, "it is a device");
    case FILE_TYPE_PIPE: return Verdict(TargetState::NotAFile, "it is a pipe, not a file");
    default: return Verdict(TargetState::NotAFile, "it is not a plain file");
    }

    // A picture is judged by its content, whatever its name.
    const FileHead head = ReadHead(target);
    const PictureFormat format = head.Error ? PictureFormat::Unknown : SniffPictureFormat(head.Bytes, head.Size);
    if (!source.empty() && SameFile(source, target))
        return Verdict(TargetState::Source, "it is the picture being converted", format);
    if (IsReadOnlyFile(target))
        return Verdict(TargetState::ReadOnly, "it is read-only", format);
    // Only an empty file is known to hold no picture without being read.
    if (head.Error)
    {
        LARGE_INTEGER size = {};
        if (!GetFileSizeEx(look.Get(), &size) || size.QuadPart != 0)
            return Verdict(TargetState::Unreadable,
                           "it cannot be read (" + DescribeSystemError(head.Error) + "), so it may be a picture");
    }
    if (format != PictureFormat::Unknown)
        return Verdict(TargetState::Picture, std::string("it is a ") + PictureFormatName(format) + " picture", format);
    return Verdict(TargetState::Existing, "it already exists");
}

ConversionResult TargetVerdict::Refusal(const std::string& target) const
{
    const bool replacing = State == TargetState::ReadOnly || State == TargetState::Unreadable;
    return ConversionResult::Failure(ConversionStatus::TargetCannotCreate, target,
                                     replacing ? "cannot replace the page" : "cannot create the page", Cause);
}

bool SameFile(const std::string& first, const std::string& second)
{
    // Volume and file index name the file itself, whatever path leads to it.
    FileIdentity one, other;
    return CMappedFile::IdentifyPath(first, one) && CMappedFile::IdentifyPath(second, other) &&
           one.Volume == other.Volume && one.Index == other.Index;
}

bool IsReadOnlyFile(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
           !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
}
