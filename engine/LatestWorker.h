// CLatestWorker: work done beside the caller where only the newest request counts.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

// Runs tasks one at a time on a thread of its own, started with the first task. A task posted
// while another waits takes its place, so that only the newest request is ever started; a task
// that is running is never interrupted, but can ask whether a newer one has been posted since it
// began and give up. The caller never waits, except for the running task when the worker goes.
class CLatestWorker
{
public:
    // Whether the running task has been superseded by a newer one (or the worker is going).
    using Superseded = std::function<bool()>;
    using Task = std::function<void(const Superseded& superseded)>;

    CLatestWorker() = default;
    // Drops a waiting task and waits for the running one to end.
    ~CLatestWorker();
    CLatestWorker(const CLatestWorker&) = delete;
    CLatestWorker& operator=(const CLatestWorker&) = delete;

    // Queues task in place of any task still waiting.
    void Post(Task task);
    // True while a task runs or waits.
    bool IsBusy() const;

private:
    void Run();

    mutable std::mutex Lock;
    std::condition_variable Wake;
    Task Waiting;
    bool Running = false;
    bool Ending = false;
    std::uint64_t Posted = 0;  // tasks posted so far: a task is superseded once this moves past its own
    std::thread Thread;
};
