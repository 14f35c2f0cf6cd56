#include "cli/StandardStream.h"

#include "base/Handle.h"
#include "base/SystemError.h"
#include "base/Win32Api.h"

#include <cstring>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace
{

// What is gathered before it is written out.
const std::size_t OutputBufferSize = 64 * 1024;
// What is read at once.
const std::size_t InputBufferSize = 64 * 1024;

bool InformationOf(void* handle, BY_HANDLE_FILE_INFORMATION& info)
{
    return handle && handle != INVALID_HANDLE_VALUE && GetFileInformationByHandle(handle, &info);
}

}  // namespace

CStandardStream::CStandardStream(Direction direction, bool wasClosed)
    : Handle(GetStdHandle(direction == Direction::Input ? STD_INPUT_HANDLE : STD_OUTPUT_HANDLE)), Closed(wasClosed)
{
    if (!Handle || Handle == INVALID_HANDLE_VALUE)
        Closed = true;
    if (direction == Direction::Input)
    {
        Buffer.resize(InputBufferSize);
        setg(Buffer.data(), Buffer.data(), Buffer.data());
    }
    else
    {
        Buffer.resize(OutputBufferSize);
        setp(Buffer.data(), Buffer.data() + Buffer.size());
    }
}

CStandardStream::~CStandardStream()
{
    Flush();
}

bool CStandardStream::IsFile(const std::string& path) const
{
    BY_HANDLE_FILE_INFORMATION stream, file;
    if (Closed || !InformationOf(Handle, stream) || (stream.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    const CHandle other(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return InformationOf(other.Get(), file) && stream.dwVolumeSerialNumber == file.dwVolumeSerialNumber &&
           stream.nFileIndexHigh == file.nFileIndexHigh && stream.nFileIndexLow == file.nFileIndexLow;
}

bool CStandardStream::IsSameFileAs(const CStandardStream& other) const
{
    // Only files: a terminal or a pipe may well be both streams, and is no picture to keep.
    BY_HANDLE_FILE_INFORMATION mine, theirs;
    return !Closed && !other.Closed && GetFileType(Handle) == FILE_TYPE_DISK &&
           GetFileType(other.Handle) == FILE_TYPE_DISK && InformationOf(Handle, mine) &&
           InformationOf(other.Handle, theirs) && mine.dwVolumeSerialNumber == theirs.dwVolumeSerialNumber &&
           mine.nFileIndexHigh == theirs.nFileIndexHigh && mine.nFileIndexLow == theirs.nFileIndexLow;
}

bool CStandardStream::IsFolder() const
{
    BY_HANDLE_FILE_INFORMATION info;
    return !Closed && InformationOf(Handle, info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string CStandardStream::FailureOf(const std::streambuf* stream)
{
    const auto* standard = dynamic_cast<const CStandardStream*>(stream);
    return standard && standard->Error ? DescribeSystemError(standard->Error) : std::string();
}

CStandardStream::int_type CStandardStream::underflow()
{
    if (gptr() < egptr())
        return traits_type::to_int_type(*gptr());
    if (Closed)
    {
        Error = ERROR_INVALID_HANDLE;
        return traits_type::eof();
    }
    DWORD got = 0;
    if (!ReadFile(Handle, Buffer.data(), static_cast<DWORD>(Buffer.size()), &got, nullptr))
    {
        // A pipe whose writer has finished ends this way on Windows.
        const DWORD error = GetLastError();
        if (error != ERROR_BROKEN_PIPE)
            Error = error;
        return traits_type::eof();
    }
    if (got == 0)
        return traits_type::eof();
    setg(Buffer.data(), Buffer.data(), Buffer.data() + got);
    return traits_type::to_int_type(*gptr());
}

CStandardStream::int_type CStandardStream::overflow(int_type c)
{
    if (!Flush())
        return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof()))
    {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

std::streamsize CStandardStream::xsputn(const char* text, std::streamsize count)
{
    const auto size = static_cast<std::size_t>(count);
    if (size <= static_cast<std::size_t>(epptr() - pptr()))
    {
        std::memcpy(pptr(), text, size);
        pbump(static_cast<int>(size));
        return count;
    }
    // What does not fit goes out at once, after what is gathered.
    return Flush() && WriteOut(text, size) ? count : 0;
}

int CStandardStream::sync()
{
    return Flush() ? 0 : -1;
}

bool CStandardStream::Flush()
{
    if (!pbase())
        return true;
    const std::size_t size = static_cast<std::size_t>(pptr() - pbase());
    setp(Buffer.data(), Buffer.data() + Buffer.size());
    return WriteOut(Buffer.data(), size);
}

bool CStandardStream::WriteOut(const char* text, std::size_t count)
{
    // A failed write is final: whatever comes after it would leave a gap in the output.
    if (Error)
        return false;
    if (Closed && count > 0)
    {
        Error = ERROR_INVALID_HANDLE;
        return false;
    }
    while (count > 0)
    {
        const DWORD part = static_cast<DWORD>(count > 0x40000000u ? 0x40000000u : count);
        DWORD written = 0;
        if (!WriteFile(Handle, text, part, &written, nullptr))
        {
            Error = GetLastError();
            return false;
        }
        if (written == 0)
        {
            Error = ERROR_WRITE_FAULT;
            return false;
        }
        text += written;
        count -= written;
    }
    return true;
}

unsigned ReserveClosedStandardStreams()
{
    unsigned closed = 0;
#ifndef _WIN32
    for (int descriptor = 0; descriptor < 3; ++descriptor)
    {
        if (fcntl(descriptor, F_GETFD) != -1)
            continue;
        // open gives the lowest free descriptor: this one.
        const int placeholder = open("/dev/null", O_RDWR);
        if (placeholder >= 0 && placeholder != descriptor)
        {
            dup2(placeholder, descriptor);
            close(placeholder);
        }
        closed |= 1u << descriptor;
    }
#endif
    return closed;
}
