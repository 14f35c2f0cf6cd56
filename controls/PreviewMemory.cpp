#include "controls/PreviewMemory.h"

#include "output/PageSize.h"

std::string PreviewMemoryProblem(const SourceFacts& facts)
{
    if (facts.DecodingBytes <= MaximumPreviewBytes)
        return std::string();
    // DescribeSize says "about ..." itself.
    return "decoding this " + std::to_string(facts.Width) + " x " + std::to_string(facts.Height) +
           " picture would take " + DescribeSize(facts.DecodingBytes) + " of memory, more than a preview may take (" +
           DescribeSize(MaximumPreviewBytes).substr(6) + ")";
}
