// A whole run: success, every failure path, the shell hand-off and FileExists.
#include "engine/ConversionRun.h"
#include "engine/SourcePicture.h"
#include "output/PageConversion.h"
#include "output/TargetCheck.h"
#include "base/TextEncoding.h"
#include "base/Win32Api.h"
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace
{

// What the shell seam saw; the real shell is never called from these tests.
struct ShellLog
{
    static std::vector<std::string> Paths;
    static bool TargetWasClosed;
    static bool Answer;
    static std::string Source;

    static bool Record(const std::string& path)
    {
        Paths.push_back(path);
        // Both files are closed when nobody holds them against a writer.
        TargetWasClosed = true;
        for (const std::string& file : {path, Source})
        {
            HANDLE handle =
                CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (handle == INVALID_HANDLE_VALUE)
                TargetWasClosed = false;
            else
                CloseHandle(handle);
        }
        return Answer;
    }
};

std::vector<std::string> ShellLog::Paths;
bool ShellLog::TargetWasClosed = false;
bool ShellLog::Answer = true;
std::string ShellLog::Source;

class ConversionRunTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ShellLog::Paths.clear();
        ShellLog::Answer = true;
        ShellLog::Source = Settings.SourcePath;
        Previous = SetShellOpener(&ShellLog::Record);

        CBmpBuilder picture(8, 6, 24);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x)
                picture.SetColor(x, y, MakeRgb(30 * x, 40 * y, 100));
        WriteBytes(Settings.SourcePath, picture.Build());
    }

    void TearDown() override { SetShellOpener(Previous); }

    static bool Exists(const std::string& path) { return std::filesystem::exists(path); }

    CTempDir Dir;
    ConversionSettings Settings = [this] {
        ConversionSettings settings;
        settings.SourcePath = Dir.Path("picture.bmp");
        settings.TargetPath = Dir.Path("picture.html");
        settings.Columns = 4;
        settings.Rows = 3;
        settings.FontFace = "Courier New";
        settings.CharacterSet = "01";
        settings.CharacterOrder = 0;
        settings.BackgroundColor = 0x00FFFFFF;
        return settings;
    }();
    ShellOpener Previous = nullptr;
};

}  // namespace

TEST_F(ConversionRunTest, WritesThePageAndOpensItOnlyWhenAsked)
{
    ConversionResult result = RunConversion(Settings, false);
    ASSERT_TRUE(result.Succeeded()) << result.Reason;
    EXPECT_EQ(result.Path, Settings.TargetPath);
    EXPECT_TRUE(ShellLog::Paths.empty());
    const std::string page = ReadText(Settings.TargetPath);
    EXPECT_EQ(page.size(), 63u + 11u + 12u * 28u + 3u * 6u + 36u);

    result = RunConversion(Settings, true);
    ASSERT_TRUE(result.Succeeded());
    EXPECT_FALSE(result.ShellOpenFailed);
    EXPECT_EQ(ShellLog::Paths, std::vector<std::string>{Settings.TargetPath});
    EXPECT_TRUE(ShellLog::TargetWasClosed);
    EXPECT_EQ(ReadText(Settings.TargetPath), page);  // the same settings give the same page
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir.Root()), {}), 2);  // no temporary left
}

TEST_F(ConversionRunTest, ReportsAShellThatCannotOpenThePage)
{
    ShellLog::Answer = false;
    const ConversionResult result = RunConversion(Settings, true);
    EXPECT_TRUE(result.Succeeded());
    EXPECT_TRUE(result.ShellOpenFailed);
    EXPECT_TRUE(Exists(Settings.TargetPath));
}

TEST_F(ConversionRunTest, RandomPagesRepeatWhateverRanBefore)
{
    Settings.CharacterSet = "0123456789";
    ASSERT_TRUE(RunConversion(Settings, false).Succeeded());
    const std::string first = ReadText(Settings.TargetPath);
    ConversionSettings other = Settings;
    other.TargetPath = Dir.Path("other.html");
    other.CharacterOrder = 1;
    other.CharacterSet = "ABC";
    ASSERT_TRUE(RunConversion(other, false).Succeeded());
    ASSERT_TRUE(RunConversion(Settings, false).Succeeded());
    EXPECT_EQ(ReadText(Settings.TargetPath), first);
}

