// The tool's run: target naming, grid from the picture, replacing, messages and
// exit statuses, called directly with captured output.
#include "cli/ConvertTool.h"
#include "engine/ConversionRun.h"
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace
{

std::vector<std::string> OpenedPaths;

bool RecordOpen(const std::string& path)
{
    OpenedPaths.push_back(path);
    return true;
}

class ConvertTool : public ::testing::Test
{
protected:
    void SetUp() override
    {
        OpenedPaths.clear();
        Previous = SetShellOpener(&RecordOpen);
        Picture(200, 100);
    }

    void TearDown() override { SetShellOpener(Previous); }

    // Writes a 24-bit source picture of the given size.
    void Picture(int width, int height)
    {
        CBmpBuilder picture(width, height, 24);
        picture.SetColor(0, 0, 0x0000FF);
        WriteBytes(Source, picture.Build());
    }

    int Run(std::vector<std::string> arguments)
    {
        Out.str("");
        Err.str("");
        return RunConvertTool(arguments, Out, Err, false);
    }

    // Cells per line and number of lines of a written page.
    static std::pair<std::size_t, std::size_t> Grid(const std::string& page)
    {
        std::size_t lines = 0, cells = 0;
        for (std::size_t at = page.find("<BR>"); at != std::string::npos; at = page.find("<BR>", at + 1))
            ++lines;
        for (std::size_t at = page.find("<FONT COLOR"); at != std::string::npos; at = page.find("<FONT COLOR", at + 1))
            ++cells;
        return {lines ? cells / lines : 0, lines};
    }

    CTempDir Dir;
    std::string Source = Dir.Path("photo.bmp");
    std::string DefaultTarget = Dir.Path("photo.html");
    std::ostringstream Out, Err;
    ShellOpener Previous = nullptr;
};

}  // namespace

TEST_F(ConvertTool, WritesTheDefaultTargetQuietly)
{
    EXPECT_EQ(Run({Source}), ExitWritten);
    EXPECT_EQ(Out.str(), "");
    EXPECT_EQ(Err.str(), "");
    const std::string page = ReadText(DefaultTarget);
    EXPECT_EQ(page.compare(0, 31, "<HTML>\r\n<BODY BGCOLOR=#000000>\r"), 0);
    EXPECT_NE(page.find("FACE='Courier New'"), std::string::npos);
    // The first cell covers 2 x 4 pixels, one of them the red corner: 255 / 8.
    EXPECT_EQ(page.find("<FONT COLOR"), page.find("<FONT COLOR=#1F0000>0</FONT>"));
    // 200 x 100 with half-wide characters: 100 columns, trunc(100 * 0.5 / 2) = 25 rows.
    EXPECT_EQ(Grid(page), std::make_pair(std::size_t(100), std::size_t(25)));
    EXPECT_TRUE(OpenedPaths.empty());

    // On a terminal too, a conversion well under a second shows no progress.
    EXPECT_EQ(RunConvertTool({"--force", Source}, Out, Err, true), ExitWritten);
    EXPECT_EQ(Err.str(), "");
}

TEST_F(ConvertTool, OneCountGivesTheOtherByTheProportionRule)
{
    const std::string target = Dir.Path("page.html");
    ASSERT_EQ(Run({"--columns", "50", Source, target}), ExitWritten) << Err.str();
    EXPECT_EQ(Grid(ReadText(target)), std::make_pair(std::size_t(50), std::size_t(12)));
    ASSERT_EQ(Run({"--force", "--rows", "10", Source, target}), ExitWritten) << Err.str();
    EXPECT_EQ(Grid(ReadText(target)), std::make_pair(std::size_t(40), std::size_t(10)));
    ASSERT_EQ(Run({"--force", "--rows", "3", "--columns", "7", Source, target}), ExitWritten);
    EXPECT_EQ(Grid(ReadText(target)), std::make_pair(std::size_t(7), std::size_t(3)));

    Picture(100, 1000);  // tall: the rows become 100, the columns follow
    ASSERT_EQ(Run({"--force", Source, target}), ExitWritten) << Err.str();
    EXPECT_EQ(Grid(ReadText(target)), std::make_pair(std::size_t(20), std::size_t(100)));
}

TEST_F(ConvertTool, DerivedCountOutOfRangeIsAFailure)
{
    Picture(4000, 2);
    EXPECT_EQ(Run({"--columns", "10", Source}), ExitFailed);
    EXPECT_EQ(Err.str(),
              "glyphcast-convert: " + Source +
                  ": the picture's proportions give 0 rows (1 to 5000 allowed); give --columns and --rows\n");
    EXPECT_FALSE(std::filesystem::exists(DefaultTarget));
}

