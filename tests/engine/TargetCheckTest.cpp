// The one check of a page's name: what may be written over, what never is, and what is never even
// opened. What a run and the converter make of each verdict, the converter's own tests show.
#include "output/TargetCheck.h"
#include "base/Win32Api.h"
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace
{

class TargetCheck : public ::testing::Test
{
public:  // the cases below make their names through it
    void SetUp() override { ASSERT_TRUE(WriteBytes(Source, CBmpBuilder(8, 4, 24).Build())); }
    void TearDown() override
    {
        if (Locked != INVALID_HANDLE_VALUE)
            CloseHandle(Locked);
    }

    // Holds path open for writing and lets nobody else read it, as another program may.
    void Lock(const std::string& path)
    {
        Locked = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(Locked, INVALID_HANDLE_VALUE);
    }

    CTempDir Dir;
    std::string Source = Dir.Path("picture.bmp");
    HANDLE Locked = INVALID_HANDLE_VALUE;
};

// One name to check: how it is made, and what the check must say of it.
struct TargetCase
{
    const char* What;
    std::function<std::string(TargetCheck&, const CTempDir&)> Make;  // returns the name
    TargetState State;
    const char* Cause;  // the cause's beginning
    PictureFormat Holds;
};

}  // namespace

TEST_F(TargetCheck, TellsWhatIsAtAPagesName)
{
    namespace fs = std::filesystem;
    const auto file = [](const char* name, std::vector<std::uint8_t> bytes) {
        return [=](TargetCheck&, const CTempDir& dir) {
            WriteBytes(dir.Path(name), bytes);
            return dir.Path(name);
        };
    };
    const std::vector<std::uint8_t> bmp = CBmpBuilder(2, 2, 24).Build();
    const std::vector<TargetCase> cases = {
        {"nothing", [](TargetCheck&, const CTempDir& dir) { return dir.Path("new.html"); }, TargetState::Free, "",
         PictureFormat::Unknown},
        {"a page", file("old.html", {'o', 'l', 'd'}), TargetState::Existing, "it already exists",
         PictureFormat::Unknown},
        {"an empty file", file("empty.html", {}), TargetState::Existing, "it already exists", PictureFormat::Unknown},
        {"a picture by another name", file("photo.html", bmp), TargetState::Picture, "it is a BMP picture",
         PictureFormat::Bmp},
        {"a folder",
         [](TargetCheck&, const CTempDir& dir) {
             fs::create_directory(dir.Path("pages"));
             return dir.Path("pages");
         },
         TargetState::Folder, "it is a folder", PictureFormat::Unknown},
        {"in a missing folder", [](TargetCheck&, const CTempDir& dir) { return dir.Path("none") + "/page.html"; },
         TargetState::BadName, "the folder does not exist", PictureFormat::Unknown},
        {"the source under another spelling",
         [](TargetCheck& test, const CTempDir& dir) {
             fs::create_directory(dir.Path("sub"));
             return (fs::path(dir.Path("sub")) / ".." / fs::path(test.Source).filename()).string();
         },
         TargetState::Source, "it is the picture being converted", PictureFormat::Bmp},
        {"a read-only page",
         [](TargetCheck&, const CTempDir& dir) {
             WriteBytes(dir.Path("kept.html"), {'k'});
             SetFileAttributesA(dir.Path("kept.html").c_str(), FILE_ATTRIBUTE_READONLY);
             return dir.Path("kept.html");
         },
         TargetState::ReadOnly, "it is read-only", PictureFormat::Unknown},
        // Nobody knows what a file holds that cannot be read: it may be a picture.
        {"a file nobody may read now",
         [](TargetCheck& test, const CTempDir& dir) {
             WriteBytes(dir.Path("locked.html"), {0xFF, 0xD8, 0xFF, 0xE0});
             test.Lock(dir.Path("locked.html"));
             return dir.Path("locked.html");
         },
         TargetState::Unreadable, "it cannot be read (the file is in use), so it may be a picture",
         PictureFormat::Unknown},
        // ... unless it is empty.
        {"an empty file nobody may read now",
         [](TargetCheck& test, const CTempDir& dir) {
             WriteBytes(dir.Path("locked.html"), {});
             test.Lock(dir.Path("locked.html"));
             return dir.Path("locked.html");
         },
         TargetState::Existing, "it already exists", PictureFormat::Unknown},
#ifndef _WIN32
        // A FIFO, a device, a link to nothing and a name too long: the converter's own table.
        {"a link that leads round in a loop",
         [](TargetCheck&, const CTempDir& dir) {
             fs::create_symlink("loop.html", dir.Path("loop.html"));
             return dir.Path("loop.html");
         },
         TargetState::Existing, "it is a symbolic link that leads nowhere", PictureFormat::Unknown},
        {"a link to a picture",
         [&bmp](TargetCheck&, const CTempDir& dir) {
             WriteBytes(dir.Path("real.bmp"), bmp);
             fs::create_symlink("real.bmp", dir.Path("link.html"));
             return dir.Path("link.html");
         },
         TargetState::Picture, "it is a BMP picture", PictureFormat::Bmp},
#endif
    };
    for (const TargetCase& c : cases)
    {
        SCOPED_TRACE(c.What);
        const std::string target = c.Make(*this, Dir);
        const TargetVerdict verdict = CheckTarget(target, Source);
        EXPECT_EQ(verdict.State, c.State);
        EXPECT_EQ(verdict.Cause.rfind(c.Cause, 0), 0u) << verdict.Cause;
        EXPECT_EQ(verdict.Holds, c.Holds);
        if (Locked != INVALID_HANDLE_VALUE)
            CloseHandle(std::exchange(Locked, INVALID_HANDLE_VALUE));
    }
    SetFileAttributesA(Dir.Path("kept.html").c_str(), FILE_ATTRIBUTE_NORMAL);
}
