// Averages the picture area under each grid cell with fractional pixel coverage.
#pragma once

#include "base/RgbColor.h"
#include "engine/PictureSource.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Lays a Columns x Rows grid over an open picture and computes the area-weighted
// average colour of a cell. Edges and running sums are single precision, products
// and quotients double, so that every platform gives the same colours.
// The picture is told which rows each row of cells needs, since it may hold only those.
class CCellSampler
{
public:
    CCellSampler(CPictureSource& source, std::uint32_t columns, std::uint32_t rows);

    // Selects the cell row y (0 is the top of the picture); false when the picture's rows
    // for it could not be had (a decoded picture's data was damaged).
    bool BeginRow(std::uint32_t y);
    // The average colour of cell x of the current row. Neighbouring cells are
    // worked out together, so asking for them left to right costs least.
    RgbColor SampleCell(std::uint32_t x);

    // Edge number index of a grid of count cells over extent pixels:
    // (index * extent) / count in double precision, rounded to single.
    static float Edge(std::uint32_t index, float extent, float count);
    // The exact ceiling of an edge: the first pixel past the cell.
    static std::uint32_t EdgeCeiling(float edge);
    // The share of pixel i's interval [i, i + 1) that lies within [low, high].
    static double Weight(std::uint32_t i, float low, float high);

private:
    // The pixel columns (or rows) [First, End) under one cell and the weights of the
    // first and the last of them; every pixel between lies wholly inside the cell.
    struct Span
    {
        std::uint32_t First = 0;
        std::uint32_t End = 0;
        double FirstWeight = 0;
        double LastWeight = 0;

        std::uint32_t Count() const { return End > First ? End - First : 0; }
    };
    // The four running sums of one cell (weight, red, green, blue).
    class Sums;

    static Span SpanOf(float low, float high, std::uint32_t pixels);
    void SampleBlock(std::uint32_t x);
    template <int Cells, class Decoder>
    void SampleSideBySide(const Decoder& decode, const Span* columns, RgbColor* colors) const;

    // How many cells one SampleBlock works out.
    static constexpr std::uint32_t BlockCells = 8;

    CPictureSource& Picture;
    const std::uint8_t* FirstRow;  // the first pixel row of the current row of cells
    std::ptrdiff_t RowStep;        // from one pixel row to the next
    std::uint32_t Columns;
    std::uint32_t PixelWidth;
    std::uint32_t PixelHeight;
    float Width;
    float Height;
    float ColumnCount;
    float RowCount;
    std::vector<Span> ColumnSpans;  // the pixel columns of each column of cells, alike in every row
    Span RowSpan;
    RgbColor Block[BlockCells];
    std::uint32_t BlockFirst;  // Block holds cells [BlockFirst, BlockEnd) of the current row
    std::uint32_t BlockEnd;
};
