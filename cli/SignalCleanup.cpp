#include "cli/SignalCleanup.h"

#ifdef _WIN32

void RemoveTemporaryPagesOnSignal()
{
}

void RemoveFolderOnSignal(const std::string&)
{
}

bool EndingOnSignal()
{
    return false;
}

#else

#include "posix/Win32Posix.h"

#include <atomic>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace
{

const int EndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};

// The folders to remove: each is set before the count that covers it grows, and never changed
// after, so that the handler reads only finished strings.
const int MaximumFolders = 8;
std::string Folders[MaximumFolders];
std::atomic<int> FolderCount(0);
std::atomic<bool> Ending(false);

// Empties a folder of files and removes it, with calls that are safe in a signal handler. Entries
// are read afresh after each removal pass, for removing them moves the others about.
void RemoveFolder(const char* path)
{
    const int folder = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return;
    for (bool removed = true; removed;)
    {
        removed = false;
        lseek(folder, 0, SEEK_SET);
        alignas(dirent64) char buffer[4096];
        for (ssize_t got; (got = getdents64(folder, buffer, sizeof buffer)) > 0;)
        {
            for (ssize_t at = 0; at < got;)
            {
                const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
                at += entry->d_reclen;
                const char* name = entry->d_name;
                if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                    continue;
                removed = unlinkat(folder, name, 0) == 0 || removed;
            }
        }
    }
    close(folder);
    rmdir(path);
}

// Runs inside the signal: only async-signal-safe calls.
void OnEndingSignal(int number)
{
    Ending.store(true);
    StopMakingTemporaryFiles();
    DeleteFilesMarkedForDeletion();
    for (int n = FolderCount.load() - 1; n >= 0; --n)
        RemoveFolder(Folders[n].c_str());
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
    signal(SIGXFSZ, SIG_IGN);
}

void RemoveFolderOnSignal(const std::string& path)
{
    const int count = FolderCount.load();
    if (count >= MaximumFolders)
        return;
    Folders[count] = path;
    FolderCount.store(count + 1);
}

bool EndingOnSignal()
{
    return Ending.load();
}

#endif
