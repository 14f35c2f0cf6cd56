// The one check of a page's name: what may be written over, what never is, and what is never even
// opened.
#include "output/TargetCheck.h"
#include "base/Win32Api.h"
#include "output/PageConversion.h"
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/TempDir.h"
#include "tests/engine/TestPicture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace
{

bool NeverOpen(const std::string&)
{
    return true;
}

class TargetCheck : public ::testing::Test
{
public:  // the cases below make their names through it
    void SetUp() override
    {
        Previous = SetShellOpener(&NeverOpen);
        ASSERT_TRUE(WriteBytes(Source, CBmpBuilder(8, 4, 24).FillColor(MakeRgb(9, 8, 7)).Build()));
    }
    void TearDown() override
    {
        if (Locked != INVALID_HANDLE_VALUE)
            CloseHandle(Locked);
        SetShellOpener(Previous);
    }

    // Holds path open for writing and lets nobody else read it, as another program may.
    void Lock(const std::string& path)
    {
        Locked = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(Locked, INVALID_HANDLE_VALUE);
    }

    ConversionResult Convert(const std::string& target)
    {
        ConversionSettings settings;
        settings.SourcePath = Source;
        settings.TargetPath = target;
        settings.Columns = 4;
        settings.Rows = 2;
        settings.FontFace = "Courier New";
        settings.CharacterSet = "01";
        return RunConversion(settings, false);
    }

    CTempDir Dir;
    std::string Source = Dir.Path("picture.bmp");
    HANDLE Locked = INVALID_HANDLE_VALUE;
    ShellOpener Previous = nullptr;
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
        {"a FIFO",
         [](TargetCheck&, const CTempDir& dir) {
             mkfifo(dir.Path("fifo.html").c_str(), 0600);
             return dir.Path("fifo.html");
         },
         TargetState::NotAFile, "it is a pipe, not a file", PictureFormat::Unknown},
        {"a character device", [](TargetCheck&, const CTempDir&) { return std::string("/dev/null"); },
         TargetState::Device, "it is a device", PictureFormat::Unknown},
        {"a link that leads nowhere",
         [](TargetCheck&, const CTempDir& dir) {
             fs::create_symlink("nowhere.html", dir.Path("dangling.html"));
             return dir.Path("dangling.html");
         },
         TargetState::Existing, "it is a symbolic link that leads nowhere", PictureFormat::Unknown},
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
        {"a name too long for the system",
         [](TargetCheck&, const CTempDir& dir) { return dir.Path(std::string(300, 'n') + ".html"); },
         TargetState::BadName, "the name is too long", PictureFormat::Unknown},
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

TEST_F(TargetCheck, ARunNeverReplacesWhatMayBeAPicture)
{
    const std::string target = Dir.Path("locked.html");
    WriteBytes(target, {0xFF, 0xD8, 0xFF, 0xE0});
    Lock(target);
    const ConversionResult result = Convert(target);
    CloseHandle(std::exchange(Locked, INVALID_HANDLE_VALUE));
    EXPECT_EQ(result.Status, ConversionStatus::TargetCannotCreate);
    EXPECT_EQ(result.Reason, "cannot replace the page: it cannot be read (the file is in use), so it may be a picture");
    EXPECT_EQ(ReadBytes(target), (std::vector<std::uint8_t>{0xFF, 0xD8, 0xFF, 0xE0}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir.Root()), {}), 2);  // no temporary file
}

#ifndef _WIN32
TEST_F(TargetCheck, ARunReplacesALinkThatLeadsNowhereAndNeverWaitsOnAPipe)
{
    namespace fs = std::filesystem;
    const std::string link = Dir.Path("dangling.html");
    fs::create_symlink("nowhere.html", link);
    ASSERT_TRUE(Convert(link).Succeeded());
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_EQ(ReadText(link).rfind("<HTML>", 0), 0u);
    EXPECT_FALSE(fs::exists(Dir.Path("nowhere.html")));  // the link's target is never made

    // Nobody reads the pipe: a run that opened it would wait for ever.
    const std::string fifo = Dir.Path("fifo.html");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const ConversionResult result = Convert(fifo);
    EXPECT_EQ(result.Reason, "cannot create the page: it is a pipe, not a file");
    EXPECT_TRUE(fs::is_fifo(fifo));
}
#endif
