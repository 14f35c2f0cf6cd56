#include "cli/ProgressReport.h"

#include "cli/ConvertTool.h"
#include "cli/PrintableText.h"
#include "cli/SignalCleanup.h"

namespace
{

// The progress line is redrawn at most this often, however fast pictures come and go.
const std::chrono::milliseconds RedrawInterval(100);
// ... and only once the run has lasted this long: a quick run stays silent.
const std::chrono::seconds QuietStart(1);

}  // namespace

CProgressReport::CProgressReport(std::ostream& err, bool onTerminal, std::size_t pictures)
    : Err(err), OnTerminal(onTerminal), Pictures(pictures), Start(std::chrono::steady_clock::now())
{
}

CProgressReport::~CProgressReport()
{
    std::lock_guard<std::mutex> hold(Lock);
    ClearLine();
}

void CProgressReport::RowsDone(std::uint32_t done, std::uint32_t total)
{
    if (!OnTerminal || Pictures != 1 || total == 0)
        return;
    std::lock_guard<std::mutex> hold(Lock);
    const int percent = static_cast<int>(100.0 * done / total);
    if (percent == Percent && Shown)
        return;
    Percent = percent;
    Draw(true);
}

void CProgressReport::PageWritten()
{
    std::lock_guard<std::mutex> hold(Lock);
    ++Written;
    Draw(true);
}

void CProgressReport::PageFailed(const std::string& path, const std::string& reason)
{
    std::lock_guard<std::mutex> hold(Lock);
    ++Failed;
    PrintLine(path, reason);
}

void CProgressReport::Notice(const std::string& path, const std::string& text)
{
    std::lock_guard<std::mutex> hold(Lock);
    PrintLine(path, text);
}

std::size_t CProgressReport::Failures() const
{
    std::lock_guard<std::mutex> hold(Lock);
    return Failed;
}

// A message line goes where the progress line stood, which is drawn again below it.
void CProgressReport::PrintLine(const std::string& path, const std::string& text)
{
    // A page that fails while a signal ends the run fails for the signal's sake: nothing to tell.
    if (EndingOnSignal())
        return;
    const bool wasShown = Shown != 0;
    ClearLine();
    // Names and reasons may hold anything a file name can: they are shown, never obeyed.
    Err << ConvertToolName << ": " << PrintableText(path) << ": " << PrintableText(text) << "\n";
    if (wasShown)
        Draw(false);
    Err << std::flush;
}

void CProgressReport::ClearLine()
{
    if (!Shown)
        return;
    Err << "\r" << std::string(Shown, ' ') << "\r" << std::flush;
    Shown = 0;
}

void CProgressReport::Draw(bool whenDue)
{
    if (!OnTerminal)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now - Start < QuietStart || (whenDue && Shown && now - Drawn < RedrawInterval))
        return;
    std::string line = std::string(ConvertToolName) + ": ";
    if (Pictures == 1)
        line += std::to_string(Percent) + "%";
    else
        line += std::to_string(Written + Failed) + " of " + std::to_string(Pictures) + " pictures done, " +
                std::to_string(Written) + " written, " + std::to_string(Failed) + " failed";
    // A shorter line than before leaves no tail of the old one behind.
    const std::size_t length = line.size();
    if (length < Shown)
        line += std::string(Shown - length, ' ');
    Err << "\r" << line << std::flush;
    Shown = std::max(length, Shown);
    Drawn = now;
}
