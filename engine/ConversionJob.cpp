#include "engine/ConversionJob.h"

#include <new>
#include <utility>

CConversionJob::~CConversionJob()
{
    Stop();
    Wait();
}

bool CConversionJob::Start(Task task, Notify notify, const std::string& subject)
{
    if (Thread.joinable())
        return false;
    StopRequested = false;
    Ended = false;
    Done = 0;
    Total = 0;
    Result = ConversionResult();
    Notifier = std::move(notify);
    Thread = std::thread(&CConversionJob::Run, this, std::move(task), subject);
    return true;
}

void CConversionJob::Stop()
{
    StopRequested = true;
}

ConversionResult CConversionJob::Wait()
{
    if (!Thread.joinable())
        return ConversionResult();
    Thread.join();
    return std::exchange(Result, ConversionResult());
}

void CConversionJob::Run(Task task, std::string subject)
{
    std::uint64_t lastShown = 0;
    auto progress = [this, &lastShown](std::uint32_t done, std::uint32_t total) {
        Total = total;
        Done = done;
        // A thousandth at a time: a few thousand notes in all, however large the page.
        const std::uint64_t shown = static_cast<std::uint64_t>(done) * 1000 / total;
        if (shown != lastShown && Notifier)
            Notifier();
        lastShown = shown;
    };
    try
    {
        Result = task(progress, StopRequested);
    }
    catch (const std::bad_alloc&)
    {
        Result = ConversionResult::Failure(ConversionStatus::WriteFailed, subject, "cannot write the page",
                                           "there is not enough memory");
    }
    Ended = true;
    if (Notifier)
        Notifier();
}
