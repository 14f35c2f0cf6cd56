// The platform calls the engine relies on. The same tests run against the real
// KERNEL (under Wine) and against the Linux stand-ins, so both behave alike.
#include "base/Handle.h"
#include "base/Win32Api.h"
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <chrono>
#endif

namespace
{

// Wine run by root lets root write read-only files, unlike Windows and the stand-ins.
bool RunningUnderWine()
{
#ifdef _WIN32
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
    return false;
#endif
}

HANDLE OpenForReading(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

HANDLE CreateForWriting(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

}  // namespace

TEST(PlatformCalls, MappedViewOutlivesItsHandles)
{
    CTempDir dir;
    const std::string path = dir.Path("data.bin");
    WriteBytes(path, {'a', 'b', 'c', 'd', 'e'});
    HANDLE file = OpenForReading(path);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size;
    ASSERT_TRUE(GetFileSizeEx(file, &size));
    EXPECT_EQ(size.QuadPart, 5);
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    ASSERT_NE(mapping, nullptr);
    const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(CloseHandle(mapping));
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(std::memcmp(view, "abcde", 5), 0);
    // The mapping still holds the file against writers until the view goes.
    HANDLE writer = CreateForWriting(path);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE)
        CloseHandle(writer);
    EXPECT_TRUE(UnmapViewOfFile(view));
    writer = CreateForWriting(path);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    CloseHandle(writer);
    EXPECT_FALSE(UnmapViewOfFile(view));
}

TEST(PlatformCalls, EmptyFileCannotBeMapped)
{
    CTempDir dir;
    const std::string path = dir.Path("empty.bin");
    WriteBytes(path, {});
    HANDLE file = OpenForReading(path);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
    CloseHandle(file);
}

TEST(PlatformCalls, SharingModesAreEnforced)
{
    CTempDir dir;
    const std::string path = dir.Path("shared.bin");
    WriteBytes(path, {1, 2, 3});
    HANDLE reader = OpenForReading(path);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    HANDLE secondReader = OpenForReading(path);
    EXPECT_NE(secondReader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateForWriting(path), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(ReadText(path), std::string("\1\2\3"));  // the refused create did not truncate
    CloseHandle(secondReader);
    CloseHandle(reader);
    HANDLE writer = CreateForWriting(path);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadText(path), "");
    CloseHandle(writer);
}

TEST(PlatformCalls, OwnedHandleIsClosedOnceByItsLastOwner)
{
    CTempDir dir;
    const std::string path = dir.Path("held.txt");
    EXPECT_FALSE(CHandle(INVALID_HANDLE_VALUE));
    CHandle first(CreateForWriting(path));
    ASSERT_TRUE(first);
    CHandle second(std::move(first));
    EXPECT_FALSE(first);
    first = std::move(second);
    EXPECT_FALSE(second);
    // Still held by one owner: a second writer is refused until it is closed.
    EXPECT_EQ(CreateForWriting(path), INVALID_HANDLE_VALUE);
    EXPECT_TRUE(first.Close());
    EXPECT_FALSE(first);
    EXPECT_TRUE(first.Close());
    const CHandle again(CreateForWriting(path));
    EXPECT_TRUE(again);
}

TEST(PlatformCalls, WriteFileWritesEverything)
{
    CTempDir dir;
    const std::string path = dir.Path("out.txt");
    HANDLE file = CreateForWriting(path);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, "hello ", 6, &written, nullptr));
    EXPECT_EQ(written, 6u);
    EXPECT_TRUE(WriteFile(file, "world", 5, &written, nullptr));
    EXPECT_EQ(ReadText(path), "hello world");
    CloseHandle(file);

    HANDLE reader = OpenForReading(path);
    EXPECT_FALSE(WriteFile(reader, "x", 1, &written, nullptr));
    CloseHandle(reader);
}