TEST_F(ConversionRunTest, ReportsProgressPerRow)
{
    std::vector<std::pair<std::uint32_t, std::uint32_t>> calls;
    ASSERT_TRUE(RunConversion(Settings, false, [&](std::uint32_t done, std::uint32_t total) {
                    calls.emplace_back(done, total);
                }).Succeeded());
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> expected = {{1, 3}, {2, 3}, {3, 3}};
    EXPECT_EQ(calls, expected);
}

TEST_F(ConversionRunTest, RefusesBadSettingsBeforeTouchingAnyFile)
{
    const auto refused = [this](ConversionSettings settings, const std::string& reasonPart) {
        const ConversionResult result = RunConversion(settings, true);
        EXPECT_EQ(result.Status, ConversionStatus::BadSettings);
        EXPECT_NE(result.Reason.find(reasonPart), std::string::npos) << result.Reason;
        EXPECT_FALSE(Exists(Settings.TargetPath));
    };
    ConversionSettings settings = Settings;
    settings.Columns = 0;
    refused(settings, "columns");
    settings.Columns = 5001;
    refused(settings, "columns (5001)");
    settings = Settings;
    settings.Rows = 0;
    refused(settings, "rows");
    settings.Rows = 5001;
    refused(settings, "rows");
    settings = Settings;
    settings.CharacterSet.clear();
    refused(settings, "character set");
    settings = Settings;
    settings.TargetPath.clear();
    refused(settings, "page");
    settings = Settings;
    settings.SourcePath.clear();
    refused(settings, "picture");
    EXPECT_TRUE(ShellLog::Paths.empty());

    settings = Settings;
    settings.Columns = 5000;
    settings.Rows = 1;
    EXPECT_TRUE(RunConversion(settings, false).Succeeded());
}

TEST_F(ConversionRunTest, NamesInAnyScriptReachTheFilesWhenTheTextIsUtf8)
{
    // As the converter has it on a system that keeps another code page: names as UTF-8.
    namespace fs = std::filesystem;
    SetTextCodePage(TextCodePage::Utf8);
    const auto inDir = [this](const char* name) { return (fs::u8path(Dir.Root()) / fs::u8path(name)).u8string(); };
    const std::string greek = inDir("\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC.bmp");
    const std::string japanese = inDir("\u65E5\u672C\u8A9E.html");
    fs::copy_file(fs::u8path(Settings.SourcePath), fs::u8path(greek));
    Settings.SourcePath = greek;
    Settings.TargetPath = japanese;
    const ConversionResult written = RunConversion(Settings, false);
    const ConversionResult replaced = RunConversion(Settings, false);
    const bool found = FileExists(japanese) && !FolderExists(japanese) && !SameFile(greek, japanese);
    SetTextCodePage(TextCodePage::Active);
    EXPECT_TRUE(written.Succeeded()) << written.Reason;
    EXPECT_TRUE(replaced.Succeeded()) << replaced.Reason;
    EXPECT_TRUE(found);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::u8path(Dir.Root())))
        names.push_back(entry.path().filename().u8string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"picture.bmp", "\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC.bmp",
                                               "\u65E5\u672C\u8A9E.html"}));
}

TEST_F(ConversionRunTest, MissingSourceCreatesNoPage)
{
    Settings.SourcePath = Dir.Path("missing.bmp");
    const ConversionResult result = RunConversion(Settings, true);
    EXPECT_EQ(result.Status, ConversionStatus::SourceCannotOpen);
    EXPECT_EQ(result.Path, Settings.SourcePath);
    EXPECT_EQ(result.Reason, "cannot open the picture: the file does not exist");
    EXPECT_FALSE(Exists(Settings.TargetPath));
    EXPECT_TRUE(ShellLog::Paths.empty());
}

