// POSIX implementation of the engine's KERNEL and SHELL stand-ins.
#include "posix/Win32Posix.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <time.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace
{

thread_local DWORD LastErrorCode = ERROR_SUCCESS;

// An open file with the access and sharing it was opened with; registered by
// identity so that later opens can be refused as Windows refuses them.
struct FileObject
{
    int Descriptor = -1;
    dev_t Device = 0;
    ino_t Inode = 0;
    DWORD Access = 0;
    DWORD Share = 0;
    std::string Path;            // as opened, for a deletion mark
    bool DeleteOnClose = false;  // marked for deletion: removed when the last handle goes
    int MarkedSlot = -1;         // where a signal handler finds the mark
    bool Borrowed = false;       // a standard stream's descriptor, never closed here
    ~FileObject();
};

// The paths of the files marked for deletion, in a fixed table that a signal handler can read
// while other threads mark and unmark files: a slot is claimed, filled, then published, and
// cleared again once its file is kept or gone.
enum SlotState
{
    SlotFree,
    SlotFilling,
    SlotPublished
};
struct MarkedFile
{
    std::atomic<int> State{SlotFree};
    char Path[PATH_MAX];
    // The file itself: whatever takes its name later is not removed in its place.
    dev_t Device;
    ino_t Inode;
};
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler may only read lock-free atomics");
// Room for every temporary page the converter may have open at once: one per job, at most 256
// jobs, and then some. A slot is 4 KiB of zeros until it is first used.
MarkedFile MarkedFiles[320];

// The slot that now holds path, the name of the file device and inode tell, or -1 when the
// table is full or the path too long.
int PublishMarkedFile(const char* path, dev_t device, ino_t inode)
{
    const std::size_t length = std::strlen(path);
    if (length >= PATH_MAX)
        return -1;
    for (int slot = 0; slot < static_cast<int>(std::size(MarkedFiles)); ++slot)
    {
        int expected = SlotFree;
        if (!MarkedFiles[slot].State.compare_exchange_strong(expected, SlotFilling))
            continue;
        std::memcpy(MarkedFiles[slot].Path, path, length + 1);
        MarkedFiles[slot].Device = device;
        MarkedFiles[slot].Inode = inode;
        MarkedFiles[slot].State.store(SlotPublished, std::memory_order_release);
        return slot;
    }
    return -1;
}

// A signal's sweep and the temporary files still being made: each file is made and published in
// one step that the sweep waits for, and once a sweep has begun none is made any more, so that no
// file is left that the sweep did not see (a worker may be making one as another thread sweeps).
std::atomic<int> TemporaryFilesBeingMade(0);
std::atomic<bool> TemporaryFilesStopped(false);
static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler may only touch lock-free atomics");

// The making of one temporary file, from before it is opened until it is published. The signals
// that may end the process are held back meanwhile, so that a sweep never runs on the thread it
// waits for (faults, which a program cannot hold back, stay open).
class CTemporaryFileBeingMade
{
public:
    CTemporaryFileBeingMade()
    {
        sigset_t all;
        sigfillset(&all);
        for (int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS, SIGABRT})
            sigdelset(&all, fault);
        pthread_sigmask(SIG_BLOCK, &all, &Previous);
        TemporaryFilesBeingMade.fetch_add(1);
    }
    ~CTemporaryFileBeingMade()
    {
        TemporaryFilesBeingMade.fetch_sub(1);
        pthread_sigmask(SIG_SETMASK, &Previous, nullptr);
    }
    CTemporaryFileBeingMade(const CTemporaryFileBeingMade&) = delete;
    CTemporaryFileBeingMade& operator=(const CTemporaryFileBeingMade&) = delete;

    // False once a sweep has begun: the file is not to be made.
    bool Allowed() const { return !TemporaryFilesStopped.load(); }

private:
    sigset_t Previous;
};

void WithdrawMarkedFile(int slot)
{
    if (slot >= 0)
        MarkedFiles[slot].State.store(SlotFree, std::memory_order_release);
}

