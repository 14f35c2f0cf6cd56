// How a cell's character and its two colours draw what the cell covers of the picture.
#pragma once

#include "base/RgbColor.h"

// The colours of one cell: its character's and its ground's. A cell that shows no ink (a space)
// uses its ground alone.
struct CellColors
{
    RgbColor Fore = 0;
    RgbColor Back = 0;
    bool Inked = true;
};

// The quarters of a cell, as bits of a shape.
enum CellQuarter : unsigned
{
    TopLeftQuarter = 1,
    TopRightQuarter = 2,
    BottomLeftQuarter = 4,
    BottomRightQuarter = 8,
    AllQuarters = 15
};

// The quarters a character inks whole: a space none, the block elements theirs (the half blocks,
// the full block, the quadrants); -1 for a character whose shape is not known.
int InkedQuarters(char32_t character);

// The half block that draws character's cell upside down with its colours swapped (U+2584 for
// U+2580 and back), or 0 for any other character.
char32_t FlippedHalfBlock(char32_t character);

// The colours with which character and ground best draw the colours of the cell's quarters
// (top left, top right, bottom left, bottom right). For a character of known shape: the mean of
// the quarters under its ink and of the others. For any other: the quarters split into the two
// groups that differ most; the ground takes the larger group (the darker on a tie) and the
// character the other, so that its strokes carry what differs in the cell.
CellColors ChooseCellColors(char32_t character, const RgbColor quarters[4]);
