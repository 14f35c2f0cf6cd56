// The built glyphcast-convert program, started as a separate process, alone and in pipes.
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/PictureEncoder.h"
#include "tests/engine/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace
{

// Exit status and the captured output of one run of the tool.
struct ToolRun
{
    int Status = -1;
    std::string Out;
    std::string Err;
};

// Runs the program (or, with a shell, a command line) with standard input from stdinPath.
ToolRun Spawn(const CTempDir& dir, std::vector<std::string> all, const std::string& stdinPath = "/dev/null")
{
    const std::string outPath = dir.Path("stdout.txt"), errPath = dir.Path("stderr.txt");
    std::vector<char*> argv;
    for (auto& argument : all)
        argv.push_back(&argument[0]);
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, stdinPath.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child = 0;
    ToolRun run;
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0)
    {
        int status = 0;
        if (waitpid(child, &status, 0) == child && WIFEXITED(status))
            run.Status = WEXITSTATUS(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    run.Out = ReadText(outPath);
    run.Err = ReadText(errPath);
    return run;
}

ToolRun RunTool(const CTempDir& dir, std::vector<std::string> arguments, const std::string& stdinPath = "/dev/null")
{
    arguments.insert(arguments.begin(), GLYPHCAST_CONVERT_PATH);
    return Spawn(dir, arguments, stdinPath);
}

// Runs a shell command line in which $TOOL names the program.
ToolRun RunShell(const CTempDir& dir, const std::string& command)
{
    return Spawn(dir, {"/bin/sh", "-c", "TOOL='" GLYPHCAST_CONVERT_PATH "'; " + command});
}

}  // namespace

TEST(ToolProcess, ConvertsAndStaysQuiet)
{
    CTempDir dir;
    const std::string source = dir.Path("in.bmp"), target = dir.Path("in.html");
    WriteBytes(source, CBmpBuilder(30, 20, 24).Build());
    const ToolRun run = RunTool(dir, {"--columns", "15", "--characters", "#", source});
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, "");
    const std::string page = ReadText(target);
    EXPECT_EQ(page.rfind("<HTML>\r\n", 0), 0u);
    EXPECT_NE(page.find("<FONT COLOR=#000000>#</FONT>"), std::string::npos);
}

TEST(ToolProcess, ExitStatusesAndMessages)
{
    CTempDir dir;
    ToolRun run = RunTool(dir, {});
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("--help"), std::string::npos);

    run = RunTool(dir, {"--version"});
    EXPECT_EQ(run.Status, 0);
    EXPECT_NE(run.Out.find("glyphcast-convert"), std::string::npos);

    const std::string missing = dir.Path("gone.bmp");
    run = RunTool(dir, {missing});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "glyphcast-convert: " + missing + ": cannot open the picture: the file does not exist\n");

    const std::string source = dir.Path("in.bmp");
    WriteBytes(source, CBmpBuilder(4, 4, 8).Palette({0x00FF00}).Build());
    run = RunTool(dir, {"--force", "--columns", "2", "--rows", "2", source, "-o", "/dev/full"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "glyphcast-convert: /dev/full: cannot write the page: the disk is full\n");
}

TEST(ToolProcess, PicturesThroughPipes)
{
    CTempDir dir;
    const std::string source = dir.Path("in.bmp"), page = dir.Path("in.html");
    WriteBytes(source, CBmpBuilder(64, 48, 24).FillColor(0x336699).SetColor(5, 5, 0xFFFFFF).Build());
    ASSERT_EQ(RunTool(dir, {"-c", "32", source}).Status, 0);
    const std::string expected = ReadText(page);
    ASSERT_EQ(expected.rfind("<HTML>\r\n", 0), 0u);

    // A picture piped in from cat, its page on standard output: the same bytes as the file.
    ToolRun run = RunShell(dir, "cat '" + source + "' | \"$TOOL\" -c 32 -");
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    EXPECT_EQ(run.Out, expected);
    run = RunTool(dir, {"-c", "32", "-o", "-", source});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, expected);
    // A pipe named as a file is read whole first, as standard input is.
    run = RunShell(dir, "cat '" + source + "' | \"$TOOL\" -c 32 -o '" + dir.Path("piped.html") + "' /dev/stdin");
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(ReadText(dir.Path("piped.html")), expected);
    // Standard input from a file, through the program's own reading.
    run = RunTool(dir, {"-c", "32", "-"}, source);
    EXPECT_EQ(run.Out, expected);

    // Garbage on a pipe gets the checks a file gets; nothing reaches standard output.
    run = RunShell(dir, "printf 'no picture here' | \"$TOOL\" -");
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, "glyphcast-convert: standard input: not a picture Glyphcast can read\n");
    // An endless stream that is no picture is refused from its first bytes, not read to its end.
    run = RunTool(dir, {"/dev/zero"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "glyphcast-convert: /dev/zero: not a picture Glyphcast can read\n");
}

