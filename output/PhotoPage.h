// CPhotoPage: the page that looks like its picture: both colours of every cell, in cells whose
// shape the page itself fixes.
#pragma once

#include "output/ColorPalette.h"
#include "output/PageFormat.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A standard HTML page in UTF-8 with one style sheet and no script. The mosaic is the text of a
// <pre>, so that copying it gives its characters and line breaks. The sheet makes every cell 1ch
// wide and 2ch high, half as wide as high in whatever font the browser falls back to, pins letter
// and word spacing, and draws each run of cells as an inline block that fills its cells.
//
// Every cell has a foreground and a background, chosen from its quarters for the shape of its
// character (CellColors.h). A cell whose character is a half block (U+2580, U+2584) draws the
// picture's top and bottom halves of the cell and is written as whichever of the two half blocks,
// or a space where both halves are alike, continues the run before it. The colours are brought
// down to a palette (CColorPalette) that the sheet names in classes, the most used with the
// shortest names, and neighbouring cells of the same colours share one element.
//
// As the sheet comes first and names what only the cells tell, the page keeps its cells (their
// samples and character: 12 bytes a cell sampled in halves) and writes itself after the tail, a part
// at a time, through Drain. Before the colours are chosen, the samples are sharpened a little
// against their neighbours (Sharpen): a cell's mean blurs what falls within it, and the picture's
// fine texture comes back truer for it.
class CPhotoPage : public CPageFormat
{
public:
    // The width of the page's cell over its height.
    static constexpr float CellRatio = 0.5f;

    CellSampling Sampling(const std::u32string& set) const override;
    void Head(std::string& out, const PageLook& look) override;
    void Cell(std::string& out, const RgbColor* samples, std::size_t stride, char32_t character) override;
    void LineBreak(std::string& out) override;
    void Tail(std::string& out) override;
    bool Drain(std::string& out) override;
    bool OutOfMemory() const override { return LostCells; }
    // What to expect: the head and sheet, and the bytes a cell of a photo takes in the mean.
    std::uint64_t EstimateSize(const PageLook& look, const std::u32string& set) override;
    // Every cell's character and samples, and the samples once more while they are sharpened.
    std::uint64_t MemoryNeeded(const PageLook& look) const override;

    // The name of the rank-th most used colour of a role (0 to 275): for foregrounds A to P,
    // then QA to ZZ; for backgrounds a to p, then aq to zz ending in q to z. An element's class is
    // its foreground's name and its background's, which the sheet tells apart as the start and the
    // end of the class; a role's 277th colour and beyond get no name (empty).
    static std::string ColorName(bool fore, std::size_t rank);
    // How many colours the palette of a page of cells cells may hold.
    static std::size_t PaletteSizeFor(std::uint64_t cells);
    // Each of the grid's samples pushed away from the mean of its four neighbours (a sample at the
    // edge of the grid or of an unfinished row stands in for a neighbour it lacks): samples holds
    // rows of samples, row y from rowStarts[y], rowStarts.back() their end.
    static void Sharpen(std::vector<RgbColor>& samples, const std::vector<std::size_t>& rowStarts);

private:
    // Cells that share their colours: a palette index each; Fore is NoColor while the run holds
    // spaces alone.
    struct Run
    {
        int Fore;
        int Back;
    };
    static constexpr int NoColor = -1;
    enum class Stage
    {
        Cells,
        Head,
        Rows,
        Done
    };

    // Sharpens the samples kept, and chooses the colours of every cell from them, in their place.
    void ColorCells();
    // Brings the cells' colours down to the palette and names the colours, most used first.
    void NameColors();
    // Splits the cells of row into runs, passing each run and (WithText) the text of the
    // characters it shows to visit.
    template <bool WithText, class Visit>
    void SplitRow(std::size_t row, Visit visit);
    void AppendHead(std::string& out) const;
    void AppendRow(std::string& out, std::size_t row);

    PageLook Look;
    std::size_t PartsPerCell = 2;      // the samples of a cell: Across x Down
    std::vector<char32_t> Characters;  // the character of every cell
    std::vector<RgbColor> Parts;       // its samples, then its foreground and ground (ColorCells)
    std::vector<std::size_t> RowEnds;  // the index after the last cell of each row
    bool LostCells = false;
    Stage Now = Stage::Cells;
    std::size_t NextRow = 0;
    CColorPalette Palette;
    // The name of each palette colour as a foreground and as a background; empty where unused.
    std::vector<std::string> ForeName, BackName;
    // The most a cell's text takes ("&amp;"), and a run's markup without its names ("<i class=",
    // ">", "</i>").
    static constexpr std::size_t MostTextBytes = 5;
    static constexpr std::size_t RunMarkupBytes = 9 + 1 + 4;
    std::size_t LongestName = 0;          // of the colours' names
    std::string RowText;                  // the text of the row being split, run after run
    char32_t SpeltCharacter = U'\uFFFF';  // the last character written, and its text on the page
    char Spelt[8] = {};
    std::size_t SpeltLength = 0;
};
