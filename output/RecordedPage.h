// CRecordedPage: the page a run would write, kept in memory as its cells, for a preview.
#pragma once

#include "engine/CellSink.h"
#include "engine/ConversionSettings.h"
#include "output/CellColors.h"
#include "output/CharacterSequence.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

// How the page is kept. Cell by cell: every cell's samples and the character it shows, for a
// preview that draws the characters. Reduced: for a page whose cells would be too small to draw,
// a picture of the page at 1:Reduction, each pixel the average of what the page shows over
// Reduction x Reduction of its own pixels, a glyph inking its share of the cell (Coverage) in the
// cell's colour and the ground (the page's background, or the cell's own in the photo style)
// showing through the rest.
struct PageKeeping
{
    std::uint32_t Reduction = 0;  // 0: cell by cell; else the page at 1:Reduction
    std::uint32_t CellWidth = 0;  // a cell's size on the page, in pixels (reduced only)
    std::uint32_t CellHeight = 0;
    std::map<char32_t, float> Coverage;  // 0 to 1 for each character of the set (reduced only)
};

// A sink that takes a run's cells as the page writer would, with the same characters in the same
// order (the random order draws the page's own sequence), and keeps them instead of writing them.
// Cell by cell it holds every cell, so the caller keeps it for grids of a size it can draw; reduced
// it holds one picture of the page's size divided by the reduction, whatever the grid.
class CRecordedPage : public CCellSink
{
public:
    // The grid, characters, order and background of settings, each cell sampled as sampling says.
    CRecordedPage(const ConversionSettings& settings, CellSampling sampling, PageKeeping keeping);

    std::uint32_t GridColumns() const override { return Columns; }
    std::uint32_t GridRows() const override { return Rows; }
    CellSampling Sampling() const override { return Parts; }
    bool WriteHeader() override;
    bool WriteRow(const RgbColor* samples) override;
    bool WriteFooter() override;

    // True once the run has handed over every row.
    bool IsComplete() const { return Complete; }
    bool IsReduced() const { return Keeping.Reduction != 0; }
    std::uint32_t Reduction() const { return Keeping.Reduction; }
    RgbColor Background() const { return BackgroundColor; }

    // Cell by cell: the character of cell (x, y) and its Across x Down samples, the top row first.
    char32_t Character(std::uint32_t x, std::uint32_t y) const { return Characters[Index(x, y)]; }
    const RgbColor* Samples(std::uint32_t x, std::uint32_t y) const
    {
        return CellSamples.data() + Index(x, y) * SamplesPerCell;
    }
    // The cell's colour: the average of its samples.
    RgbColor CellColor(std::uint32_t x, std::uint32_t y) const;
    // The colours the page draws cell (x, y) in: its character's and its ground's. The classic
    // page draws the cell's colour on the page's background; the photo page chooses both from
    // the cell's parts for the shape of its character.
    CellColors Colors(std::uint32_t x, std::uint32_t y) const;

    // Reduced: the picture's size and its pixels, from the top left.
    std::uint32_t PictureWidth() const { return ReducedWidth; }
    std::uint32_t PictureHeight() const { return ReducedHeight; }
    RgbColor Pixel(std::uint32_t x, std::uint32_t y) const { return Pixels[std::size_t(y) * ReducedWidth + x]; }

private:
    // Where one strip of samples (a column or a row of them) falls in the reduced picture: the
    // pixels it touches and the share of each pixel's width (or height) it covers.
    struct Span
    {
        std::uint32_t Pixel;
        float Share;
    };
    // For each of count strips of length pageLength / count pixels, the spans of the reduced
    // picture it covers; starts[n] .. starts[n + 1] index strip n's spans.
    void MapStrips(std::uint32_t count, double pageLength, std::vector<std::uint32_t>& starts,
                   std::vector<Span>& spans) const;
    void AddReducedRow(const RgbColor* samples);
    // The photo page's colours of a cell whose samples start at samples, the next row of them
    // stride further on.
    CellColors ChooseColors(const RgbColor* samples, std::size_t stride, char32_t character) const;
    std::size_t Index(std::uint32_t x, std::uint32_t y) const { return std::size_t(y) * Columns + x; }

    std::uint32_t Columns;
    std::uint32_t Rows;
    CellSampling Parts;
    std::size_t SamplesPerCell;
    std::string CharacterSet;
    bool Sequential;
    RgbColor BackgroundColor;
    bool BothColours;  // the photo page: every cell has a ground of its own
    PageKeeping Keeping;

    CCharacterSequence Sequence;
    std::uint32_t RowsDone = 0;
    bool Complete = false;

    // Cell by cell.
    std::vector<char32_t> Characters;
    std::vector<RgbColor> CellSamples;

    // Reduced: the picture, the sums being gathered for it (red, green, blue for each pixel), and
    // where each column and row of samples falls in it.
    std::uint32_t ReducedWidth = 0;
    std::uint32_t ReducedHeight = 0;
    std::vector<RgbColor> Pixels;
    std::vector<float> Sums;
    std::vector<std::uint32_t> ColumnStarts;
    std::vector<Span> ColumnSpans;
    std::vector<std::uint32_t> RowStarts;
    std::vector<Span> RowSpans;
    std::vector<char32_t> RowCharacters;
    std::vector<float> RowCoverage;
    std::vector<CellColors> RowColors;  // the photo page's colours of the row's cells
};