// Takes back the mark of the file that was at path, once it has been moved or deleted.
void WithdrawMarkedPath(const char* path, const struct stat& file)
{
    for (int slot = 0; slot < static_cast<int>(std::size(MarkedFiles)); ++slot)
    {
        const MarkedFile& marked = MarkedFiles[slot];
        if (marked.State.load(std::memory_order_acquire) == SlotPublished && marked.Device == file.st_dev &&
            marked.Inode == file.st_ino && std::strcmp(marked.Path, path) == 0)
            WithdrawMarkedFile(slot);
    }
}

// A read-only mapping object; it keeps its file open, as on Windows.
struct MappingObject
{
    std::shared_ptr<FileObject> File;
    std::uint64_t Size = 0;
};

// What a HANDLE points to: exactly one of the two objects.
struct HandleBox
{
    std::shared_ptr<FileObject> File;
    std::shared_ptr<MappingObject> Mapping;
};

// A mapped view; it keeps its mapping alive until unmapped.
struct ViewEntry
{
    std::size_t Length = 0;
    std::shared_ptr<MappingObject> Mapping;
};

std::mutex RegistryLock;
std::set<HandleBox*> LiveHandles;
std::map<const void*, ViewEntry> LiveViews;
std::map<std::pair<dev_t, ino_t>, std::vector<const FileObject*>> OpenFiles;

FileObject::~FileObject()
{
    if (Descriptor < 0 || Borrowed)
        return;
    {
        std::lock_guard<std::mutex> lock(RegistryLock);
        auto found = OpenFiles.find({Device, Inode});
        if (found != OpenFiles.end())
        {
            auto& list = found->second;
            for (auto it = list.begin(); it != list.end(); ++it)
            {
                if (*it == this)
                {
                    list.erase(it);
                    break;
                }
            }
            if (list.empty())
                OpenFiles.erase(found);
        }
    }
    close(Descriptor);
    // Removed before the mark is withdrawn, so that a signal in between finds it gone or there.
    // A file whose mark was taken back keeps it until it is moved into place or deleted.
    if (DeleteOnClose)
    {
        unlink(Path.c_str());
        WithdrawMarkedFile(MarkedSlot);
    }
}

