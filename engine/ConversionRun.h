// A whole conversion, shared by the wizard's Finish action and the command-line tool.
#pragma once

#include "engine/ConversionSettings.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

class CBitmapFile;
class CDecodedPicture;
class CHtmlWriter;

// How a run ended.
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

    bool Succeeded() const { return Status == ConversionStatus::Written; }
};

// Called after each row of cells with the rows done and the rows in all.
using ConversionProgress = std::function<void(std::uint32_t rowsDone, std::uint32_t rowsTotal)>;

// Set by another thread to stop a run after the row it is writing.
using ConversionStop = std::atomic<bool>;

// ConvertToHtml's results besides 0 (the page written).
const int ConvertWriteFailed = 1;
const int ConvertNotOpen = 2;
const int ConvertStopped = 3;
const int ConvertReadFailed = 4;  // a decoded picture's data turned out damaged

// Writes the page for an open picture into an open writer whose fields are set:
// head, every cell row by row from the top-left, tail. Starts the writer's
// character sequence afresh and stops at the first failed write or read, or after
// the row during which stop was set.
int ConvertToHtml(CBitmapFile& source, CHtmlWriter& target, const ConversionProgress& progress = {},
                  const ConversionStop* stop = nullptr);
int ConvertToHtml(CDecodedPicture& source, CHtmlWriter& target, const ConversionProgress& progress = {},
                  const ConversionStop* stop = nullptr);

// Checks the settings, opens and checks the source (a .bmp through the mapped reader,
// any other picture, recognised by its first bytes, through this platform's decoder,
// with transparent areas over the settings' background colour), refuses a target that
// is the source, a folder or read-only, writes the page into a temporary file beside the
// target and moves it over the target once complete (a device is written in place),
// and opens the page in the shell when asked and all went well. A picture whose data
// turns out damaged on the way, or a run stopped through stop, like a failed one,
// removes its temporary file and leaves the target as it was.
ConversionResult RunConversion(const ConversionSettings& settings, bool openAfterCreation,
                               const ConversionProgress& progress = {}, const ConversionStop* stop = nullptr);

// Opens a picture the way a run does and reports its size (upright, as the page will
// show it), or why it is unusable.
ConversionResult ProbeSource(const std::string& path, std::uint32_t& width, std::uint32_t& height);

// True when path names an existing file that is not a directory.
bool FileExists(const std::string& path);
// True when path names an existing directory.
bool FolderExists(const std::string& path);
// True when path names an existing file that is read-only (a device never is).
bool IsReadOnlyFile(const std::string& path);
// True when both paths lead to one and the same existing file, however they are spelt.
bool SameFile(const std::string& first, const std::string& second);

// Hands a path to the shell's "open" verb; true when the shell accepted it.
bool OpenInShell(const std::string& path);

// What OpenInShell calls; tests replace it so that nothing is ever launched.
using ShellOpener = bool (*)(const std::string& path);
// Installs an opener (null restores the shell's) and returns the one it replaced.
ShellOpener SetShellOpener(ShellOpener opener);
