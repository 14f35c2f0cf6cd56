#include "cli/MemoryBudget.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

void CMemoryBudget::Take(std::uint64_t bytes)
{
    if (bytes == 0)
        return;
    std::unique_lock<std::mutex> hold(Lock);
    const std::uint64_t ticket = NextTicket++;
    Changed.wait(hold, [&] { return ticket == Serving && UsedBytes + bytes <= TotalBytes; });
    UsedBytes += bytes;
    ++Serving;
    // The next in line may fit as well.
    Changed.notify_all();
}

void CMemoryBudget::Give(std::uint64_t bytes)
{
    if (bytes == 0)
        return;
    {
        std::lock_guard<std::mutex> hold(Lock);
        UsedBytes -= bytes;
    }
    Changed.notify_all();
}

std::uint64_t CMemoryBudget::Used() const
{
    std::lock_guard<std::mutex> hold(Lock);
    return UsedBytes;
}

std::uint64_t CMemoryBudget::Waiting() const
{
    std::lock_guard<std::mutex> hold(Lock);
    return NextTicket - Serving;
}

std::uint64_t CMemoryBudget::MachineDefault()
{
    // What a process can address: all of it on 64-bit systems, a 32-bit build far less.
    std::uint64_t memory = std::numeric_limits<std::size_t>::max();
#ifdef _WIN32
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    if (GlobalMemoryStatusEx(&status))
        memory = std::min<std::uint64_t>({memory, status.ullTotalPhys, status.ullTotalVirtual});
#else
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        memory = std::min<std::uint64_t>(memory, std::uint64_t(pages) * std::uint64_t(pageSize));
#endif
    return memory / 2;
}

std::string CMemoryBudget::Describe(std::uint64_t bytes)
{
    const char* const units[] = {"bytes", "KiB", "MiB", "GiB", "TiB"};
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    while (unit + 1 < sizeof units / sizeof units[0] && value >= 1023.5)
    {
        value /= 1024;
        ++unit;
    }
    // Three digits, so that a need just over the budget does not read as the budget itself.
    char text[32];
    const char* format = unit == 0 || value >= 99.95 ? "%.0f %s" : value >= 9.995 ? "%.1f %s" : "%.2f %s";
    std::snprintf(text, sizeof text, format, value, units[unit]);
    return text;
}
