// The built glyphcast-convert ended part-way through a long page, as a user or the system ends it:
// no temporary page is left behind and an existing page is untouched.
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace
{

// A source for a page of 5000 x 5000 cells (hundreds of MB, many seconds), and an older page.
class ToolInterrupt : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WriteBytes(Source, CBmpBuilder(64, 48, 24).FillColor(MakeRgb(1, 2, 3)).Build()));
        ASSERT_TRUE(WriteBytes(Target, std::vector<std::uint8_t>{'o', 'l', 'd'}));
    }

    std::vector<std::string> Arguments() const
    {
        return {"--force", "--columns", "5000", "--rows", "5000", Source, "--output", Target};
    }

    // Waits until the converter has started its temporary pages (count of them, in folder).
    bool TemporaryPageAppears(int count = 1, const std::string& folder = std::string()) const
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline)
        {
            // Written to, not just there: the converter marks a page for removal between
            // creating it and its first write, and a busy machine may stop it in between.
            int found = 0;
            for (int n = 1; n <= count; ++n)
            {
                std::error_code error;
                const auto size = std::filesystem::file_size(
                    (folder.empty() ? Dir.Root() : folder) + "/~gc" + std::to_string(n) + ".tmp", error);
                found += !error && size > 0;
            }
            if (found == count)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    std::vector<std::string> FolderContent() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(Dir.Root()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    void ExpectNothingLeft()
    {
        EXPECT_EQ(FolderContent(), (std::vector<std::string>{"page.html", "picture.bmp"}));
        EXPECT_EQ(ReadText(Target), "old");
    }

    CTempDir Dir;
    std::string Source = Dir.Path("picture.bmp");
    std::string Target = Dir.Path("page.html");
};

}  // namespace

#ifndef _WIN32

namespace
{

// Every signal the converter cleans up after; it dumps no core for a quit in these tests.
const int EndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};

void NoCoreDumps()
{
    struct rlimit none = {0, 0};
    setrlimit(RLIMIT_CORE, &none);
}

// Starts the converter with the ending signals at their defaults (a test runner may ignore
// SIGINT, and a child inherits that), its output thrown away, its input from input if given.
pid_t StartTool(const std::vector<std::string>& arguments, int input = -1)
{
    std::vector<std::string> all = {GLYPHCAST_CONVERT_PATH};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& argument : all)
        argv.push_back(&argument[0]);
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd : {0, 1, 2})
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    if (input >= 0)
        posix_spawn_file_actions_adddup2(&actions, input, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    sigset_t defaults, none;
    sigemptyset(&defaults);
    sigemptyset(&none);
    for (int number : EndingSignals)
        sigaddset(&defaults, number);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &none);
    pid_t child = -1;
    if (posix_spawn(&child, argv[0], &actions, &attributes, argv.data(), environ) != 0)
        child = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return child;
}

// The child's wait status once it has ended; a child that outlives the deadline is killed.
int WaitForEnd(pid_t child)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0)
    {
        if (std::chrono::steady_clock::now() > deadline)
        {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            ADD_FAILURE() << "the converter did not end on its signal";
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return status;
}

}  // namespace

TEST_F(ToolInterrupt, AnInterruptTerminationOrHangUpLeavesNoTemporaryPage)
{
    NoCoreDumps();
    for (int number : EndingSignals)
    {
        SCOPED_TRACE(strsignal(number));
        const pid_t child = StartTool(Arguments());
        ASSERT_GT(child, 0);
        const bool started = TemporaryPageAppears();
        kill(child, number);
        const int status = WaitForEnd(child);
        ASSERT_TRUE(started);
        // Ended by the signal itself, as the shell expects (130, 141 and 143 are 128 + the signal).
        EXPECT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(WIFSIGNALED(status) ? WTERMSIG(status) : 0, number);
        ExpectNothingLeft();
    }
}

TEST_F(ToolInterrupt, AQuitWithManyWorkersLeavesNoTemporaryPage)
{
    NoCoreDumps();
    const std::string pages = Dir.Path("pages");
    std::filesystem::create_directories(pages);
    std::vector<std::string> arguments = {"-j", "4", "-c", "5000", "-r", "5000", "-d", pages};
    for (int n = 1; n <= 4; ++n)
    {
        arguments.push_back(Dir.Path("picture" + std::to_string(n) + ".bmp"));
        ASSERT_TRUE(WriteBytes(arguments.back(), CBmpBuilder(64, 48, 24).Build()));
    }
    const pid_t child = StartTool(arguments);
    ASSERT_GT(child, 0);
    const bool started = TemporaryPageAppears(4, pages);
    kill(child, SIGQUIT);
    const int status = WaitForEnd(child);
    ASSERT_TRUE(started);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGQUIT) << status;
    EXPECT_TRUE(std::filesystem::is_empty(pages));
}

