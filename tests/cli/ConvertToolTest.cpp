// The tool's run: page naming, grid from the picture, replacing, many pictures on threads,
// standard input and output, the clipboard, messages and exit statuses, called directly with
// captured streams.
#include "base/TextEncoding.h"
#include "cli/ConvertTool.h"
#include "base/Win32Api.h"
#include "engine/ConversionRun.h"
#include "engine/SourcePicture.h"
#include "output/PageConversion.h"
#include "output/TargetCheck.h"
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#ifdef _WIN32
#include "output/Clipboard.h"
#include "tests/engine/ClipboardContent.h"

#include <windows.h>
#endif

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

    int Run(std::vector<std::string> arguments, const std::string& input = std::string())
    {
        In.str(input);
        In.clear();
        Out.str("");
        Err.str("");
        return RunConvertTool(arguments, In, Out, Err, false);
    }

    // The names in the test's folder with their content, to see what a run changed.
    std::map<std::string, std::string> Folder() const
    {
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(Dir.Root()))
            files[entry.path().string()] = entry.is_regular_file() ? ReadText(entry.path().string()) : "<folder>";
        return files;
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
    std::istringstream In;
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
    EXPECT_EQ(RunConvertTool({"--force", Source}, In, Out, Err, true), ExitWritten);
    EXPECT_EQ(Err.str(), "");
}

TEST_F(ConvertTool, OneCountGivesTheOtherByTheProportionRule)
{
    const std::string target = Dir.Path("page.html");
    ASSERT_EQ(Run({"--columns", "50", Source, "-o", target}), ExitWritten) << Err.str();
    EXPECT_EQ(Grid(ReadText(target)), std::make_pair(std::size_t(50), std::size_t(12)));
    ASSERT_EQ(Run({"--force", "--rows", "10", Source, "-o", target}), ExitWritten) << Err.str();
    EXPECT_EQ(Grid(ReadText(target)), std::make_pair(std::size_t(40), std::size_t(10)));
    ASSERT_EQ(Run({"--force", "--rows", "3", "--columns", "7", Source, "-o", target}), ExitWritten);
    EXPECT_EQ(Grid(ReadText(target)), std::make_pair(std::size_t(7), std::size_t(3)));

    Picture(100, 1000);  // tall: the rows become 100, the columns follow
    ASSERT_EQ(Run({"--force", Source, "-o", target}), ExitWritten) << Err.str();
    EXPECT_EQ(Grid(ReadText(target)), std::make_pair(std::size_t(20), std::size_t(100)));
}

// The photo style: its page, its characters, and its cell half as wide as high for the grid.
TEST_F(ConvertTool, WritesThePhotoStyle)
{
    const std::string target = Dir.Path("page.html");
    SetTextCodePage(TextCodePage::Utf8);  // as the tool's main sets it on every system
    const int status = Run({"--style", "photo", "--columns", "50", Source, "-o", target});
    SetTextCodePage(TextCodePage::Active);
    ASSERT_EQ(status, ExitWritten) << Err.str();
    const std::string page = ReadText(target);
    EXPECT_EQ(page.rfind("<!DOCTYPE html>\n", 0), 0u);
    // 200 x 100: trunc(50 * 0.5 / 2) = 12 rows, one line each, of 50 half blocks or spaces.
    const std::string body = page.substr(page.find("<pre>") + 5, page.find("</pre>") - page.find("<pre>") - 5);
    std::size_t lines = 0, blocks = 0, spaces = 0;
    for (std::size_t at = 0; at < body.size(); ++at)
    {
        if (body[at] == '<')
            at = body.find('>', at);
        else if (body[at] == '\n')
            ++lines;
        else if (body[at] == ' ')
            ++spaces;
        else if (body.compare(at, 3, "\xE2\x96\x80") == 0 || body.compare(at, 3, "\xE2\x96\x84") == 0)
            ++blocks, at += 2;
    }
    EXPECT_EQ(lines, 12u);
    EXPECT_EQ(blocks + spaces, 50u * 12u);
    EXPECT_EQ(Err.str(), "");
}

