// How a conversion, or a step of one, ended: the one vocabulary of the engine, the page writer,
// the wizard and the converter.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

enum class ConversionStatus
{
    Written,             // the page is complete
    BadSettings,         // counts or character set out of range; nothing touched
    SourceCannotOpen,    // the picture could not be opened or mapped
    SourceRefused,       // the picture is not one the readers can safely read, or its data is damaged
    TargetCannotCreate,  // the page could not be created or put in place; an existing page is untouched
    WriteFailed,         // writing stopped at a failed write; an existing page is untouched
    Stopped              // stopped on request; an existing page is untouched, no partial page is left
};

// The outcome of a run: the status, the file concerned and a reason in a few words.
struct ConversionResult
{
    ConversionStatus Status = ConversionStatus::Written;
    std::string Path;
    std::string Reason;            // what failed and why: "cannot create the page: the folder does not exist"
    std::string Cause;             // only why, where a file was at fault: "the folder does not exist"
    bool ShellOpenFailed = false;  // the page was written but the shell could not open it
    // What the picture's reader read past on the way, as viewers do ("Corrupt JPEG data: 1214
    // extraneous bytes before marker 0xd0"), for a warning that names the picture; empty when nothing.
    std::string Warning;

    bool Succeeded() const { return Status == ConversionStatus::Written; }

    // A failure of path with a reason that says it all.
    static ConversionResult Failure(ConversionStatus status, const std::string& path, std::string reason)
    {
        ConversionResult result;
        result.Status = status;
        result.Path = path;
        result.Reason = std::move(reason);
        return result;
    }
    // A failure of a file: what could not be done (action), and why (cause).
    static ConversionResult Failure(ConversionStatus status, const std::string& path, const std::string& action,
                                    const std::string& cause)
    {
        ConversionResult result = Failure(status, path, action + ": " + cause);
        result.Cause = cause;
        return result;
    }
};

// Called after each row of cells with the rows done and the rows in all.
using ConversionProgress = std::function<void(std::uint32_t rowsDone, std::uint32_t rowsTotal)>;

// Set by another thread to stop a run after the row it is writing.
using ConversionStop = std::atomic<bool>;
