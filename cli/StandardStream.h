// CStandardStream: standard input or output read and written through the system's handle.
#pragma once

#include <streambuf>
#include <string>
#include <vector>

// A stream buffer over standard input or output that keeps the system's reason when a read or a
// write fails (a closed pipe, a full disk), which the C++ streams forget, and tells which file
// the stream is. Output is gathered and written out a buffer at a time, and on sync.
class CStandardStream : public std::streambuf
{
public:
    enum class Direction
    {
        Input,
        Output
    };

    // wasClosed: the stream was closed when the program started (see ReserveClosedStandardStreams);
    // every read or write then fails as on a closed handle.
    explicit CStandardStream(Direction direction, bool wasClosed = false);
    // Writes out what is gathered.
    ~CStandardStream() override;
    CStandardStream(const CStandardStream&) = delete;
    CStandardStream& operator=(const CStandardStream&) = delete;

    // The system error code of the last failed read or write, 0 when none failed.
    unsigned long LastError() const { return Error; }
    // True when the stream is the very file at path (the shell appends a page to a picture with
    // "-o - >> picture.bmp").
    bool IsFile(const std::string& path) const;
    // True when both streams are the same file on disk ("- -o - < picture.bmp >> picture.bmp").
    bool IsSameFileAs(const CStandardStream& other) const;
    // True when the stream is a folder (a shell gives one with "< /").
    bool IsFolder() const;

    // The reason a stream failed, when it is a CStandardStream that knows one; empty otherwise.
    static std::string FailureOf(const std::streambuf* stream);

protected:
    int_type underflow() override;
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    bool WriteOut(const char* text, std::size_t count);
    bool Flush();

    void* Handle;
    bool Closed;
    std::vector<char> Buffer;
    unsigned long Error = 0;
};

// Off Windows: a standard stream closed when the program started ("0<&-") would be taken by the
// first file the program opens, so that a page or a message would land in a picture's file; each
// closed one is given /dev/null to hold its place. Called before anything is opened; returns
// which were closed: 1 standard input, 2 standard output, 4 standard error. On Windows, 0.
unsigned ReserveClosedStandardStreams();