TEST_F(ConvertTool, DerivedCountAbove5000IsAFailure)
{
    // A derived count is at least 1 (the rule's own test shows it); millions are the user's to cut.
    Picture(2, 4000);
    EXPECT_EQ(Run({"--columns", "5000", Source}), ExitFailed);
    EXPECT_EQ(Err.str(),
              "glyphcast-convert: " + Source +
                  ": the picture's proportions give 4999999 rows (1 to 5000 allowed); give --columns and --rows\n");
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
    EXPECT_EQ(Run({missing, "-o", Dir.Path("x.html")}), ExitFailed);
    EXPECT_EQ(Err.str(), "glyphcast-convert: " + missing + ": cannot open the picture: the file does not exist\n");

    WriteBytes(Source, {'B', 'M', 0, 0});
    EXPECT_EQ(Run({Source}), ExitFailed);
    EXPECT_EQ(Err.str(), "glyphcast-convert: " + Source +
                             ": not a bitmap this program can read: the file is too short for its headers\n");

    Picture(4, 4);
    const std::string nowhere = Dir.Path("none") + "/x.html";
    EXPECT_EQ(Run({Source, "--output", nowhere}), ExitFailed);
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
    EXPECT_EQ(Run({Source, Source, "-o", Dir.Path("one.html")}), ExitUsage);
    EXPECT_FALSE(std::filesystem::exists(DefaultTarget));
    EXPECT_FALSE(std::filesystem::exists(Dir.Path("one.html")));
}

TEST_F(ConvertTool, PagesAreNamedAfterTheFileNameOnly)
{
    // No extension: ".html" is added. A dotted folder holds no extension, and a leading dot
    // starts a name rather than an extension.
    namespace fs = std::filesystem;
    fs::create_directories(Dir.Path("my.pics"));
    const std::string bare = (fs::path(Dir.Path("my.pics")) / "cat").string();
    const std::string hidden = (fs::path(Dir.Path("my.pics")) / ".bmp").string();
    WriteBytes(bare, CBmpBuilder(2, 2, 24).Build());
    WriteBytes(hidden, CBmpBuilder(2, 2, 24).Build());
    EXPECT_EQ(Run({bare, hidden}), ExitWritten) << Err.str();
    EXPECT_TRUE(fs::exists(bare + ".html"));
    EXPECT_TRUE(fs::exists(hidden + ".html"));
    EXPECT_FALSE(fs::exists(Dir.Path("my.html")));

    // Into another folder, by file name; a folder that is not there fails once, before anything.
    fs::create_directories(Dir.Path("pages"));
    EXPECT_EQ(Run({"-d", Dir.Path("pages"), Source, bare}), ExitWritten) << Err.str();
    EXPECT_TRUE(fs::exists(Dir.Path("pages/photo.html")));
    EXPECT_TRUE(fs::exists(Dir.Path("pages/cat.html")));
    const auto before = Folder();
    EXPECT_EQ(Run({"-d", Dir.Path("none"), Source}), ExitUsage);
    EXPECT_EQ(Err.str(), "glyphcast-convert: " + Dir.Path("none") +
                             ": the folder does not exist (--output-dir)\n"
                             "Try 'glyphcast-convert --help' for more information.\n");
    EXPECT_EQ(Run({"-d", Source + "/", Source}), ExitUsage);
    EXPECT_EQ(Err.str().substr(0, Err.str().find('\n')),
              "glyphcast-convert: " + Source + "/: it is a file, not a folder (--output-dir)");
    EXPECT_EQ(Folder(), before);
}