bool IsExistingDirectory(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string ParentOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// Translates errno into the Windows code the same failure would give; a missing
// file is told apart from a missing folder as Windows does.
DWORD ErrorFromErrno(int error, const char* path)
{
    switch (error)
    {
    case ENOENT:
        if (path && !IsExistingDirectory(ParentOf(path)))
            return ERROR_PATH_NOT_FOUND;
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case ETXTBSY: return ERROR_ACCESS_DENIED;
    case EROFS: return ERROR_WRITE_PROTECT;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EFBIG: return ERROR_FILE_TOO_LARGE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EBADF: return ERROR_INVALID_HANDLE;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case EEXIST: return ERROR_FILE_EXISTS;
    case ELOOP: return ERROR_CANT_RESOLVE_FILENAME;
    case EPIPE: return ERROR_NO_DATA;
    default: return ERROR_GEN_FAILURE;
    }
}

template <typename T>
T Fail(DWORD code, T result)
{
    LastErrorCode = code;
    return result;
}

bool HasNoWriteBits(mode_t mode)
{
    return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

// The attributes Windows would report: read-only without write bits, a device for
// anything that is neither a plain file nor a directory.
DWORD AttributesOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return FILE_ATTRIBUTE_DIRECTORY;
    DWORD attributes = 0;
    if (HasNoWriteBits(mode))
        attributes |= FILE_ATTRIBUTE_READONLY;
    if (!S_ISREG(mode))
        attributes |= FILE_ATTRIBUTE_DEVICE;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

// Two opens of one file conflict unless each allows what the other does.
bool SharingConflicts(DWORD accessA, DWORD shareA, DWORD accessB, DWORD shareB)
{
    const bool aReads = accessA & GENERIC_READ, aWrites = accessA & GENERIC_WRITE;
    const bool bReads = accessB & GENERIC_READ, bWrites = accessB & GENERIC_WRITE;
    return (aReads && !(shareB & FILE_SHARE_READ)) || (aWrites && !(shareB & FILE_SHARE_WRITE)) ||
           (bReads && !(shareA & FILE_SHARE_READ)) || (bWrites && !(shareA & FILE_SHARE_WRITE));
}

HandleBox* FindHandle(HANDLE handle)
{
    auto* box = static_cast<HandleBox*>(handle);
    return LiveHandles.count(box) ? box : nullptr;
}

std::shared_ptr<FileObject> FileOf(HANDLE handle)
{
    std::lock_guard<std::mutex> lock(RegistryLock);
    HandleBox* box = FindHandle(handle);
    return box ? box->File : nullptr;
}

HANDLE NewHandle(HandleBox* box)
{
    std::lock_guard<std::mutex> lock(RegistryLock);
    LiveHandles.insert(box);
    return box;
}

}  // namespace

DWORD GetLastError()
{
    return LastErrorCode;
}

void SetLastError(DWORD errorCode)
{
    LastErrorCode = errorCode;
}

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES,
                   DWORD creationDisposition, DWORD, HANDLE)
{
    if (!fileName || !*fileName)
        return Fail(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);
    const bool reads = desiredAccess & GENERIC_READ;
    const bool writes = desiredAccess & GENERIC_WRITE;
    // Without access the file is only looked at: a FIFO or a device is not opened for reading.
    const bool looks = !reads && !writes && creationDisposition == OPEN_EXISTING;
    int flags = O_CLOEXEC | O_NONBLOCK;  // never block on a FIFO
    flags |= looks ? O_PATH : reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY;
    if (creationDisposition == CREATE_ALWAYS)
        flags |= O_CREAT;
    else if (creationDisposition == CREATE_NEW)
        flags |= O_CREAT | O_EXCL;
    else if (creationDisposition != OPEN_EXISTING)
        return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);

    // Windows will not open a read-only file for writing, whoever asks.
    struct stat before;
    if (writes && stat(fileName, &before) == 0 && S_ISREG(before.st_mode) && HasNoWriteBits(before.st_mode))
        return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);

    // A file made new with DELETE access is a temporary one: it is published for a signal's sweep
    // as it is made, or not made at all once a sweep has begun. Nothing in between takes a lock (nor
    // memory) that the thread of a sweep, which waits for it, might hold.
    const bool temporary = (desiredAccess & DELETE) && creationDisposition == CREATE_NEW;
    std::optional<CTemporaryFileBeingMade> making;
    if (temporary && !making.emplace().Allowed())
        return Fail(ERROR_OPERATION_ABORTED, INVALID_HANDLE_VALUE);
    const int fd = open(fileName, flags, 0666);
    if (fd < 0)
        return Fail(ErrorFromErrno(errno, fileName), INVALID_HANDLE_VALUE);
    struct stat info;
    if (fstat(fd, &info) != 0)
    {
        const int error = errno;
        close(fd);
        return Fail(ErrorFromErrno(error, nullptr), INVALID_HANDLE_VALUE);
    }
    const int slot = temporary ? PublishMarkedFile(fileName, info.st_dev, info.st_ino) : -1;
    making.reset();
    auto file = std::make_shared<FileObject>();
    file->MarkedSlot = slot;
    if (S_ISDIR(info.st_mode))
    {
        close(fd);
        return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
    }
    if (!looks)
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);

    std::unique_lock<std::mutex> lock(RegistryLock);
    auto& others = OpenFiles[{info.st_dev, info.st_ino}];
    for (const FileObject* other : others)
    {
        if (SharingConflicts(desiredAccess, shareMode, other->Access, other->Share))
        {
            lock.unlock();
            close(fd);
            return Fail(ERROR_SHARING_VIOLATION, INVALID_HANDLE_VALUE);
        }
    }
    // Truncate only after the sharing check, so a refused open changes nothing.
    if (creationDisposition == CREATE_ALWAYS && S_ISREG(info.st_mode) && ftruncate(fd, 0) != 0)
    {
        const int error = errno;
        if (others.empty())
            OpenFiles.erase({info.st_dev, info.st_ino});
        lock.unlock();
        close(fd);
        return Fail(ErrorFromErrno(error, nullptr), INVALID_HANDLE_VALUE);
    }
    file->Descriptor = fd;
    file->Device = info.st_dev;
    file->Inode = info.st_ino;
    file->Access = desiredAccess;
    file->Share = shareMode;
    if (desiredAccess & DELETE)
        file->Path = fileName;
    others.push_back(file.get());
    lock.unlock();

    auto* box = new HandleBox;
    box->File = std::move(file);
    LastErrorCode = ERROR_SUCCESS;
    return NewHandle(box);
}

