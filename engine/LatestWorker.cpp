#include "engine/LatestWorker.h"

#include <utility>

CLatestWorker::~CLatestWorker()
{
    {
        std::lock_guard<std::mutex> guard(Lock);
        Ending = true;
        Waiting = nullptr;
    }
    Wake.notify_all();
    if (Thread.joinable())
        Thread.join();
}

void CLatestWorker::Post(Task task)
{
    {
        std::lock_guard<std::mutex> guard(Lock);
        Waiting = std::move(task);
        ++Posted;
        if (!Thread.joinable())
            Thread = std::thread(&CLatestWorker::Run, this);
    }
    Wake.notify_all();
}

bool CLatestWorker::IsBusy() const
{
    std::lock_guard<std::mutex> guard(Lock);
    return Running || Waiting != nullptr;
}

void CLatestWorker::Run()
{
    std::unique_lock<std::mutex> guard(Lock);
    for (;;)
    {
        Wake.wait(guard, [this] { return Ending || Waiting != nullptr; });
        if (Ending)
            return;
        Task task = std::move(Waiting);
        Waiting = nullptr;
        Running = true;
        const std::uint64_t mine = Posted;
        guard.unlock();
        task([this, mine] {
            std::lock_guard<std::mutex> check(Lock);
            return Ending || Posted != mine;
        });
        // The task's own state goes before the worker says it is idle.
        task = nullptr;
        guard.lock();
        Running = false;
    }
}
