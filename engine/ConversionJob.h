// A conversion on a thread of its own, so that the caller stays free to answer its user.
#pragma once

#include "engine/ConversionResult.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

// Runs a conversion task on a second thread, counts its rows where the caller can read them,
// and stops it on request. Whatever the task makes (a page, a preview) is for the caller to use
// once the job has ended.
class CConversionJob
{
public:
    // Called on the job's thread whenever the progress has moved on by a thousandth, and once
    // when the run has ended; it must not block (posting a message is what it is for).
    using Notify = std::function<void()>;
    // The work: it reports its rows through progress and looks at stop after each row.
    using Task = std::function<ConversionResult(const ConversionProgress& progress, const ConversionStop& stop)>;

    CConversionJob() = default;
    // Stops a run that is still going and waits for it.
    ~CConversionJob();
    CConversionJob(const CConversionJob&) = delete;
    CConversionJob& operator=(const CConversionJob&) = delete;

    // Starts a task; false (and nothing started) while another has not been waited for. A task
    // that runs out of memory ends as WriteFailed, naming subject.
    bool Start(Task task, Notify notify, const std::string& subject = std::string());
    // Asks the run to stop after the row it is writing; it then ends as Stopped, leaving no
    // temporary file and the target as it was.
    void Stop();
    // True from Start until the run has ended.
    bool IsRunning() const { return Thread.joinable() && !Ended.load(); }
    // True once the run has ended, until the next Start.
    bool HasEnded() const { return Ended.load(); }
    // Rows written so far, and the rows of the whole page (both 0 until the first row is done).
    std::uint32_t RowsDone() const { return Done.load(); }
    std::uint32_t RowsTotal() const { return Total.load(); }
    // Waits for the run to end and returns how it ended; a job that was never started (or has
    // been waited for) gives an empty result.
    ConversionResult Wait();

private:
    void Run(Task task, std::string subject);

    std::thread Thread;
    Notify Notifier;
    ConversionStop StopRequested{false};
    std::atomic<bool> Ended{false};
    std::atomic<std::uint32_t> Done{0};
    std::atomic<std::uint32_t> Total{0};
    ConversionResult Result;  // written by the job's thread before Ended is set
};