BOOL GetFileSizeEx(HANDLE file, PLARGE_INTEGER fileSize)
{
    const auto object = FileOf(file);
    if (!object || !fileSize)
        return Fail(ERROR_INVALID_HANDLE, FALSE);
    struct stat info;
    if (fstat(object->Descriptor, &info) != 0)
        return Fail(ErrorFromErrno(errno, nullptr), FALSE);
    fileSize->QuadPart = S_ISREG(info.st_mode) ? static_cast<LONGLONG>(info.st_size) : 0;
    return TRUE;
}

BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information)
{
    const auto object = FileOf(file);
    if (!object || !information)
        return Fail(ERROR_INVALID_HANDLE, FALSE);
    struct stat info;
    if (fstat(object->Descriptor, &info) != 0)
        return Fail(ErrorFromErrno(errno, nullptr), FALSE);
    // Device and inode stand for the volume serial number and the file index.
    const auto size = static_cast<std::uint64_t>(info.st_size);
    const auto index = static_cast<std::uint64_t>(info.st_ino);
    information->dwFileAttributes = AttributesOf(info.st_mode);
    information->dwVolumeSerialNumber = static_cast<DWORD>(info.st_dev);
    information->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    information->nFileSizeLow = static_cast<DWORD>(size);
    information->nNumberOfLinks = static_cast<DWORD>(info.st_nlink);
    information->nFileIndexHigh = static_cast<DWORD>(index >> 32);
    information->nFileIndexLow = static_cast<DWORD>(index);
    // In 100-nanosecond steps, as Windows counts; only equality is ever asked of it.
    const auto written = static_cast<std::uint64_t>(info.st_mtim.tv_sec) * 10000000u +
                         static_cast<std::uint64_t>(info.st_mtim.tv_nsec) / 100u;
    information->ftLastWriteTime.dwLowDateTime = static_cast<DWORD>(written);
    information->ftLastWriteTime.dwHighDateTime = static_cast<DWORD>(written >> 32);
    return TRUE;
}

HANDLE CreateFileMappingA(HANDLE file, LPSECURITY_ATTRIBUTES, DWORD protect, DWORD maximumSizeHigh,
                          DWORD maximumSizeLow, LPCSTR name)
{
    // Only the whole-file, unnamed, read-only mapping the reader needs.
    if (protect != PAGE_READONLY || maximumSizeHigh || maximumSizeLow || name)
        return Fail(ERROR_INVALID_PARAMETER, HANDLE(nullptr));
    auto object = FileOf(file);
    if (!object)
        return Fail(ERROR_INVALID_HANDLE, HANDLE(nullptr));
    if (!(object->Access & GENERIC_READ))
        return Fail(ERROR_ACCESS_DENIED, HANDLE(nullptr));
    struct stat info;
    if (fstat(object->Descriptor, &info) != 0)
        return Fail(ErrorFromErrno(errno, nullptr), HANDLE(nullptr));
    // Windows cannot map an empty file, nor anything that is not a plain file.
    if (!S_ISREG(info.st_mode) || info.st_size == 0)
        return Fail(ERROR_FILE_INVALID, HANDLE(nullptr));
    auto mapping = std::make_shared<MappingObject>();
    mapping->File = std::move(object);
    mapping->Size = static_cast<std::uint64_t>(info.st_size);
    auto* box = new HandleBox;
    box->Mapping = std::move(mapping);
    LastErrorCode = ERROR_SUCCESS;
    return NewHandle(box);
}

