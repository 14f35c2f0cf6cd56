// The built glyphcast-convert ended part-way through a long page, as a user or the system ends it:
// no temporary page is left behind and an existing page is untouched.
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;
#endif

namespace
{

// Starts the converter on a page of 5000 x 5000 cells (hundreds of MB, many seconds) over an older
// page, and waits until its temporary page is there; false when it never came.
class ToolInterrupt : public ::testing::Test
{
protected:
    bool StartAndWaitForTheTemporaryPage();
    void EndTool(int how);

    void ExpectNothingLeft()
    {
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir.Root()), {}), 2);  // source and page
        EXPECT_EQ(ReadText(Target), "old");
    }

    CTempDir Dir;
    std::string Source = Dir.Path("picture.bmp");
    std::string Target = Dir.Path("page.html");
    std::vector<std::string> Arguments = {"--force", "--columns", "5000", "--rows", "5000", Source, Target};
    int Status = -1;  // how the tool ended
#ifdef _WIN32
    PROCESS_INFORMATION Process = {};
#else
    pid_t Child = -1;
#endif
};

bool ToolInterrupt::StartAndWaitForTheTemporaryPage()
{
    WriteBytes(Source, CBmpBuilder(64, 48, 24).FillColor(MakeRgb(1, 2, 3)).Build());
    WriteBytes(Target, std::vector<std::uint8_t>{'o', 'l', 'd'});
#ifdef _WIN32
    // The converter is built beside the tests: cli/ next to tests/cli/.
    char self[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, self, sizeof self);
    std::string command =
        "\"" + (std::filesystem::path(self).parent_path() / "../../cli/glyphcast-convert.exe").string() + "\"";
    for (const std::string& argument : Arguments)
        command += " \"" + argument + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                          &Process))
        return false;
#else
    // With the ending signals at their defaults (a test runner may ignore SIGINT, which children
    // inherit) and the output thrown away.
    std::vector<char*> argv = {const_cast<char*>(GLYPHCAST_CONVERT_PATH)};
    for (std::string& argument : Arguments)
        argv.push_back(&argument[0]);
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int number : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&defaults, number);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    const int error = posix_spawn(&Child, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return false;
#endif
    for (int wait = 0; wait < 3000; ++wait)
    {
        if (std::filesystem::exists(Dir.Path("~gc1.tmp")))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// Ends the tool (a signal here, TerminateProcess on Windows) and waits for it.
void ToolInterrupt::EndTool(int how)
{
#ifdef _WIN32
    ::TerminateProcess(Process.hProcess, static_cast<UINT>(how));
    ::WaitForSingleObject(Process.hProcess, 20000);
    ::CloseHandle(Process.hThread);
    ::CloseHandle(Process.hProcess);
#else
    kill(Child, how);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (waitpid(Child, &Status, WNOHANG) == 0)
    {
        if (std::chrono::steady_clock::now() > deadline)
            kill(Child, SIGKILL);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
#endif
}

}  // namespace

#ifdef _WIN32
TEST_F(ToolInterrupt, AKilledConverterLeavesNoTemporaryPage)
{
    // The system closes a killed process's handles, and the page's deletion mark goes with them.
    const bool started = StartAndWaitForTheTemporaryPage();
    EndTool(1);
    ASSERT_TRUE(started);
    ExpectNothingLeft();
}
#else
TEST_F(ToolInterrupt, AnInterruptTerminationOrHangUpLeavesNoTemporaryPage)
{
    for (int number : {SIGINT, SIGTERM, SIGHUP})
    {
        SCOPED_TRACE(strsignal(number));
        const bool started = StartAndWaitForTheTemporaryPage();
        EndTool(number);
        ASSERT_TRUE(started);
        // Ended by the signal itself, as the shell expects (130 and 143 are 128 + the signal).
        EXPECT_TRUE(WIFSIGNALED(Status) && WTERMSIG(Status) == number) << Status;
        ExpectNothingLeft();
    }
}
#endif
