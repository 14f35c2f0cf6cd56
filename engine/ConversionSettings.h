// The record the wizard's pages fill in and a conversion run reads.
#pragma once

#include "base/RgbColor.h"

#include <cstdint>
#include <string>

// Lowest and highest number of character columns or rows a page may have.
const std::uint32_t MinimumGridCount = 1;
const std::uint32_t MaximumGridCount = 5000;

// The face and the characters a page gets unless the user chooses others, in the wizard and the tool.
const char* const DefaultFontFace = "Courier New";
const char* const DefaultCharacterSet = "01";

// The kinds of page a conversion writes; the table in output/PageStyle.h tells each one's name,
// format, cell and characters.
enum class PageStyle : std::uint8_t
{
    Classic,  // one coloured character a cell, in the markup of the first browsers
    Photo     // both colours of every cell, in cells of a shape the page fixes
};

// A picture's width and height in pixels, as the source page's loader read them.
struct PictureSize
{
    std::int32_t Width = 0;
    std::int32_t Height = 0;
};

// Everything a conversion needs; SourceBitmap only serves the output page's proportions.
struct ConversionSettings
{
    std::string SourcePath;
    std::string TargetPath;
    PictureSize SourceBitmap;
    std::uint32_t Columns = 0;
    std::uint32_t Rows = 0;
    std::string FontFace;
    std::string CharacterSet;
    std::int32_t CharacterOrder = 0;  // 0 randomly, 1 sequentially
    RgbColor BackgroundColor = 0;
    PageStyle Style = PageStyle::Classic;
};