TEST(PlatformCalls, AttributesAndDeletion)
{
    CTempDir dir;
    const std::string path = dir.Path("file.txt");
    WriteBytes(path, {'x'});
    EXPECT_FALSE(GetFileAttributesA(path.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_TRUE(GetFileAttributesA(dir.Root().c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(GetFileAttributesA(dir.Path("none").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(GetFileAttributesA(dir.Path("none/deeper").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY);
    if (!RunningUnderWine())
    {
        HANDLE refused = CreateForWriting(path);
        EXPECT_EQ(refused, INVALID_HANDLE_VALUE);  // even for an administrator
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
        if (refused != INVALID_HANDLE_VALUE)
            CloseHandle(refused);
        EXPECT_FALSE(DeleteFileA(path.c_str()));
    }
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_FALSE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(DeleteFileA(path.c_str()));
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(DeleteFileA(dir.Root().c_str()));
}

// A file marked for deletion goes when its handle closes, unless the mark was taken back: what
// keeps a killed writer from leaving its temporary file behind.
TEST(PlatformCalls, AFileMarkedForDeletionGoesWithItsHandle)
{
    CTempDir dir;
    const auto open = [&](const char* name) {
        return CreateFileA(dir.Path(name).c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    const auto mark = [](HANDLE file, bool remove) {
        FILE_DISPOSITION_INFO disposition = {remove ? BOOLEAN(1) : BOOLEAN(0)};
        return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
    };
    HANDLE gone = open("gone.tmp");
    HANDLE kept = open("kept.tmp");
    ASSERT_NE(gone, INVALID_HANDLE_VALUE);
    ASSERT_NE(kept, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_TRUE(mark(gone, true));
    EXPECT_TRUE(WriteFile(gone, "data", 4, &written, nullptr));  // a marked file is still written
    EXPECT_EQ(written, 4u);
    EXPECT_TRUE(mark(kept, true));
    EXPECT_TRUE(mark(kept, false));
    CloseHandle(gone);
    CloseHandle(kept);
    EXPECT_EQ(GetFileAttributesA(dir.Path("gone.tmp").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesA(dir.Path("kept.tmp").c_str()), INVALID_FILE_ATTRIBUTES);

    HANDLE plain = CreateForWriting(dir.Path("plain.txt"));
    EXPECT_FALSE(mark(plain, true));  // without DELETE access
    CloseHandle(plain);
    EXPECT_TRUE(DeleteFileA(dir.Path("kept.tmp").c_str()));
}

#ifndef _WIN32
// What a signal handler does: every marked file, even with hundreds open at once (one per job of
// the converter, up to 256), is found and removed while its handle is still open.
TEST(PlatformCalls, EveryFileMarkedForDeletionIsRemovedOnASignal)
{
    CTempDir dir;
    std::vector<HANDLE> files;
    for (int n = 0; n < 300; ++n)
    {
        const std::string path = dir.Path("~gc" + std::to_string(n) + ".tmp");
        files.push_back(
            CreateFileA(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_NE(files.back(), INVALID_HANDLE_VALUE);
        FILE_DISPOSITION_INFO disposition = {BOOLEAN(1)};
        ASSERT_TRUE(SetFileInformationByHandle(files.back(), FileDispositionInfo, &disposition, sizeof disposition));
    }
    DeleteFilesMarkedForDeletion();
    for (int n = 0; n < 300; ++n)
        EXPECT_EQ(GetFileAttributesA(dir.Path("~gc" + std::to_string(n) + ".tmp").c_str()), INVALID_FILE_ATTRIBUTES)
            << n;
    for (HANDLE file : files)
        CloseHandle(file);
}
#endif

#ifndef _WIN32
// A page being committed (its mark taken back, not yet moved into place) is still a temporary file:
// a signal then removes it. Once it is in place, neither the page nor a file that took the old
// name since is touched.
TEST(PlatformCalls, AFileBeingCommittedGoesOnASignalUntilItIsInPlace)
{
    CTempDir dir;
    const std::string temporary = dir.Path("~gc1.tmp"), page = dir.Path("page.html");
    const auto startAndUnmark = [&] {
        HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE);
        FILE_DISPOSITION_INFO disposition = {BOOLEAN(1)};
        EXPECT_TRUE(SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition));
        disposition.DeleteFile = BOOLEAN(0);
        EXPECT_TRUE(SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition));
        CloseHandle(file);
    };
    startAndUnmark();
    ASSERT_NE(GetFileAttributesA(temporary.c_str()), INVALID_FILE_ATTRIBUTES);  // kept when closed
    DeleteFilesMarkedForDeletion();
    EXPECT_EQ(GetFileAttributesA(temporary.c_str()), INVALID_FILE_ATTRIBUTES);

    startAndUnmark();
    ASSERT_TRUE(MoveFileExA(temporary.c_str(), page.c_str(), MOVEFILE_REPLACE_EXISTING));
    ASSERT_TRUE(WriteBytes(temporary, {'n', 'e', 'w'}));  // another file by the old name
    DeleteFilesMarkedForDeletion();
    EXPECT_NE(GetFileAttributesA(page.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadText(temporary), "new");
}
#endif

TEST(PlatformCalls, DirectoriesDoNotOpenAsFiles)
{
    CTempDir dir;
    EXPECT_EQ(OpenForReading(dir.Root()), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(OpenForReading(dir.Path("missing")), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(PlatformCalls, ShellRefusesUnknownVerbs)
{
    // Only the "open" verb is used; another one must fail without launching anything.
    const HINSTANCE result =
        ShellExecuteA(nullptr, "glyphcast-no-such-verb", "x.html", nullptr, nullptr, SW_SHOWNORMAL);
    EXPECT_LE(reinterpret_cast<INT_PTR>(result), 32);
}

#ifndef _WIN32
TEST(PlatformCalls, DevicesAreNeitherTruncatedNorDeleted)
{
    HANDLE full = CreateForWriting("/dev/full");
    ASSERT_NE(full, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_FALSE(WriteFile(full, "x", 1, &written, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    CloseHandle(full);
    EXPECT_FALSE(DeleteFileA("/dev/null"));
    struct stat info;
    EXPECT_EQ(stat("/dev/null", &info), 0);
}

TEST(PlatformCalls, FifoDoesNotBlockOrMap)
{
    CTempDir dir;
    const std::string path = dir.Path("pipe");
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    HANDLE file = OpenForReading(path);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
    CloseHandle(file);
}
#endif