TEST_F(ConvertTool, ManySourcesGiveOnePageEachAndChangeNothingElse)
{
    const std::string second = Dir.Path("w2.bmp");
    WriteBytes(second, CBmpBuilder(30, 20, 24).FillColor(0x00FF00).Build());
    auto expected = Folder();
    // The old "SOURCE TARGET" reading of this line replaced the picture w2.bmp.
    ASSERT_EQ(Run({"--force", Source, second}), ExitWritten) << Err.str();
    EXPECT_EQ(Err.str(), "");
    const auto after = Folder();
    ASSERT_EQ(after.size(), expected.size() + 2);
    for (const auto& [path, content] : expected)
        EXPECT_EQ(after.at(path), content) << path;
    EXPECT_EQ(Grid(after.at(DefaultTarget)), std::make_pair(std::size_t(100), std::size_t(25)));
    EXPECT_NE(after.at(Dir.Path("w2.html")).find("<FONT COLOR=#00FF00>"), std::string::npos);
}

TEST_F(ConvertTool, APictureIsNeverReplaced)
{
    const std::string other = Dir.Path("other.bmp");
    WriteBytes(other, CBmpBuilder(3, 3, 8).Palette({0x123456}).Build());
    const std::string picture = ReadText(other);
    // Known by its first bytes, even where this build has no decoder for it.
    const std::string png = Dir.Path("page.html");
    WriteBytes(png, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'});
    EXPECT_EQ(Run({"-f", "-o", png, Source}), ExitFailed);
    EXPECT_EQ(Err.str(),
              "glyphcast-convert: " + png + ": is a PNG picture, which is never replaced; choose another page name\n");
    EXPECT_EQ(ReadText(png).size(), 16u);
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"-f", "-o", other, Source}, other},             // another picture
        {{"-f", "-o", Source, Source}, Source},           // the source itself
        {{"--force", "--output=" + other, "-"}, other}};  // from standard input
    for (const auto& [arguments, path] : cases)
    {
        EXPECT_EQ(Run(arguments, ReadText(Source)), ExitFailed);
        EXPECT_EQ(Err.str(), "glyphcast-convert: " + path +
                                 ": is a BMP picture, which is never replaced; choose another page name\n");
    }
    EXPECT_EQ(ReadText(other), picture);

    // A picture where a page would go is known by its content, whatever its name.
    std::filesystem::create_directories(Dir.Path("pages"));
    const std::string disguised = Dir.Path("pages/photo.html");
    WriteBytes(disguised, CBmpBuilder(2, 2, 24).Build());
    const std::string before = ReadText(disguised);
    EXPECT_EQ(Run({"-f", "-d", Dir.Path("pages"), Source}), ExitFailed);
    EXPECT_EQ(ReadText(disguised), before);
    // ... and a page that is not a picture is replaced when asked.
    WriteBytes(disguised, {'o', 'l', 'd'});
    EXPECT_EQ(Run({"-f", "-d", Dir.Path("pages"), Source}), ExitWritten) << Err.str();
    EXPECT_EQ(ReadText(disguised).compare(0, 6, "<HTML>"), 0);
}

TEST_F(ConvertTool, AFileThatCannotBeReadIsNeverReplacedEither)
{
    // Held by another program that lets nobody read it: whatever it holds may be a picture.
    const std::string target = Dir.Path("held.html");
    WriteBytes(target, {0x89, 'P', 'N', 'G'});
    HANDLE held = CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Run({"--force", Source, "-o", target}), ExitFailed);
    CloseHandle(held);
    EXPECT_EQ(Err.str(), "glyphcast-convert: " + target +
                             ": cannot replace the page: it cannot be read (the file is in use), so it may be a "
                             "picture\n");
    EXPECT_EQ(ReadText(target), std::string("\x89PNG"));
}

