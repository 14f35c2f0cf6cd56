// The built glyphcast-convert program, started as a separate process, alone and in pipes.
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/PictureEncoder.h"
#include "tests/engine/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <sstream>

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
        // A signal's end as the shell tells it: 128 and the signal.
        if (waitpid(child, &status, 0) == child)
            run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
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

namespace
{

// One hostile way to run the converter: a shell command line in which $TOOL is the converter and
// $DIR a folder holding s.bmp (a 64 x 48 picture whose 300 x 300 page is 2.5 MB) and tmp/, the
// TMPDIR of the run.
struct HostileRun
{
    const char* What;
    std::string Command;
    int Status;                    // the exit status, or 128 and the signal that ended the converter
    std::vector<std::string> Err;  // every line of standard error, in any order; "..." stands for any text
    std::function<void(const CTempDir&)> Prepare = nullptr;
    std::function<void(const CTempDir&)> Check = nullptr;
};

// Whether line is pattern, whose "..." stand for any text.
bool Matches(const std::string& line, const std::string& pattern)
{
    std::size_t at = 0, from = 0;
    for (bool first = true;; first = false)
    {
        const std::size_t gap = pattern.find("...", from);
        const std::string part = pattern.substr(from, gap == std::string::npos ? std::string::npos : gap - from);
        const std::size_t found =
            gap == std::string::npos ? line.size() - std::min(line.size(), part.size()) : line.find(part, at);
        if (found == std::string::npos || (first && found != 0) || line.compare(found, part.size(), part) != 0 ||
            found < at)
            return false;
        at = found + part.size();
        if (gap == std::string::npos)
            return at == line.size();
        from = gap + 3;
    }
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string WithFolder(std::string text, const std::string& folder)
{
    for (std::size_t at = text.find("$DIR"); at != std::string::npos; at = text.find("$DIR", at + folder.size()))
        text.replace(at, 4, folder);
    return text;
}

// The files a run may have left: temporary pages anywhere, anything in tmp/.
std::vector<std::string> Leftovers(const CTempDir& dir)
{
    namespace fs = std::filesystem;
    std::vector<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(dir.Root()))
    {
        const std::string name = entry.path().filename().string();
        if (name.rfind("~gc", 0) == 0 || entry.path().parent_path() == fs::path(dir.Path("tmp")))
            left.push_back(entry.path().string());
    }
    return left;
}

}  // namespace