TEST_F(ToolInterrupt, AnInterruptAmongManySmallPagesLeavesOnlyWholePages)
{
    // Pages are begun every few milliseconds on every worker, so that the signal falls, in one run
    // or another, while a temporary page is being made on a thread other than the one it stops.
    namespace fs = std::filesystem;
    NoCoreDumps();
    const std::string pages = Dir.Path("pages");
    std::vector<std::string> arguments = {"-j", "4", "-c", "40", "-d", pages};
    for (int n = 0; n < 400; ++n)
    {
        arguments.push_back(Dir.Path("p" + std::to_string(n) + ".bmp"));
        ASSERT_TRUE(WriteBytes(arguments.back(), CBmpBuilder(64, 48, 24).Build()));
    }
    for (int run = 0; run < 12; ++run)
    {
        SCOPED_TRACE("run " + std::to_string(run));
        fs::remove_all(pages);
        fs::create_directories(pages);
        const pid_t child = StartTool(arguments);
        ASSERT_GT(child, 0);
        for (int wait = 0; wait < 3000 && fs::is_empty(pages); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(run * 5));
        kill(child, run % 2 ? SIGINT : SIGTERM);
        WaitForEnd(child);
        for (const auto& entry : fs::directory_iterator(pages))
        {
            const std::string page = ReadText(entry.path().string());
            EXPECT_EQ(entry.path().extension(), ".html") << entry.path();
            EXPECT_EQ(page.substr(page.size() - std::min<std::size_t>(page.size(), 9)), "</HTML>\r\n") << entry.path();
        }
    }
}

TEST_F(ToolInterrupt, AnInterruptWhileReadingStandardInputLeavesNoCopyOfIt)
{
    namespace fs = std::filesystem;
    const std::string scratch = Dir.Path("tmp");
    fs::create_directories(scratch);
    const char* previous = getenv("TMPDIR");
    const std::string kept = previous ? previous : "";
    setenv("TMPDIR", scratch.c_str(), 1);
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const pid_t child = StartTool({"-c", "10", "-", "-o", Dir.Path("in.html")}, pipeEnds[0]);
    previous ? setenv("TMPDIR", kept.c_str(), 1) : unsetenv("TMPDIR");
    close(pipeEnds[0]);
    ASSERT_GT(child, 0);

    // Half a picture arrives, and the converter waits for the rest in its copy of it.
    const std::vector<std::uint8_t> picture = CBmpBuilder(64, 48, 24).Build();
    ASSERT_EQ(write(pipeEnds[1], picture.data(), picture.size() / 2), static_cast<ssize_t>(picture.size() / 2));
    bool copying = false;
    for (int wait = 0; wait < 3000 && !copying; ++wait)
    {
        for (const auto& entry : fs::recursive_directory_iterator(scratch))
            copying = copying || entry.path().filename() == "source-0";
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(copying);
    kill(child, SIGINT);
    const int status = WaitForEnd(child);
    close(pipeEnds[1]);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    EXPECT_TRUE(fs::is_empty(scratch));
    EXPECT_FALSE(fs::exists(Dir.Path("in.html")));
}

#else

TEST_F(ToolInterrupt, AKilledConverterLeavesNoTemporaryPage)
{
    // The converter is built beside the tests: cli/ next to tests/cli/.
    char self[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, self, sizeof self);
    const std::filesystem::path tool =
        std::filesystem::path(self).parent_path().parent_path().parent_path() / "cli" / "glyphcast-convert.exe";
    ASSERT_TRUE(std::filesystem::exists(tool)) << tool.string();

    std::string command = "\"" + tool.string() + "\"";
    for (const std::string& argument : Arguments())
        command += " \"" + argument + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                                 &startup, &process));
    const bool started = TemporaryPageAppears();
    ::TerminateProcess(process.hProcess, 1);
    ::WaitForSingleObject(process.hProcess, 20000);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    ASSERT_TRUE(started);
    // The system closes a killed process's handles, and the page's mark removes it with them.
    ExpectNothingLeft();
}

#endif
