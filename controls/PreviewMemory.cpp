#include "controls/PreviewMemory.h"

#include "output/PageSize.h"

#include <algorithm>

std::string PreviewMemoryProblem(const SourceFacts& facts)
{
    if (facts.DecodingBytes <= MaximumPreviewBytes)
        return std::string();
    // DescribeSize says "about ..." itself.
    return "decoding this " + std::to_string(facts.Width) + " x " + std::to_string(facts.Height) +
           " picture would take " + DescribeSize(facts.DecodingBytes) + " of memory, more than a preview may take (" +
           DescribeSize(MaximumPreviewBytes).substr(6) + ")";
}

void CompleteFacts(const CSourcePicture& picture, SourceFacts& facts)
{
    if (facts.SizeKnown)
        return;
    facts.SizeKnown = true;
    facts.Width = picture.Width();
    facts.Height = picture.Height();
    const std::uint64_t whole = std::uint64_t(facts.Width) * facts.Height * 4;
    facts.DecodingBytes = std::max(picture.MemoryNeeded(1), whole);
}
