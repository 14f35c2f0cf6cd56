#include "cli/Workers.h"

#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

void RunOnThreads(std::size_t count, unsigned threads, const std::function<void(std::size_t)>& work)
{
    std::atomic<std::size_t> next(0);
    const auto worker = [&] {
        for (std::size_t n = next++; n < count; n = next++)
            work(n);
    };
    std::vector<std::thread> helpers;
    const std::size_t wanted = std::min<std::size_t>(threads ? threads : 1, count);
    for (std::size_t n = 1; n < wanted; ++n)
    {
        try
        {
            helpers.emplace_back(worker);
        }
        catch (const std::system_error&)
        {
            break;  // the system gives no more threads: those running share the rest
        }
    }
    worker();
    for (std::thread& helper : helpers)
        helper.join();
}

unsigned ProcessorCount()
{
    const unsigned count = std::thread::hardware_concurrency();
    return count ? count : 1;
}