TEST_F(ConversionRunTest, RefusedSourceLeavesAnExistingPageAlone)
{
    WriteBytes(Settings.TargetPath, std::vector<std::uint8_t>{'o', 'l', 'd'});
    auto bytes = CBmpBuilder(8, 6, 24).Build();
    bytes.resize(bytes.size() / 2);
    WriteBytes(Settings.SourcePath, bytes);
    const ConversionResult result = RunConversion(Settings, true);
    EXPECT_EQ(result.Status, ConversionStatus::SourceRefused);
    EXPECT_EQ(result.Path, Settings.SourcePath);
    EXPECT_NE(result.Reason.find("past the end"), std::string::npos);
    EXPECT_EQ(ReadText(Settings.TargetPath), "old");
    EXPECT_TRUE(ShellLog::Paths.empty());
}

TEST_F(ConversionRunTest, TargetThatCannotBeCreated)
{
    Settings.TargetPath = Dir.Path("no folder") + "/page.html";
    ConversionResult result = RunConversion(Settings, true);
    EXPECT_EQ(result.Status, ConversionStatus::TargetCannotCreate);
    EXPECT_EQ(result.Path, Settings.TargetPath);
    EXPECT_EQ(result.Reason, "cannot create the page: the folder does not exist");
    EXPECT_EQ(result.Cause, "the folder does not exist");

    Settings.TargetPath = Dir.Root();
    result = RunConversion(Settings, true);
    EXPECT_EQ(result.Status, ConversionStatus::TargetCannotCreate);
    EXPECT_TRUE(std::filesystem::is_directory(Dir.Root()));
    EXPECT_TRUE(ShellLog::Paths.empty());
}

TEST_F(ConversionRunTest, TargetThatIsTheSourceIsRefusedWithoutHarm)
{
    const std::string before = ReadText(Settings.SourcePath);
    Settings.TargetPath = Settings.SourcePath;
    const ConversionResult result = RunConversion(Settings, true);
    EXPECT_EQ(result.Status, ConversionStatus::TargetCannotCreate);
    EXPECT_EQ(result.Reason, "cannot create the page: it is the picture being converted");
    EXPECT_EQ(ReadText(Settings.SourcePath), before);
}

