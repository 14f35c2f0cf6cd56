#include "cli/SignalCleanup.h"

#ifdef _WIN32

void RemoveTemporaryPagesOnSignal()
{
}

#else

#include "posix/Win32Posix.h"

#include <signal.h>

namespace
{

const int EndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Runs inside the signal: only async-signal-safe calls.
void OnEndingSignal(int number)
{
    DeleteFilesMarkedForDeletion();
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

#endif