LPVOID MapViewOfFile(HANDLE mapping, DWORD desiredAccess, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytesToMap)
{
    if (desiredAccess != FILE_MAP_READ || offsetHigh || offsetLow || bytesToMap)
        return Fail(ERROR_INVALID_PARAMETER, LPVOID(nullptr));
    std::shared_ptr<MappingObject> object;
    {
        std::lock_guard<std::mutex> lock(RegistryLock);
        HandleBox* box = FindHandle(mapping);
        if (box)
            object = box->Mapping;
    }
    if (!object)
        return Fail(ERROR_INVALID_HANDLE, LPVOID(nullptr));
    if (object->Size > SIZE_MAX)
        return Fail(ERROR_NOT_ENOUGH_MEMORY, LPVOID(nullptr));
    const auto length = static_cast<std::size_t>(object->Size);
    void* view = mmap(nullptr, length, PROT_READ, MAP_SHARED, object->File->Descriptor, 0);
    if (view == MAP_FAILED)
        return Fail(ErrorFromErrno(errno, nullptr), LPVOID(nullptr));
    std::lock_guard<std::mutex> lock(RegistryLock);
    LiveViews[view] = ViewEntry{length, std::move(object)};
    LastErrorCode = ERROR_SUCCESS;
    return view;
}

BOOL UnmapViewOfFile(LPCVOID baseAddress)
{
    ViewEntry entry;
    {
        std::lock_guard<std::mutex> lock(RegistryLock);
        auto found = LiveViews.find(baseAddress);
        if (found == LiveViews.end())
            return Fail(ERROR_INVALID_PARAMETER, FALSE);
        entry = std::move(found->second);
        LiveViews.erase(found);
    }
    munmap(const_cast<void*>(baseAddress), entry.Length);
    return TRUE;
}

BOOL CloseHandle(HANDLE object)
{
    HandleBox* box;
    {
        std::lock_guard<std::mutex> lock(RegistryLock);
        box = FindHandle(object);
        if (!box)
            return Fail(ERROR_INVALID_HANDLE, FALSE);
        LiveHandles.erase(box);
    }
    delete box;  // the objects go when their last holder does
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPOVERLAPPED overlapped)
{
    if (bytesWritten)
        *bytesWritten = 0;
    if (overlapped)
        return Fail(ERROR_INVALID_PARAMETER, FALSE);
    const auto object = FileOf(file);
    if (!object)
        return Fail(ERROR_INVALID_HANDLE, FALSE);
    if (!(object->Access & GENERIC_WRITE))
        return Fail(ERROR_ACCESS_DENIED, FALSE);
    const auto* bytes = static_cast<const char*>(buffer);
    DWORD done = 0;
    while (done < bytesToWrite)
    {
        const ssize_t n = write(object->Descriptor, bytes + done, bytesToWrite - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
        {
            if (bytesWritten)
                *bytesWritten = done;
            return Fail(n == 0 ? ERROR_DISK_FULL : ErrorFromErrno(errno, nullptr), FALSE);
        }
        done += static_cast<DWORD>(n);
    }
    if (bytesWritten)
        *bytesWritten = done;
    return TRUE;
}

DWORD GetFileAttributesA(LPCSTR fileName)
{
    struct stat info;
    if (!fileName)
        return Fail(ERROR_PATH_NOT_FOUND, INVALID_FILE_ATTRIBUTES);
    if (stat(fileName, &info) != 0)
    {
        const int error = errno;
        // A link to nothing is still a name that is taken.
        struct stat link;
        if ((error == ENOENT || error == ELOOP) && lstat(fileName, &link) == 0 && S_ISLNK(link.st_mode))
            return FILE_ATTRIBUTE_REPARSE_POINT;
        return Fail(ErrorFromErrno(error, fileName), INVALID_FILE_ATTRIBUTES);
    }
    return AttributesOf(info.st_mode);
}

BOOL SetFileAttributesA(LPCSTR fileName, DWORD fileAttributes)
{
    // Only the read-only flag has a meaning here: it maps to the write permissions.
    struct stat info;
    if (!fileName || stat(fileName, &info) != 0)
        return Fail(ErrorFromErrno(fileName ? errno : ENOENT, fileName), FALSE);
    mode_t mode = info.st_mode & 07777;
    if (fileAttributes & FILE_ATTRIBUTE_READONLY)
        mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    else if (HasNoWriteBits(info.st_mode))
        mode |= S_IWUSR;
    if (mode != (info.st_mode & 07777) && chmod(fileName, mode) != 0)
        return Fail(ErrorFromErrno(errno, fileName), FALSE);
    return TRUE;
}

BOOL DeleteFileA(LPCSTR fileName)
{
    // Like Windows: plain files only (never a directory or a device), and not read-only ones.
    struct stat info;
    if (!fileName || lstat(fileName, &info) != 0)
        return Fail(ErrorFromErrno(fileName ? errno : ENOENT, fileName), FALSE);
    if (!S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode))
        return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (S_ISREG(info.st_mode) && HasNoWriteBits(info.st_mode))
        return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (unlink(fileName) != 0)
        return Fail(ErrorFromErrno(errno, fileName), FALSE);
    WithdrawMarkedPath(fileName, info);
    return TRUE;
}

