#include "output/PageSize.h"

#include "base/TextEncoding.h"
#include "output/PageStyle.h"

#include <cstdio>

std::uint64_t EstimatePageSize(std::uint32_t columns, std::uint32_t rows, const std::string& fontFace,
                               const std::string& characterSet, PageStyle style)
{
    PageLook look;
    look.Columns = columns;
    look.Rows = rows;
    look.FontFace = fontFace;
    std::u32string set;
    SplitCharacters(characterSet, set);
    return CreatePageFormat(style)->EstimateSize(look, set);
}

std::uint64_t PageMemoryNeeded(const ConversionSettings& settings)
{
    const std::unique_ptr<CPageFormat> format = CreatePageFormat(settings.Style);
    PageLook look;
    look.Columns = settings.Columns;
    look.Rows = settings.Rows;
    std::u32string set;
    SplitCharacters(settings.CharacterSet, set);
    look.Sampling = format->Sampling(set);
    return format->MemoryNeeded(look);
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