TEST(ToolProcess, HostileRunsLoseNothingAndLeaveNothing)
{
    namespace fs = std::filesystem;
    const std::vector<std::uint8_t> picture = CBmpBuilder(64, 48, 24).FillColor(0x336699).Build();
    const auto writeInterlaced = [](const CTempDir& dir, const std::string& name) {
        const TestPicture big = MakeStripedTestPicture(1024, 1024, 4);
        ASSERT_TRUE(WritePng(dir.Path(name), 1024, 1024, {2, 8, true}, big.Rows()));
    };
    const auto opener = [](const char* script) {
        return [script](const CTempDir& dir) {
            fs::create_directories(dir.Path("bin"));
            WriteBytes(dir.Path("bin/xdg-open"), std::vector<std::uint8_t>(script, script + std::strlen(script)));
            fs::permissions(dir.Path("bin/xdg-open"), fs::perms::owner_all);
        };
    };
    const std::string big = "-c 300 -r 300 ";
    const std::vector<HostileRun> runs = {
        {"a pipe closed early",
         "(\"$TOOL\" " + big +
             "$DIR/s.bmp -o -; echo $? >$DIR/status) | head -c 100 >/dev/null; "
             "exit $(cat $DIR/status)",
         128 + SIGPIPE,
         {}},
        {"a pipe closed early, the picture from a pipe too",
         "(cat $DIR/s.bmp | \"$TOOL\" " + big +
             "-; echo $? >$DIR/status) | head -c 100 >/dev/null; "
             "exit $(cat $DIR/status)",
         128 + SIGPIPE,
         {}},
        {"a pipe closed early, its signal ignored",
         "(trap '' PIPE; \"$TOOL\" " + big +
             "$DIR/s.bmp -o -; echo $? >$DIR/status) | head -c 100 >/dev/null; "
             "exit $(cat $DIR/status)",
         1,
         {"glyphcast-convert: standard output: cannot write the page of $DIR/s.bmp: the pipe has been closed"}},
        {"a file size limit",
         "ulimit -f 40; \"$TOOL\" " + big + "$DIR/s.bmp",
         1,
         {"glyphcast-convert: $DIR/s.html: cannot write the page: the file is too large"}},
        {"a file size limit, four workers",
         "mkdir $DIR/out; for n in 1 2 3 4; do cp $DIR/s.bmp $DIR/s$n.bmp; done; ulimit -f 40; "
         "\"$TOOL\" -j 4 " +
             big + "-d $DIR/out $DIR/s?.bmp",
         1,
         {"glyphcast-convert: $DIR/out/s1.html: cannot write the page: the file is too large",
          "glyphcast-convert: $DIR/out/s2.html: cannot write the page: the file is too large",
          "glyphcast-convert: $DIR/out/s3.html: cannot write the page: the file is too large",
          "glyphcast-convert: $DIR/out/s4.html: cannot write the page: the file is too large"},
         nullptr,
         [](const CTempDir& dir) { EXPECT_TRUE(fs::is_empty(dir.Path("out"))); }},
        {"a FIFO at the page's name",
         "mkfifo $DIR/t.html; timeout -s KILL 60 \"$TOOL\" -f $DIR/s.bmp -o $DIR/t.html",
         1,
         {"glyphcast-convert: $DIR/t.html: cannot create the page: it is a pipe, not a file"}},
        {"standard output appended to the picture",
         "\"$TOOL\" $DIR/s.bmp -o - >>$DIR/s.bmp",
         1,
         {"glyphcast-convert: standard output: it is $DIR/s.bmp, a picture being converted, which is never written "
          "to; name the page with --output"},
         nullptr,
         [&picture](const CTempDir& dir) { EXPECT_EQ(ReadBytes(dir.Path("s.bmp")), picture); }},
        {"standard output appended to the picture read from standard input",
         "\"$TOOL\" - -o - <$DIR/s.bmp >>$DIR/s.bmp",
         1,
         {"glyphcast-convert: standard output: it is standard input, a picture being converted, which is never "
          "written to; name the page with --output"},
         nullptr,
         [&picture](const CTempDir& dir) { EXPECT_EQ(ReadBytes(dir.Path("s.bmp")), picture); }},
        {"a link that leads nowhere",
         "ln -s nowhere $DIR/d.html; \"$TOOL\" $DIR/s.bmp -o $DIR/d.html",
         1,
         {"glyphcast-convert: $DIR/d.html: already exists; use --force to replace it"},
         nullptr,
         [](const CTempDir& dir) { EXPECT_TRUE(fs::is_symlink(dir.Path("d.html"))); }},
        {"a link that leads nowhere, replaced",
         "ln -s nowhere $DIR/d.html; \"$TOOL\" -f $DIR/s.bmp -o $DIR/d.html",
         0,
         {},
         nullptr,
         [](const CTempDir& dir) {
             EXPECT_FALSE(fs::is_symlink(dir.Path("d.html")));
             EXPECT_EQ(ReadText(dir.Path("d.html")).rfind("<HTML>", 0), 0u);
             EXPECT_FALSE(fs::exists(dir.Path("nowhere")));
         }},
        {"a banner with the default grid",
         "\"$TOOL\" $DIR/banner.bmp",
         0,
         {},
         [](const CTempDir& dir) { WriteBytes(dir.Path("banner.bmp"), CBmpBuilder(1000, 4, 24).Build()); },
         [](const CTempDir& dir) {
             const std::string page = ReadText(dir.Path("banner.html"));
             EXPECT_EQ(std::count(page.begin(), page.end(), '\n'),
                       7);  // three of the head, one line, three of the tail
         }},
        {"names that hold a line break and an escape sequence",
         "\"$TOOL\" $DIR/a*",
         1,
         {"glyphcast-convert: $DIR/a\\nb\\x1B[2J.bmp: not a picture Glyphcast can read"},
         [](const CTempDir& dir) {
             WriteBytes(dir.Path("a\nb\x1B[2J.bmp"), {'t', 'e', 'x', 't'});
         }},
        {"a picture larger than the memory allowed",
         "\"$TOOL\" --memory 2M $DIR/big.png",
         1,
         {"glyphcast-convert: $DIR/big.png: converting it needs ... MiB of memory, more than the 2.00 MiB allowed "
          "(see --memory)"},
         [&](const CTempDir& dir) { writeInterlaced(dir, "big.png"); }},
        {"a photo page of more cells than the memory allowed holds",
         "\"$TOOL\" --memory 2M --style photo -c 1000 -r 1000 $DIR/small.bmp",
         1,
         {"glyphcast-convert: $DIR/small.bmp: converting it needs ... MiB of memory, more than the 2.00 MiB allowed "
          "(see --memory)"},
         [](const CTempDir& dir) { WriteBytes(dir.Path("small.bmp"), CBmpBuilder(8, 8, 24).Build()); }},
        {"pictures that fit the memory allowed only one at a time",
         "\"$TOOL\" -j 2 --memory 6M $DIR/big1.png $DIR/big2.png",
         0,
         {},
         [&](const CTempDir& dir) {
             writeInterlaced(dir, "big1.png");
             writeInterlaced(dir, "big2.png");
         },
         [](const CTempDir& dir) {
             EXPECT_TRUE(fs::exists(dir.Path("big1.html")));
             EXPECT_TRUE(fs::exists(dir.Path("big2.html")));
         }},
        {"a picture that is a loop of links",
         "ln -s loop $DIR/loop; \"$TOOL\" $DIR/loop",
         1,
         {"glyphcast-convert: $DIR/loop: cannot open the picture: its symbolic links lead round in a loop"}},
        {"standard input closed",
         "\"$TOOL\" - <&-",
         1,
         {"glyphcast-convert: standard input: cannot read the picture: it is closed"}},
        {"standard input a folder",
         "\"$TOOL\" - <$DIR",
         1,
         {"glyphcast-convert: standard input: cannot read the picture: it is a folder"}},
        {"standard input empty",
         "\"$TOOL\" - </dev/null",
         1,
         {"glyphcast-convert: standard input: no picture arrived: the input is empty"}},
        {"a file as the folder of the pages",
         "\"$TOOL\" -d $DIR/s.bmp/ $DIR/s.bmp",
         2,
         {"glyphcast-convert: $DIR/s.bmp/: it is a file, not a folder (--output-dir)",
          "Try 'glyphcast-convert --help' for more information."}},
        {"a missing folder of the pages",
         "\"$TOOL\" -d $DIR/none $DIR/s.bmp",
         2,
         {"glyphcast-convert: $DIR/none: the folder does not exist (--output-dir)",
          "Try 'glyphcast-convert --help' for more information."}},
        {"a page name over 255 bytes",
         "\"$TOOL\" $DIR/s.bmp -o $DIR/$(printf %0300d 0).html",
         1,
         {"glyphcast-convert: $DIR/0...0.html: cannot create the page: the name is too long"}},
        {"a full disk on standard output",
         "\"$TOOL\" $DIR/s.bmp -o - >/dev/full",
         1,
         {"glyphcast-convert: standard output: cannot write the page of $DIR/s.bmp: the disk is full"}},
        {"an empty TMPDIR",
         "TMPDIR= \"$TOOL\" -c 10 $DIR/s.bmp -o - >$DIR/out.html",
         0,
         {},
         nullptr,
         [](const CTempDir& dir) { EXPECT_EQ(ReadText(dir.Path("out.html")).rfind("<HTML>", 0), 0u); }},
        {"control characters to draw with",
         "\"$TOOL\" --characters \"$(printf '\\001\\177')\" $DIR/s.bmp",
         2,
         {"glyphcast-convert: --characters must not hold control characters, which no page can show",
          "Try 'glyphcast-convert --help' for more information."}},
        {"an opener that fails",
         "PATH=$DIR/bin:$PATH \"$TOOL\" --open $DIR/s.bmp",
         0,
         {"glyphcast-convert: $DIR/s.html: written, but no program could open it"},
         opener("#!/bin/sh\nexit 3\n")},
        {"an opener that works",
         "PATH=$DIR/bin:$PATH \"$TOOL\" --open $DIR/s.bmp",
         0,
         {},
         opener("#!/bin/sh\necho \"$1\" >\"${1%.html}.opened\"\n"),
         [](const CTempDir& dir) { EXPECT_EQ(ReadText(dir.Path("s.opened")), dir.Path("s.html") + "\n"); }},
    };
    for (const HostileRun& run : runs)
    {
        SCOPED_TRACE(run.What);
        CTempDir dir, captured;
        ASSERT_TRUE(WriteBytes(dir.Path("s.bmp"), picture));
        fs::create_directories(dir.Path("tmp"));
        if (run.Prepare)
            run.Prepare(dir);
        const ToolRun result = Spawn(captured, {"/bin/sh", "-c",
                                                "TOOL='" GLYPHCAST_CONVERT_PATH "'; export TMPDIR=" + dir.Path("tmp") +
                                                    "; " + WithFolder(run.Command, dir.Root())});
        EXPECT_EQ(result.Status, run.Status) << result.Err;
        std::vector<std::string> lines = Lines(result.Err);
        std::vector<std::string> expected;
        for (const std::string& line : run.Err)
            expected.push_back(WithFolder(line, dir.Root()));
        std::sort(lines.begin(), lines.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(lines.size(), expected.size()) << result.Err;
        for (std::size_t n = 0; n < std::min(lines.size(), expected.size()); ++n)
            EXPECT_TRUE(Matches(lines[n], expected[n])) << lines[n] << "\nis not\n" << expected[n];
        EXPECT_EQ(Leftovers(dir), std::vector<std::string>{});
        if (run.Check)
            run.Check(dir);
    }
}