BOOL MoveFileExA(LPCSTR existingFileName, LPCSTR newFileName, DWORD flags)
{
    if (!existingFileName || !newFileName)
        return Fail(ERROR_INVALID_PARAMETER, FALSE);
    // Only the replacing move the engine makes; like Windows it never replaces a folder
    // or a read-only file.
    if (flags != MOVEFILE_REPLACE_EXISTING)
        return Fail(ERROR_INVALID_PARAMETER, FALSE);
    struct stat info;
    if (lstat(newFileName, &info) == 0 &&
        (S_ISDIR(info.st_mode) || (S_ISREG(info.st_mode) && HasNoWriteBits(info.st_mode))))
        return Fail(ERROR_ACCESS_DENIED, FALSE);
    struct stat moved;
    if (lstat(existingFileName, &moved) != 0)
        return Fail(ErrorFromErrno(errno, existingFileName), FALSE);
    if (rename(existingFileName, newFileName) != 0)
        return Fail(ErrorFromErrno(errno, newFileName), FALSE);
    WithdrawMarkedPath(existingFileName, moved);
    return TRUE;
}

BOOL ReplaceFileA(LPCSTR replacedFileName, LPCSTR replacementFileName, LPCSTR backupFileName, DWORD, LPVOID, LPVOID)
{
    if (!replacedFileName || !replacementFileName || backupFileName)
        return Fail(ERROR_INVALID_PARAMETER, FALSE);
    // Like Windows: the replaced file must exist, and be a plain file that is not read-only.
    struct stat replaced;
    if (stat(replacedFileName, &replaced) != 0)
        return Fail(ErrorFromErrno(errno, replacedFileName), FALSE);
    if (!S_ISREG(replaced.st_mode) || HasNoWriteBits(replaced.st_mode))
        return Fail(ERROR_ACCESS_DENIED, FALSE);
    // The new file takes over the old one's permission bits and, where the system allows, its group.
    if (chmod(replacementFileName, replaced.st_mode & 07777) != 0)
        return Fail(ErrorFromErrno(errno, replacementFileName), FALSE);
    if (chown(replacementFileName, static_cast<uid_t>(-1), replaced.st_gid) != 0)
    {
        // Another group than one's own cannot be given; the file keeps the creator's.
    }
    struct stat moved;
    if (lstat(replacementFileName, &moved) != 0)
        return Fail(ErrorFromErrno(errno, replacementFileName), FALSE);
    if (rename(replacementFileName, replacedFileName) != 0)
        return Fail(ErrorFromErrno(errno, replacedFileName), FALSE);
    WithdrawMarkedPath(replacementFileName, moved);
    return TRUE;
}