TEST(ToolProcess, ConvertsPicturesOfOtherFormatsAndNamesDamage)
{
    CTempDir dir;
    TestPicture picture(40, 20);
    for (std::uint32_t y = 0; y < 20; ++y)
        for (std::uint32_t x = 0; x < 40; ++x)
            picture.Set(x, y, 0, 255, 0, x < 20 ? 255 : 0);
    const std::string png = dir.Path("leaf.png");
    ASSERT_TRUE(WritePng(png, 40, 20, {6, 8, false}, picture.Rows()));
    ToolRun run = RunTool(dir, {"--columns", "2", "--rows", "1", "--background", "0000FF", png});
    EXPECT_EQ(run.Status, 0) << run.Err;
    // The opaque half is green; the transparent half shows the background.
    const std::string page = ReadText(dir.Path("leaf.html"));
    EXPECT_NE(page.find("<FONT COLOR=#00FF00>"), std::string::npos);
    EXPECT_NE(page.find("<FONT COLOR=#0000FF>"), std::string::npos);
    // A PNG piped in gives the same page.
    run = RunShell(dir, "cat '" + png + "' | \"$TOOL\" --columns 2 --rows 1 --background 0000FF -");
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, page);

    const std::string jpeg = dir.Path("cut.jpg");
    ASSERT_TRUE(WriteJpeg(jpeg, 40, 20, {}, picture.Rows()));
    std::string bytes = ReadText(jpeg);
    WriteBytes(jpeg, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + bytes.size() * 2 / 3));
    run = RunTool(dir, {jpeg});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "glyphcast-convert: " + jpeg + ": damaged JPEG data: Premature end of JPEG file\n");
    EXPECT_FALSE(std::filesystem::exists(dir.Path("cut.html")));

    // Stray bytes a viewer reads past: the page is written, one warning names the picture, and
    // the exit status stays 0.
    const std::string stray = dir.Path("stray.jpg");
    JpegOptions options;
    options.StrayBytes = 7;
    ASSERT_TRUE(WriteJpeg(stray, 40, 20, options, picture.Rows()));
    run = RunTool(dir, {stray});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(
        run.Err.rfind("glyphcast-convert: " + stray + ": warning: damaged JPEG data read past: Corrupt JPEG data: ", 0),
        0u)
        << run.Err;
    EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << run.Err;
    EXPECT_TRUE(std::filesystem::exists(dir.Path("stray.html")));
}

TEST(ToolProcess, NamesCharactersAndFacesInAnyScript)
{
    CTempDir dir;
    const std::string source = dir.Path("\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC.bmp");  // Greek
    WriteBytes(source, CBmpBuilder(8, 2, 24).Build());
    ToolRun run = RunTool(dir, {"--columns", "5", "--rows", "1", "--order", "sequential", "--characters",
                                "\u2588\u2593\u2592\u2591", "--font", "O'Neil Mono", source});
    EXPECT_EQ(run.Status, 0) << run.Err;
    const std::string page = ReadText(dir.Path("\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC.html"));
    EXPECT_NE(page.find("<FONT FACE='O&#39;Neil Mono' SIZE=1>"), std::string::npos);
    EXPECT_NE(page.find(">&#9608;</FONT><FONT COLOR=#000000>&#9619;</FONT><FONT COLOR=#000000>&#9618;</FONT>"
                        "<FONT COLOR=#000000>&#9617;</FONT><FONT COLOR=#000000>&#9608;</FONT><BR>"),
              std::string::npos);

    run = RunTool(dir, {"--characters", "\xE2\x96", source});
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("--characters must be UTF-8 text"), std::string::npos);
}
