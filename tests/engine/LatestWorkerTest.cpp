// Work beside the caller where the newest request wins: waiting requests are replaced, the
// running one learns that it has been superseded, and the worker's end waits for it.
#include "engine/LatestWorker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace
{

// Waits, without a clock, until the worker has nothing running or waiting.
void WaitUntilIdle(const CLatestWorker& worker)
{
    while (worker.IsBusy())
        std::this_thread::yield();
}

}  // namespace

TEST(LatestWorker, OnlyTheNewestOfTheWaitingTasksRunsAllOnOneThreadBesideTheCaller)
{
    CLatestWorker worker;
    std::promise<void> started;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    // Written by the worker's thread only, read once it is idle.
    std::vector<std::string> ran;
    std::vector<std::thread::id> threads;
    std::atomic<bool> firstSawNewer{false};

    worker.Post([&](const CLatestWorker::Superseded& superseded) {
        started.set_value();
        released.wait();
        firstSawNewer = superseded();
        ran.push_back("first");
        threads.push_back(std::this_thread::get_id());
    });
    started.get_future().wait();
    EXPECT_TRUE(worker.IsBusy());
    worker.Post([&](const CLatestWorker::Superseded&) { ran.push_back("second"); });
    worker.Post([&](const CLatestWorker::Superseded& superseded) {
        ran.push_back(superseded() ? "third, superseded" : "third");
        threads.push_back(std::this_thread::get_id());
    });
    release.set_value();
    WaitUntilIdle(worker);
    // After a rest, the same thread takes the next task.
    worker.Post([&](const CLatestWorker::Superseded&) { threads.push_back(std::this_thread::get_id()); });
    WaitUntilIdle(worker);

    EXPECT_TRUE(firstSawNewer);
    EXPECT_EQ(ran, (std::vector<std::string>{"first", "third"}));
    ASSERT_EQ(threads.size(), 3u);
    EXPECT_NE(threads[0], std::this_thread::get_id());
    EXPECT_EQ(threads[1], threads[0]);
    EXPECT_EQ(threads[2], threads[0]);
}

TEST(LatestWorker, ItsEndSupersedesTheRunningTaskAndWaitsForIt)
{
    std::atomic<bool> ended{false};
    {
        CLatestWorker worker;
        std::promise<void> started;
        // Runs until told it is superseded, which only the worker's end does here.
        worker.Post([&](const CLatestWorker::Superseded& superseded) {
            started.set_value();
            while (!superseded())
                std::this_thread::yield();
            ended = true;
        });
        started.get_future().wait();
        EXPECT_FALSE(ended);
    }
    EXPECT_TRUE(ended);
}