BOOL SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS informationClass, LPVOID information,
                                DWORD bufferSize)
{
    if (informationClass != FileDispositionInfo || !information || bufferSize < sizeof(FILE_DISPOSITION_INFO))
        return Fail(ERROR_INVALID_PARAMETER, FALSE);
    const auto object = FileOf(file);
    if (!object)
        return Fail(ERROR_INVALID_HANDLE, FALSE);
    if (!(object->Access & DELETE))
        return Fail(ERROR_ACCESS_DENIED, FALSE);
    const bool remove = static_cast<const FILE_DISPOSITION_INFO*>(information)->DeleteFile != 0;
    std::lock_guard<std::mutex> lock(RegistryLock);
    // The slot stays when the mark is taken back: the file is about to be moved into place, and
    // until it is, a signal is to remove it all the same.
    if (remove && object->MarkedSlot < 0)
        object->MarkedSlot = PublishMarkedFile(object->Path.c_str(), object->Device, object->Inode);
    object->DeleteOnClose = remove;
    return TRUE;
}

void StopMakingTemporaryFiles()
{
    // Those being made are waited for: a few system calls each; a second at most, should one hang.
    TemporaryFilesStopped.store(true);
    const timespec pause = {0, 1000000};
    for (int waited = 0; TemporaryFilesBeingMade.load() != 0 && waited < 1000; ++waited)
        nanosleep(&pause, nullptr);
}

void DeleteFilesMarkedForDeletion()
{
    for (MarkedFile& file : MarkedFiles)
    {
        struct stat info;
        if (file.State.load(std::memory_order_acquire) == SlotPublished && lstat(file.Path, &info) == 0 &&
            info.st_dev == file.Device && info.st_ino == file.Inode)
            unlink(file.Path);
    }
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED overlapped)
{
    if (bytesRead)
        *bytesRead = 0;
    if (overlapped)
        return Fail(ERROR_INVALID_PARAMETER, FALSE);
    const auto object = FileOf(file);
    if (!object)
        return Fail(ERROR_INVALID_HANDLE, FALSE);
    if (!(object->Access & GENERIC_READ))
        return Fail(ERROR_ACCESS_DENIED, FALSE);
    ssize_t n = 0;
    do
        n = read(object->Descriptor, buffer, bytesToRead);
    while (n < 0 && errno == EINTR);
    if (n < 0)
        return Fail(errno == EISDIR ? ERROR_ACCESS_DENIED : ErrorFromErrno(errno, nullptr), FALSE);
    if (bytesRead)
        *bytesRead = static_cast<DWORD>(n);
    return TRUE;
}

DWORD GetFileType(HANDLE file)
{
    const auto object = FileOf(file);
    struct stat info;
    if (!object || fstat(object->Descriptor, &info) != 0)
        return Fail(ERROR_INVALID_HANDLE, DWORD(FILE_TYPE_UNKNOWN));
    LastErrorCode = ERROR_SUCCESS;
    if (S_ISREG(info.st_mode))
        return FILE_TYPE_DISK;
    if (S_ISCHR(info.st_mode))
        return FILE_TYPE_CHAR;
    if (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode))
        return FILE_TYPE_PIPE;
    return FILE_TYPE_UNKNOWN;
}

HANDLE GetStdHandle(DWORD which)
{
    // Made once, never closed: the descriptors stay the process's own.
    const auto make = [](int descriptor, DWORD access) {
        auto file = std::make_shared<FileObject>();
        file->Descriptor = descriptor;
        file->Access = access;
        file->Share = FILE_SHARE_READ | FILE_SHARE_WRITE;
        file->Borrowed = true;
        auto* box = new HandleBox;
        box->File = std::move(file);
        return NewHandle(box);
    };
    static const HANDLE input = make(STDIN_FILENO, GENERIC_READ);
    static const HANDLE output = make(STDOUT_FILENO, GENERIC_WRITE);
    if (which == STD_INPUT_HANDLE)
        return input;
    if (which == STD_OUTPUT_HANDLE)
        return output;
    return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
}

