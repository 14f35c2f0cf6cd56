// CReplacingFile: a file written through a buffer that replaces its target only when complete.
#pragma once

#include "base/Handle.h"

#include <cstddef>
#include <string>
#include <vector>

// Writes a page. OpenReplacing writes into a temporary file beside the target, marked to go with
// its handle where the system allows, and Commit puts it in the target's place once complete, so
// that a failure, a stop or a killed process never costs an existing page anything. Open writes
// in place (a device, which cannot be replaced). Writes are gathered in a buffer of 64 KiB and
// reach the file a buffer at a time; a failed or short write fails that Write or the next one,
// and every later one, with LastError saying why.
class CReplacingFile
{
public:
    // Bytes gathered before they are written.
    static constexpr std::size_t BufferSize = 64 * 1024;

    CReplacingFile();
    ~CReplacingFile();
    CReplacingFile(const CReplacingFile&) = delete;
    CReplacingFile& operator=(const CReplacingFile&) = delete;

    // Creates (or truncates) path and writes it in place, first clearing a read-only attribute,
    // which is put back when the file cannot be created.
    bool Open(const std::string& path);
    // Starts a file that is to replace path: the writes go to a new temporary file of a short name
    // of its own ("~gc1.tmp") in path's folder, and path itself is touched only by Commit.
    bool OpenReplacing(const std::string& path);
    // Writes what the buffer holds, closes the file and moves a temporary file over its target;
    // an existing target passes its permissions and attributes on. On failure the temporary file
    // is removed, the target is as it was, and LastError() tells why.
    bool Commit();
    // Closes the file without committing: a temporary file is removed with what the buffer holds;
    // a file written in place gets what the buffer holds first. Harmless when closed.
    void Close();
    bool IsOpen() const { return static_cast<bool>(FileHandle); }

    // Adds bytes to the file; false when they, or bytes before them, could not be written.
    bool Write(const char* text, std::size_t length);
    bool Write(const std::string& text) { return Write(text.data(), text.size()); }
    // Writes what the buffer holds now.
    bool Flush();

    // The system error code of the last failure.
    unsigned long LastError() const { return ErrorCode; }

    // Removes the read-only attribute of an existing plain file, silently.
    static void ClearReadOnly(const std::string& path);

private:
    bool WriteThrough(const char* text, std::size_t length);
    // Sets or clears the open file's mark for deletion when its handle closes.
    bool MarkForDeletion(bool remove);
    // Puts the closed temporary file in the target's place.
    bool MoveIntoPlace();

    CHandle FileHandle;
    unsigned long ErrorCode;
    std::vector<char> Buffer;   // bytes not yet written; capacity BufferSize
    std::string TargetPath;     // what Commit replaces; empty when writing in place
    std::string TemporaryPath;  // the file being written until Commit; empty when in place
    bool MarkedForDeletion = false;
    bool WriteFailed = false;  // bytes were lost: every later write fails too
};
