// CMappedFile: a whole file mapped read-only, its bytes read through one view.
#pragma once

#include "base/Handle.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Which file, and which state of it: the same file (volume and index), the same size and the same
// time of its last write.
struct FileIdentity
{
    std::uint32_t Volume = 0;
    std::uint64_t Index = 0;
    std::uint64_t Size = 0;
    std::uint64_t Written = 0;
    bool operator==(const FileIdentity& other) const
    {
        return Volume == other.Volume && Index == other.Index && Size == other.Size && Written == other.Written;
    }
};

// Opens a file for reading (others may read it too, nobody may write it meanwhile) and maps all
// of it. Everything that reads a picture reads these bytes: the format's signature, its
// orientation and its pixels, so a picture file is opened once. Movable, never copied.
class CMappedFile
{
public:
    // Why the last Open failed.
    enum class Failure
    {
        None,
        CannotOpen,  // missing, in use, access denied, or the system would not map it
        Empty,       // the file holds no bytes, which cannot be mapped
        TooLarge     // more bytes than this process can map
    };

    CMappedFile() = default;
    ~CMappedFile() { Close(); }
    CMappedFile(CMappedFile&& other) noexcept;
    CMappedFile& operator=(CMappedFile&& other) noexcept;
    CMappedFile(const CMappedFile&) = delete;
    CMappedFile& operator=(const CMappedFile&) = delete;

    // Maps the whole file; false with LastFailure, FailureReason and LastError when it cannot.
    bool Open(const std::string& path);
    // Unmaps the view and closes the mapping and the file; harmless when closed.
    void Close();

    bool IsOpen() const { return View != nullptr; }
    const std::uint8_t* Data() const { return View; }
    std::size_t Size() const { return Length; }

    Failure LastFailure() const { return FailureKind; }
    // A few words on why Open failed, e.g. "the file does not exist".
    const std::string& FailureReason() const { return Reason; }
    // The system's error code of the failure, 0 when there was none.
    unsigned long LastError() const { return ErrorCode; }

    // The mapped file's identity; false when the system cannot tell it.
    bool Identify(FileIdentity& identity) const;
    // The identity of the file path names now, without mapping it.
    static bool IdentifyPath(const std::string& path, FileIdentity& identity);

    const void* GetFileHandle() const { return FileHandle.Get(); }
    const void* GetMappingHandle() const { return MappingHandle.Get(); }

private:
    bool Fail(Failure kind, unsigned long code, std::string reason);

    CHandle FileHandle;
    CHandle MappingHandle;
    const std::uint8_t* View = nullptr;
    std::size_t Length = 0;
    Failure FailureKind = Failure::None;
    unsigned long ErrorCode = 0;
    std::string Reason;
};
