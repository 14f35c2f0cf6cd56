// The rule that keeps the mosaic's columns and rows in the picture's proportions.
#pragma once

#include <cstdint>
#include <string>

// Which count the other is derived from: 1 columns, -1 rows, 0 not chosen yet.
enum AspectBasisValue
{
    AspectBasisRows = -1,
    AspectBasisNone = 0,
    AspectBasisColumns = 1
};

// The width-to-height ratio of a character cell when no font description is at hand:
// half as wide as high, like the usual fixed-pitch faces.
const float DefaultFontRatio = 0.5f;

// numerator / denominator in double precision, rounded to single. A zero
// denominator gives infinity (or NaN for 0/0), which the rule below refuses.
float AspectRatioOf(std::int32_t numerator, std::int32_t denominator);

// True when a ratio can take part in the rule: finite and greater than 0.
bool IsUsableRatio(float ratio);

// Rows that keep columns of a font with width/height ratio F in a picture of
// width/height ratio P: trunc((columns * F) / P), in double precision. Results
// beyond the unsigned range are held at its limits.
std::uint32_t RowsForColumns(std::uint32_t columns, float pictureRatio, float fontRatio);
// Columns for rows: trunc((rows * P) / F).
std::uint32_t ColumnsForRows(std::uint32_t rows, float pictureRatio, float fontRatio);

// Applies the rule after an edit: direction 1 when columns were edited, -1 rows,
// 0 neither. With both counts set, the derived one is recomputed from the basis;
// otherwise the default pair is chosen with the larger count 100. Returns false
// and changes nothing when either ratio is unusable.
bool ApplyAspectRule(float pictureRatio, float fontRatio, int direction, std::uint32_t& columns, std::uint32_t& rows,
                     int& aspectBasis);

// Completes a grid from the picture's proportions when a count is missing (0): given one count,
// the other follows, and is at least 1; given neither, the larger is 100. cellRatio is the width
// over the height of a cell. False, with the problem in a few words, when the proportions cannot
// be used or give a count above 5000.
bool ResolveGrid(std::uint32_t& columns, std::uint32_t& rows, std::uint32_t width, std::uint32_t height,
                 float cellRatio, std::string& problem);