TEST_F(ConvertTool, ExistingTargetNeedsForce)
{
    WriteBytes(DefaultTarget, {'k', 'e', 'e', 'p'});
    EXPECT_EQ(Run({Source}), ExitFailed);
    EXPECT_EQ(Err.str(), "glyphcast-convert: " + DefaultTarget + ": already exists; use --force to replace it\n");
    EXPECT_EQ(ReadText(DefaultTarget), "keep");
    EXPECT_EQ(Run({"--force", Source}), ExitWritten);
    EXPECT_EQ(ReadText(DefaultTarget).compare(0, 6, "<HTML>"), 0);
}

TEST_F(ConvertTool, OpensThePageWhenAsked)
{
    EXPECT_EQ(Run({"--open", Source}), ExitWritten);
    EXPECT_EQ(OpenedPaths, std::vector<std::string>{DefaultTarget});
}

TEST_F(ConvertTool, FailuresPrintOneLineAndExitOne)
{
    const std::string missing = Dir.Path("missing.bmp");
    EXPECT_EQ(Run({missing, Dir.Path("x.html")}), ExitFailed);
    EXPECT_EQ(Err.str(), "glyphcast-convert: " + missing + ": cannot open the picture: the file does not exist\n");

    WriteBytes(Source, {'B', 'M', 0, 0});
    EXPECT_EQ(Run({Source}), ExitFailed);
    EXPECT_EQ(Err.str(), "glyphcast-convert: " + Source +
                             ": not a bitmap this program can read: the file is too short for its headers\n");

    Picture(4, 4);
    const std::string nowhere = Dir.Path("none") + "/x.html";
    EXPECT_EQ(Run({Source, nowhere}), ExitFailed);
    EXPECT_EQ(Err.str(), "glyphcast-convert: " + nowhere + ": cannot create the page: the folder does not exist\n");
    EXPECT_TRUE(OpenedPaths.empty());
}

TEST_F(ConvertTool, AFileThatIsNoPictureIsRefusedInOneLine)
{
    const std::string notes = Dir.Path("notes.png");
    WriteBytes(notes, {'t', 'o', ' ', 'd', 'o', '\n'});
    EXPECT_EQ(Run({notes}), ExitFailed);
    EXPECT_EQ(Err.str(), "glyphcast-convert: " + notes + ": not a picture Glyphcast can read\n");
    EXPECT_FALSE(std::filesystem::exists(Dir.Path("notes.html")));
}

TEST_F(ConvertTool, UsageErrorsExitTwoWithAHint)
{
    EXPECT_EQ(Run({}), ExitUsage);
    EXPECT_EQ(Err.str(), "glyphcast-convert: no SOURCE picture given\n"
                         "Try 'glyphcast-convert --help' for more information.\n");
    EXPECT_EQ(Run({"--rows", "0", Source}), ExitUsage);
    EXPECT_FALSE(std::filesystem::exists(DefaultTarget));

    const std::string bare = Dir.Path("picture");
    WriteBytes(bare, CBmpBuilder(2, 2, 24).Build());
    EXPECT_EQ(Run({bare}), ExitUsage);
    EXPECT_NE(Err.str().find("no extension; give TARGET"), std::string::npos);
}

TEST_F(ConvertTool, DottedFolderIsNotAnExtension)
{
    namespace fs = std::filesystem;
    fs::create_directories(Dir.Path("my.pics"));
    const std::string inFolder = (fs::path(Dir.Path("my.pics")) / "cat").string();
    WriteBytes(inFolder, CBmpBuilder(2, 2, 24).Build());
    EXPECT_EQ(Run({inFolder}), ExitUsage);
    EXPECT_FALSE(fs::exists(Dir.Path("my.html")));
}

TEST_F(ConvertTool, HelpAndVersionGoToStandardOutput)
{
    EXPECT_EQ(Run({"--help"}), ExitWritten);
    EXPECT_EQ(Out.str().rfind("Usage: glyphcast-convert [options] SOURCE [TARGET]\n", 0), 0u);
    EXPECT_NE(Out.str().find("--background COLOR"), std::string::npos);
    EXPECT_NE(Out.str().find("PNG, JPEG, GIF"), std::string::npos);
    EXPECT_EQ(Err.str(), "");
    EXPECT_EQ(Run({"--version"}), ExitWritten);
    EXPECT_EQ(Out.str().rfind("glyphcast-convert (Glyphcast) ", 0), 0u);
}