TEST_F(ConvertTool, OneFailureAmongThreeLeavesTheOtherPages)
{
    const std::string broken = Dir.Path("broken.bmp"), third = Dir.Path("third.bmp");
    WriteBytes(broken, {'B', 'M', 1, 2, 3});
    WriteBytes(third, CBmpBuilder(8, 8, 24).Build());
    for (const char* jobs : {"1", "3"})
    {
        EXPECT_EQ(Run({"-f", "-j", jobs, Source, broken, third}), ExitFailed);
        EXPECT_EQ(Err.str(), "glyphcast-convert: " + broken +
                                 ": not a bitmap this program can read: the file is too short for its headers\n");
        EXPECT_EQ(ReadText(DefaultTarget).compare(0, 6, "<HTML>"), 0);
        EXPECT_EQ(ReadText(Dir.Path("third.html")).compare(0, 6, "<HTML>"), 0);
        EXPECT_FALSE(std::filesystem::exists(Dir.Path("broken.html")));
    }
}

TEST_F(ConvertTool, TwoSourcesForOnePageConvertOnlyTheFirst)
{
    const std::string bare = Dir.Path("photo");
    WriteBytes(bare, CBmpBuilder(2, 2, 24).Build());
    EXPECT_EQ(Run({Source, bare}), ExitFailed);
    EXPECT_EQ(Err.str(), "glyphcast-convert: " + bare + ": its page " + DefaultTarget + " would also be the page of " +
                             Source + "; use --output-dir or rename one of them\n");
    EXPECT_EQ(Grid(ReadText(DefaultTarget)), std::make_pair(std::size_t(100), std::size_t(25)));

    // A file that is no picture fails on its own and leaves the name to the picture after it.
    const std::string page = ReadText(DefaultTarget);
    std::filesystem::remove(DefaultTarget);
    WriteBytes(bare, {'t', 'e', 'x', 't'});
    EXPECT_EQ(Run({bare, Source}), ExitFailed);
    EXPECT_EQ(Err.str(), "glyphcast-convert: " + bare + ": not a picture Glyphcast can read\n");
    EXPECT_EQ(ReadText(DefaultTarget), page);
}

TEST_F(ConvertTool, ThreadsWriteThePagesOneAtATimeWould)
{
    // Random order draws from each page's own generator: pages written side by side must not
    // take each other's draws, columns or characters.
    namespace fs = std::filesystem;
    std::vector<std::string> sources;
    for (int n = 0; n < 6; ++n)
    {
        sources.push_back(Dir.Path("p" + std::to_string(n) + ".bmp"));
        WriteBytes(sources.back(), CBmpBuilder(40 + n, 30, 24).FillColor(0x102030u * (n + 1)).Build());
    }
    std::map<std::string, std::string> pages[2];
    for (int pass = 0; pass < 2; ++pass)
    {
        const std::string folder = Dir.Path(pass == 0 ? "one" : "two");
        fs::create_directories(folder);
        std::vector<std::string> arguments = {"-j",           pass == 0 ? "1" : "2",        "-c", "120",
                                              "--characters", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "-d", folder};
        arguments.insert(arguments.end(), sources.begin(), sources.end());
        ASSERT_EQ(Run(arguments), ExitWritten) << Err.str();
        for (const auto& entry : fs::directory_iterator(folder))
            pages[pass][entry.path().filename().string()] = ReadText(entry.path().string());
    }
    ASSERT_EQ(pages[0].size(), 6u);
    EXPECT_EQ(pages[0], pages[1]);
}

