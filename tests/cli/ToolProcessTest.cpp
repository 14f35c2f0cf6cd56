// The built glyphcast-convert program, started as a separate process, alone and in pipes.
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/TempDir.h"

#include <gtest/gtest.h>

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