TEST_F(ConversionRunTest, ReadOnlyFileThatCannotBeReplacedStaysReadOnly)
{
    // The source is held open by the run, so naming it as the target fails; the
    // read-only attribute cleared on the way must come back.
    ASSERT_TRUE(SetFileAttributesA(Settings.SourcePath.c_str(), FILE_ATTRIBUTE_READONLY));
    const std::string before = ReadText(Settings.SourcePath);
    Settings.TargetPath = Settings.SourcePath;
    const ConversionResult result = RunConversion(Settings, false);
    EXPECT_EQ(result.Status, ConversionStatus::TargetCannotCreate);
    EXPECT_EQ(result.Reason, "cannot create the page: it is the picture being converted");
    EXPECT_TRUE(GetFileAttributesA(Settings.SourcePath.c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(ReadText(Settings.SourcePath), before);
    SetFileAttributesA(Settings.SourcePath.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ConversionRunTest, TargetThatIsTheSourceUnderAnotherNameIsRefused)
{
    std::vector<std::string> names = {Dir.Path(".") + "/picture.bmp"};
#ifndef _WIN32
    ASSERT_EQ(link(Settings.SourcePath.c_str(), Dir.Path("alias.html").c_str()), 0);  // a second name
    names.push_back(Dir.Path("alias.html"));
#endif
    for (const std::string& name : names)
    {
        Settings.TargetPath = name;
        EXPECT_EQ(RunConversion(Settings, true).Status, ConversionStatus::TargetCannotCreate) << name;
    }
}

TEST_F(ConversionRunTest, ReadOnlyPageIsRefusedAndKept)
{
    WriteBytes(Settings.TargetPath, std::vector<std::uint8_t>(3, 'x'));
    ASSERT_TRUE(SetFileAttributesA(Settings.TargetPath.c_str(), FILE_ATTRIBUTE_READONLY));
    const ConversionResult result = RunConversion(Settings, true);
    EXPECT_EQ(result.Status, ConversionStatus::TargetCannotCreate);
    EXPECT_EQ(result.Reason, "cannot replace the page: it is read-only");
    EXPECT_EQ(result.Cause, "it is read-only");
    EXPECT_EQ(ReadText(Settings.TargetPath), "xxx");
    EXPECT_TRUE(GetFileAttributesA(Settings.TargetPath.c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir.Root()), {}), 2);
    EXPECT_TRUE(ShellLog::Paths.empty());
    SetFileAttributesA(Settings.TargetPath.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ConversionRunTest, ReplacedPageKeepsItsPermissions)
{
    WriteBytes(Settings.TargetPath, std::vector<std::uint8_t>(3, 'x'));
#ifdef _WIN32
    ASSERT_TRUE(SetFileAttributesA(Settings.TargetPath.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
#else
    ASSERT_EQ(chmod(Settings.TargetPath.c_str(), 0640), 0);
#endif
    ASSERT_TRUE(RunConversion(Settings, false).Succeeded());
    EXPECT_EQ(ReadText(Settings.TargetPath).compare(0, 6, "<HTML>"), 0);
#ifdef _WIN32
    EXPECT_TRUE(GetFileAttributesA(Settings.TargetPath.c_str()) & FILE_ATTRIBUTE_HIDDEN);
#else
    struct stat info;
    ASSERT_EQ(stat(Settings.TargetPath.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
#endif
}

TEST_F(ConversionRunTest, APageNamedWithoutItsFolderIsReplacedInTheCurrentOne)
{
    // As a page is named on the converter's command line: a bare file name, replaced in place.
    namespace fs = std::filesystem;
    WriteBytes(Settings.TargetPath, std::vector<std::uint8_t>(3, 'x'));
    const fs::path previous = fs::current_path();
    fs::current_path(Dir.Root());
    Settings.TargetPath = fs::path(Settings.TargetPath).filename().string();
    const ConversionResult result = RunConversion(Settings, false);
    fs::current_path(previous);
    EXPECT_TRUE(result.Succeeded()) << result.Reason;
    EXPECT_EQ(ReadText(Dir.Path(Settings.TargetPath)).compare(0, 6, "<HTML>"), 0);
}

TEST_F(ConversionRunTest, AFolderAsSourceIsNamedAsOne)
{
    const std::string folder = Dir.Path("pictures.bmp");
    std::filesystem::create_directory(folder);
    Settings.SourcePath = folder;
    ConversionResult result = RunConversion(Settings, true);
    EXPECT_EQ(result.Status, ConversionStatus::SourceCannotOpen);
    EXPECT_EQ(result.Reason, "cannot open the picture: it is a folder");
    EXPECT_FALSE(Exists(Settings.TargetPath));
    std::uint32_t width = 0, height = 0;
    result = ProbeSource(folder, width, height);
    EXPECT_EQ(result.Reason, "cannot open the picture: it is a folder");
    EXPECT_EQ(result.Cause, "it is a folder");
}

// The page goes to a file of a short name of its own beside the target, seen here while the
// rows are written, so that a target whose name takes all the room the system gives still fits.
TEST_F(ConversionRunTest, ThePageIsWrittenUnderAShortNameOfItsOwnBesideTheTarget)
{
    std::vector<std::string> names;
    ASSERT_TRUE(RunConversion(Settings, false, [&](std::uint32_t done, std::uint32_t) {
                    if (done == 1)
                        for (const auto& entry : std::filesystem::directory_iterator(Dir.Root()))
                            names.push_back(entry.path().filename().string());
                }).Succeeded());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"picture.bmp", "~gc1.tmp"}));

#ifdef _WIN32
    // The whole path as long as the platform allows (MAX_PATH less the terminating zero).
    const std::size_t room = 259 - Dir.Path("").size();
#else
    const std::size_t room = 255;  // the longest name of one file
#endif
    Settings.TargetPath = Dir.Path(std::string(room - 5, 'n') + ".html");
    const ConversionResult result = RunConversion(Settings, false);
    EXPECT_TRUE(result.Succeeded()) << result.Reason;
    EXPECT_TRUE(Exists(Settings.TargetPath));
}

TEST_F(ConversionRunTest, AStoppedRunLeavesTheOldPageAndNoTemporaryFile)
{
    WriteBytes(Settings.TargetPath, std::vector<std::uint8_t>{'o', 'l', 'd'});
    ConversionStop stop{false};
    std::uint32_t rowsSeen = 0;
    const ConversionResult result = RunConversion(
        Settings, true,
        [&](std::uint32_t done, std::uint32_t) {
            rowsSeen = done;
            stop = true;
        },
        &stop);
    EXPECT_EQ(result.Status, ConversionStatus::Stopped);
    EXPECT_EQ(rowsSeen, 1u);
    EXPECT_EQ(ReadText(Settings.TargetPath), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir.Root()), {}), 2);
    EXPECT_TRUE(ShellLog::Paths.empty());
}

#ifndef _WIN32
TEST_F(ConversionRunTest, FailedWriteStopsAndIsReported)
{
    Settings.TargetPath = "/dev/full";
    const ConversionResult result = RunConversion(Settings, true);
    EXPECT_EQ(result.Status, ConversionStatus::WriteFailed);
    EXPECT_EQ(result.Path, "/dev/full");
    EXPECT_EQ(result.Reason, "cannot write the page: the disk is full");
    EXPECT_TRUE(ShellLog::Paths.empty());
    struct stat info;
    ASSERT_EQ(stat("/dev/full", &info), 0);  // the device is not "removed" as a partial page
    EXPECT_TRUE(S_ISCHR(info.st_mode));
}

// A 200 x 100 page run under a 4 KiB file size limit: a write fails part-way through it.
ConversionResult RunPastFileSizeLimit(ConversionSettings& settings)
{
    settings.Columns = 200;
    settings.Rows = 100;
    struct rlimit saved;
    EXPECT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit limited = saved;
    limited.rlim_cur = 4096;
    void (*previousHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const ConversionResult result = RunConversion(settings, true);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    return result;
}

TEST_F(ConversionRunTest, PartlyWrittenPageIsRemoved)
{
    const ConversionResult result = RunPastFileSizeLimit(Settings);
    EXPECT_EQ(result.Status, ConversionStatus::WriteFailed);
    EXPECT_EQ(result.Path, Settings.TargetPath);
    EXPECT_EQ(result.Reason, "cannot write the page: the file is too large");
    EXPECT_FALSE(Exists(Settings.TargetPath));
    EXPECT_TRUE(ShellLog::Paths.empty());
}

TEST_F(ConversionRunTest, FailedWriteKeepsTheExistingPage)
{
    WriteBytes(Settings.TargetPath, std::vector<std::uint8_t>{'o', 'l', 'd'});
    const ConversionResult result = RunPastFileSizeLimit(Settings);
    EXPECT_EQ(result.Status, ConversionStatus::WriteFailed);
    EXPECT_EQ(ReadText(Settings.TargetPath), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir.Root()), {}), 2);  // no partial file
}
#endif

TEST_F(ConversionRunTest, ProbeReportsSizeOrTheSameFailure)
{
    std::uint32_t width = 0, height = 0;
    ConversionResult result = ProbeSource(Settings.SourcePath, width, height);
    EXPECT_TRUE(result.Succeeded());
    EXPECT_EQ(width, 8u);
    EXPECT_EQ(height, 6u);
    result = ProbeSource(Dir.Path("nothing.bmp"), width, height);
    EXPECT_EQ(result.Status, ConversionStatus::SourceCannotOpen);
    EXPECT_EQ(result.Reason, "cannot open the picture: the file does not exist");
}

TEST(FileExistsTest, OnlyExistingFilesThatAreNotFolders)
{
    CTempDir dir;
    const std::string file = dir.Path("a.bmp");
    WriteBytes(file, {1});
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(dir.Root()));
    EXPECT_FALSE(FileExists(dir.Path("b.bmp")));
    EXPECT_FALSE(FileExists(""));
}