HINSTANCE ShellExecuteA(HWND, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT)
{
    auto result = [](std::intptr_t code) { return reinterpret_cast<HINSTANCE>(code); };
    if (operation && std::strcmp(operation, "open") != 0)
        return result(SE_ERR_NOASSOC);
    if ((parameters && *parameters) || (directory && *directory))
        return result(SE_ERR_NOASSOC);
    if (!file || !*file)
        return result(ERROR_FILE_NOT_FOUND);
    // The desktop's opener, started directly (no shell), in a session of its own so
    // that it outlives us; a name starting with '-' must not read as an option.
    std::string target = file;
    if (target[0] == '-')
        target = "./" + target;
    char program[] = "xdg-open";
    char* argv[] = {program, &target[0], nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
#ifdef POSIX_SPAWN_SETSID
    flags |= POSIX_SPAWN_SETSID;
#endif
    posix_spawnattr_setflags(&attributes, flags);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    pid_t child = 0;
    const int error = posix_spawnp(&child, program, &actions, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return result(SE_ERR_NOASSOC);
    // The opener hands the page to a browser and ends, telling whether it could: that is the
    // answer Windows' shell gives at once.
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR)
    {
    }
    return result(WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 42 : SE_ERR_NOASSOC);
}

namespace
{

// The code point of the UTF-8 sequence at text[0..length), and its length in bytes; 0 bytes when
// the sequence is invalid (overlong, a surrogate, beyond U+10FFFF, cut short, or a stray byte).
std::size_t DecodeUtf8(const unsigned char* text, std::size_t length, char32_t& codePoint)
{
    const unsigned char lead = text[0];
    if (lead < 0x80)
    {
        codePoint = lead;
        return 1;
    }
    std::size_t size = 0;
    char32_t lowest = 0;
    if ((lead & 0xE0) == 0xC0)
    {
        size = 2;
        lowest = 0x80;
        codePoint = lead & 0x1F;
    }
    else if ((lead & 0xF0) == 0xE0)
    {
        size = 3;
        lowest = 0x800;
        codePoint = lead & 0x0F;
    }
    else if ((lead & 0xF8) == 0xF0)
    {
        size = 4;
        lowest = 0x10000;
        codePoint = lead & 0x07;
    }
    else
    {
        return 0;
    }
    if (size > length)
        return 0;
    for (std::size_t n = 1; n < size; ++n)
    {
        if ((text[n] & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (text[n] & 0x3F);
    }
    if (codePoint < lowest || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return size;
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR wide, int wideLength)
{
    if ((codePage != CP_ACP && codePage != CP_UTF8) || (flags & ~MB_ERR_INVALID_CHARS) || !text || length == 0 ||
        length < -1 || wideLength < 0)
        return Fail(ERROR_INVALID_PARAMETER, 0);
    // -1: the text up to and including its terminating zero.
    const std::size_t size = length < 0 ? std::strlen(text) + 1 : static_cast<std::size_t>(length);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    std::size_t produced = 0;
    auto put = [&](char32_t unit) {
        if (wideLength > 0 && produced < static_cast<std::size_t>(wideLength))
            wide[produced] = static_cast<WCHAR>(unit);
        ++produced;
    };
    for (std::size_t at = 0; at < size;)
    {
        char32_t codePoint = 0;
        const std::size_t used = DecodeUtf8(bytes + at, size - at, codePoint);
        if (used == 0)
        {
            if (flags & MB_ERR_INVALID_CHARS)
                return Fail(ERROR_NO_UNICODE_TRANSLATION, 0);
            codePoint = 0xFFFD;
        }
        at += used == 0 ? 1 : used;
        if (codePoint >= 0x10000)
        {
            put(0xD800 + ((codePoint - 0x10000) >> 10));
            put(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
        }
        else
        {
            put(codePoint);
        }
    }
    if (wideLength > 0 && produced > static_cast<std::size_t>(wideLength))
        return Fail(ERROR_INSUFFICIENT_BUFFER, 0);
    if (produced > INT_MAX)
        return Fail(ERROR_INVALID_PARAMETER, 0);
    return static_cast<int>(produced);
}
