// What a run of the tool tells on standard error while it converts.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>

// Prints each failure as one line as it happens and, on a terminal, keeps one progress
// line up to date once the run has lasted a second: the share done of a single picture,
// or the pictures done with the pages written and failed so far. Every operation may be
// called from any thread.
class CProgressReport
{
public:
    CProgressReport(std::ostream& err, bool onTerminal, std::size_t pictures);
    // Clears the progress line.
    ~CProgressReport();
    CProgressReport(const CProgressReport&) = delete;
    CProgressReport& operator=(const CProgressReport&) = delete;

    // A picture's rows done so far, out of its rows in all.
    void RowsDone(std::uint32_t done, std::uint32_t total);
    void PageWritten();
    // One line naming the file and the reason; the picture counts as failed.
    void PageFailed(const std::string& path, const std::string& reason);
    // One line about a file that does not make its picture fail.
    void Notice(const std::string& path, const std::string& text);

    std::size_t Failures() const;

private:
    void PrintLine(const std::string& path, const std::string& text);
    void ClearLine();
    void Draw(bool whenDue);

    std::ostream& Err;
    const bool OnTerminal;
    const std::size_t Pictures;
    const std::chrono::steady_clock::time_point Start;
    mutable std::mutex Lock;
    std::size_t Written = 0;
    std::size_t Failed = 0;
    int Percent = 0;                              // of a single picture
    std::size_t Shown = 0;                        // length of the progress line on show, 0 for none
    std::chrono::steady_clock::time_point Drawn;  // when it was last drawn
};