TEST_F(ConvertTool, StandardInputAndOutput)
{
    ASSERT_EQ(Run({"-c", "30", Source}), ExitWritten);
    const std::string page = ReadText(DefaultTarget);

    // The page on standard output is the page written to a file, byte for byte.
    EXPECT_EQ(Run({"-c", "30", "-o", "-", Source}), ExitWritten) << Err.str();
    EXPECT_EQ(Out.str(), page);
    // A picture from standard input gets the same page; by default the page goes to standard output.
    EXPECT_EQ(Run({"-c", "30", "-"}, ReadText(Source)), ExitWritten) << Err.str();
    EXPECT_EQ(Out.str(), page);
    EXPECT_EQ(Run({"-c", "30", "-", "-o", Dir.Path("in.html")}, ReadText(Source)), ExitWritten) << Err.str();
    EXPECT_EQ(Out.str(), "");
    EXPECT_EQ(ReadText(Dir.Path("in.html")), page);

    // It gets the same checks as a file, and failures name it.
    EXPECT_EQ(Run({"-"}, "BM not really"), ExitFailed);
    EXPECT_EQ(Err.str(), "glyphcast-convert: standard input: not a bitmap this program can read: the file is too "
                         "short for its headers\n");
    EXPECT_EQ(Out.str(), "");
    // Nothing of a page reaches standard output when its conversion fails.
    Picture(2, 4000);
    EXPECT_EQ(Run({"-c", "5000", "-o", "-", Source}), ExitFailed);
    EXPECT_EQ(Out.str(), "");
}

TEST_F(ConvertTool, HelpAndVersionGoToStandardOutput)
{
    EXPECT_EQ(Run({"--help"}), ExitWritten);
    EXPECT_EQ(Out.str().rfind("Usage: glyphcast-convert [options] SOURCE...\n", 0), 0u);
    EXPECT_NE(Out.str().find("--background COLOR"), std::string::npos);
    EXPECT_NE(Out.str().find("PNG, JPEG, GIF"), std::string::npos);
    EXPECT_EQ(Err.str(), "");
    EXPECT_EQ(Run({"--version"}), ExitWritten);
    EXPECT_EQ(Out.str().rfind("glyphcast-convert (Glyphcast) ", 0), 0u);
}

#ifdef _WIN32
TEST_F(ConvertTool, ClipboardTakesTheOnePageAsHtmlAndText)
{
    ASSERT_TRUE(PutTextOnClipboard("before"));
    EXPECT_EQ(Run({"--clipboard", "--characters", "ab", "--order", "sequential", "-c", "3", "-r", "2", Source}),
              ExitWritten);
    EXPECT_EQ(Err.str(), "");
    EXPECT_NE(ClipboardBytes(HtmlClipboardFormat()).find("<FONT COLOR=#"), std::string::npos);
    EXPECT_EQ(ClipboardWideText(), L"aba\r\nbab\r\n");
    EXPECT_NE(ReadText(DefaultTarget).find("<FONT COLOR"), std::string::npos);
}

TEST_F(ConvertTool, ClipboardRefusesSeveralPagesAndTooLargeAPage)
{
    EXPECT_EQ(Run({"--clipboard", Source, Source + "2"}), ExitUsage);
    EXPECT_NE(Err.str().find("--clipboard copies the page of a single SOURCE"), std::string::npos) << Err.str();

    ASSERT_TRUE(PutTextOnClipboard("before"));
    EXPECT_EQ(Run({"--clipboard", "-c", "500", "-r", "300", Source}), ExitFailed);
    EXPECT_EQ(Err.str().rfind("glyphcast-convert: " + DefaultTarget +
                                  ": written, but not copied to the clipboard: with 150000 characters it is too large",
                              0),
              0u)
        << Err.str();
    EXPECT_EQ(ClipboardAnsiText(), "before");
    EXPECT_NE(ReadText(DefaultTarget).find("<FONT COLOR"), std::string::npos);
}
#else
TEST_F(ConvertTool, ClipboardIsRefusedOffWindowsWithWhatToDoInstead)
{
    EXPECT_EQ(Run({"--clipboard", Source}), ExitUsage);
    EXPECT_NE(
        Err.str().find("--clipboard copies pages on Windows only; here '-o -' writes the page to standard output"),
        std::string::npos)
        << Err.str();
    EXPECT_EQ(Run({"--help"}), ExitWritten);
    EXPECT_EQ(Out.str().find("--clipboard"), std::string::npos);
}
#endif
