#include "engine/PageSize.h"

#include "engine/HtmlWriter.h"
#include "engine/TextEncoding.h"

#include <cstdio>

std::uint64_t EstimatePageSize(std::uint32_t columns, std::uint32_t rows, const std::string& fontFace,
                               const std::string& characterSet)
{
    // The set's characters as the writer draws them: code points, each a cell of its own.
    std::u32string set;
    SplitCharacters(characterSet, set);
    if (set.empty())
        set.push_back(U' ');
    const std::uint64_t cells = static_cast<std::uint64_t>(columns) * rows;
    // In order, every character of the set is used cells / n times, and the first cells % n
    // characters once more.
    const std::uint64_t rounds = cells / set.size();
    const std::uint64_t rest = cells % set.size();
    std::uint64_t cellBytes = 0;
    for (std::size_t at = 0; at < set.size(); ++at)
        cellBytes += CHtmlWriter::CellLength(set[at]) * (rounds + (at < rest ? 1 : 0));
    return CHtmlWriter::HeadLength(fontFace) + cellBytes +
           static_cast<std::uint64_t>(rows) * CHtmlWriter::LineBreakLength() + CHtmlWriter::FooterLength();
}

std::string DescribeSize(std::uint64_t bytes)
{
    if (bytes < 1000)
        return "about " + std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    const char* const units[] = {"KB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes) / 1000;
    std::size_t unit = 0;
    // Rounded as shown, so that 999.6 KB reads as 1.0 MB rather than 1000 KB.
    while (unit + 1 < sizeof units / sizeof units[0] && value >= 999.5)
    {
        value /= 1000;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, value < 9.95 ? "about %.1f %s" : "about %.0f %s", value, units[unit]);
    return text;
}
