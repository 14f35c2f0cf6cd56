#include "output/ReplacingFile.h"

#include "base/Win32Api.h"

#include <cstring>

namespace
{

#ifdef _WIN32
const char PathSeparators[] = "\\/:";
#else
const char PathSeparators[] = "/";
#endif

// The attributes a replaced page passes on to its successor (read-only ones are never replaced).
const DWORD KeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                             FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_NORMAL;

}  // namespace

CReplacingFile::CReplacingFile() : ErrorCode(0)
{
}

CReplacingFile::~CReplacingFile()
{
    Close();
}

bool CReplacingFile::Open(const std::string& path)
{
    Close();
    const DWORD attributes = GetFileAttributesA(path.c_str());
    ClearReadOnly(path);
    FileHandle = CHandle(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!FileHandle)
    {
        ErrorCode = GetLastError();
        // A file that could not be replaced keeps the read-only attribute it had.
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
            !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            SetFileAttributesA(path.c_str(), attributes);
        return false;
    }
    ErrorCode = 0;
    return true;
}

bool CReplacingFile::OpenReplacing(const std::string& path)
{
    Close();
    // A short name of our own in the target's folder, so that the move is a rename on one volume
    // and a target whose path is as long as the system allows still has room beside it.
    // CREATE_NEW never takes over a file that is already there.
    const std::string folder = path.substr(0, path.find_last_of(PathSeparators) + 1);
    for (unsigned attempt = 1; attempt <= 100; ++attempt)
    {
        const std::string candidate = folder + "~gc" + std::to_string(attempt) + ".tmp";
        FileHandle = CHandle(CreateFileA(candidate.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                                         CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (FileHandle)
        {
            ErrorCode = 0;
            TargetPath = path;
            TemporaryPath = candidate;
            // Until Commit the file goes with its handle, however the process ends.
            MarkedForDeletion = MarkForDeletion(true);
            return true;
        }
        ErrorCode = GetLastError();
        if (ErrorCode != ERROR_FILE_EXISTS && ErrorCode != ERROR_ALREADY_EXISTS)
            return false;
    }
    return false;
}

bool CReplacingFile::MarkForDeletion(bool remove)
{
    FILE_DISPOSITION_INFO disposition = {remove ? BOOLEAN(1) : BOOLEAN(0)};
    return SetFileInformationByHandle(FileHandle.Get(), FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

bool CReplacingFile::Commit()
{
    if (!FileHandle)
    {
        ErrorCode = ERROR_INVALID_HANDLE;
        return false;
    }
    // Nothing reaches the target before the last byte has reached the disk.
    if (!Flush())
    {
        Close();
        return false;
    }
    // The file is complete: from here on it is kept when its handle closes.
    if (MarkedForDeletion && !MarkForDeletion(false))
    {
        ErrorCode = GetLastError();
        Close();
        return false;
    }
    MarkedForDeletion = false;
    const bool closed = FileHandle.Close();
    if (TemporaryPath.empty())
    {
        if (!closed)
            ErrorCode = GetLastError();
        return closed;
    }
    if (!closed || !MoveIntoPlace())
    {
        ErrorCode = GetLastError();
        Close();
        return false;
    }
    TemporaryPath.clear();
    TargetPath.clear();
    return true;
}

bool CReplacingFile::MoveIntoPlace()
{
    // An existing page is replaced so that the new one keeps its permissions and attributes.
    const DWORD attributes = GetFileAttributesA(TargetPath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
    {
        if (ReplaceFileA(TargetPath.c_str(), TemporaryPath.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                         nullptr))
        {
            SetFileAttributesA(TargetPath.c_str(), attributes & KeptAttributes);
            return true;
        }
        // A page removed meanwhile leaves nothing to replace; any other failure is final.
        if (GetLastError() != ERROR_FILE_NOT_FOUND)
            return false;
    }
    return MoveFileExA(TemporaryPath.c_str(), TargetPath.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

void CReplacingFile::Close()
{
    // A file written in place keeps every byte written to it, as if nothing were gathered.
    if (FileHandle && TemporaryPath.empty())
        Flush();
    // A temporary file marked for deletion goes with its handle; the deletion below is for
    // systems without the mark and for a file that could not be moved into place.
    FileHandle.Close();
    Buffer.clear();
    MarkedForDeletion = false;
    WriteFailed = false;
    if (!TemporaryPath.empty())
    {
        DeleteFileA(TemporaryPath.c_str());
        TemporaryPath.clear();
    }
    TargetPath.clear();
}

void CReplacingFile::ClearReadOnly(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        SetFileAttributesA(path.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
}

bool CReplacingFile::Write(const char* text, std::size_t length)
{
    if (!FileHandle)
    {
        ErrorCode = ERROR_INVALID_HANDLE;
        return false;
    }
    // A failed write is final: the file already lacks bytes that came before.
    if (WriteFailed)
        return false;
    if (Buffer.capacity() < BufferSize)
        Buffer.reserve(BufferSize);
    if (Buffer.size() + length > BufferSize && !Flush())
        return false;
    // What does not fit in the buffer even when it is empty goes straight to the file.
    if (length >= BufferSize)
        return WriteThrough(text, length);
    Buffer.insert(Buffer.end(), text, text + length);
    return true;
}

bool CReplacingFile::Flush()
{
    if (!FileHandle)
    {
        ErrorCode = ERROR_INVALID_HANDLE;
        return false;
    }
    if (WriteFailed)
        return false;
    const bool written = WriteThrough(Buffer.data(), Buffer.size());
    Buffer.clear();
    return written;
}

bool CReplacingFile::WriteThrough(const char* text, std::size_t length)
{
    while (length > 0)
    {
        // One call takes at most what its length can say.
        const DWORD part = static_cast<DWORD>(length > 0x40000000u ? 0x40000000u : length);
        DWORD written = 0;
        if (!WriteFile(FileHandle.Get(), text, part, &written, nullptr))
        {
            ErrorCode = GetLastError();
            WriteFailed = true;
            return false;
        }
        if (written != part)
        {
            ErrorCode = ERROR_DISK_FULL;  // a short write leaves the file incomplete
            WriteFailed = true;
            return false;
        }
        text += part;
        length -= part;
    }
    return true;
}
