#include "cli/SignalCleanup.h"

#ifdef _WIN32

void RemoveTemporaryPagesOnSignal()
{
}

void RemoveOnSignal(const std::string&)
{
}

#else

#include "posix/Win32Posix.h"

#include <atomic>
#include <signal.h>
#include <unistd.h>

namespace
{

const int EndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The paths to remove besides the pages: each is set before the count that covers it grows,
// and never changed after, so that the handler reads only finished strings.
const int MaximumPaths = 32;
std::string Paths[MaximumPaths];
std::atomic<int> PathCount(0);

// Runs inside the signal: only async-signal-safe calls.
void OnEndingSignal(int number)
{
    DeleteFilesMarkedForDeletion();
    for (int n = PathCount.load() - 1; n >= 0; --n)
    {
        if (unlink(Paths[n].c_str()) != 0)
            rmdir(Paths[n].c_str());
    }
    // The handler was reset on entry and the signal is blocked until it returns: raised again,
    // it then ends the process the default way.
    raise(number);
}

}  // namespace

void RemoveTemporaryPagesOnSignal()
{
    struct sigaction action = {};
    action.sa_handler = &OnEndingSignal;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int number : EndingSignals)
        sigaddset(&action.sa_mask, number);
    for (int number : EndingSignals)
    {
        struct sigaction previous = {};
        if (sigaction(number, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        sigaction(number, &action, nullptr);
    }
}

void RemoveOnSignal(const std::string& path)
{
    const int count = PathCount.load();
    if (count >= MaximumPaths)
        return;
    Paths[count] = path;
    PathCount.store(count + 1);
}

#endif
