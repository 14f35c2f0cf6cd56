// The one check of a page's name before it is written: the wizard's output page, the run and the
// converter all ask it.
#pragma once

#include "decoders/PictureFormat.h"
#include "engine/ConversionResult.h"

#include <string>

// What is at a page's name, in the order the check tells it.
enum class TargetState
{
    Free,        // nothing: the page is created
    Existing,    // an existing file, or a link that leads nowhere: replaced only when the user agrees
    Picture,     // an existing file that holds a picture
    Device,      // a character device (a terminal, /dev/null), which is written to, never replaced
    Folder,      // refused: a folder cannot become a page
    Source,      // refused: the picture being converted, under whatever spelling
    ReadOnly,    // refused: whoever made a page read-only meant to keep it
    NotAFile,    // refused: a pipe, a socket or a block device, which a page cannot be
    Unreadable,  // refused: a file that cannot be read may be a picture
    BadName      // refused: the name cannot be used (too long, in a missing folder, a loop of links)
};

// The check's answer, with the cause in a few words ("it is a folder", "it is a PNG picture").
struct TargetVerdict
{
    TargetState State = TargetState::Free;
    std::string Cause;
    PictureFormat Holds = PictureFormat::Unknown;  // the picture the file holds, judged by its content

    // Whether the page can never be written there, whatever is asked.
    bool Refused() const
    {
        return State == TargetState::Folder || State == TargetState::Source || State == TargetState::ReadOnly ||
               State == TargetState::NotAFile || State == TargetState::Unreadable || State == TargetState::BadName;
    }
    // Whether a name that something already holds would be written over.
    bool Exists() const
    {
        return State == TargetState::Existing || State == TargetState::Picture || State == TargetState::Device ||
               State == TargetState::Source || State == TargetState::ReadOnly || State == TargetState::NotAFile ||
               State == TargetState::Unreadable;
    }
    // The failure of a run refused for this verdict, naming target.
    ConversionResult Refusal(const std::string& target) const;
};

// Checks what is at target, a page to be made of the picture at source. Nothing at target is
// opened for writing, and a pipe or a device is not opened at all; a file's first bytes are read
// to tell a picture by its content. A file that cannot be read is refused unless it is empty:
// whatever it holds might be a picture.
TargetVerdict CheckTarget(const std::string& target, const std::string& source);

// True when path names an existing file that is read-only (a device never is).
bool IsReadOnlyFile(const std::string& path);
// True when both paths lead to one and the same existing file, however they are spelt.
bool SameFile(const std::string& first, const std::string& second);
