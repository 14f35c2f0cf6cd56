// The one check of a page's name before it is written: the wizard's output page, the run and the
// converter all ask it.
#pragma once

#include "decoders/PictureFormat.h"
#include "engine/ConversionResult.h"

#include <string>

// What is at a page's name, in the order the check tells it.
enum class TargetState
{
    Free,      // nothing: the page is created
    Existing,  // an existing file, replaced only when the user agrees
    Picture,   // an existing file that holds a picture
    Device,    // a device, which cannot be replaced, only written to
    Folder,    // refused: a folder cannot become a page
    Source,    // refused: the picture being converted, under whatever spelling
    ReadOnly   // refused: whoever made a page read-only meant to keep it
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
        return State == TargetState::Folder || State == TargetState::Source || State == TargetState::ReadOnly;
    }
    // Whether something other than a folder is there.
    bool Exists() const { return State != TargetState::Free && State != TargetState::Folder; }
    // The failure of a run refused for this verdict, naming target.
    ConversionResult Refusal(const std::string& target) const;
};

// Checks what is at target, a page to be made of the picture at source.
TargetVerdict CheckTarget(const std::string& target, const std::string& source);

// True when path names an existing file that is read-only (a device never is).
bool IsReadOnlyFile(const std::string& path);
// True when both paths lead to one and the same existing file, however they are spelt.
bool SameFile(const std::string& first, const std::string& second);
