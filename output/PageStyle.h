// The styles of page a conversion can write, in one table that the converter, the wizard, the
// size estimate and the page's name all read.
#pragma once

#include "engine/ConversionSettings.h"
#include "output/PageFormat.h"

#include <memory>
#include <string>
#include <vector>

// One style of page.
struct PageStyleInfo
{
    PageStyle Style;
    const char* Name;         // as the converter's --style and the wizard's list give it
    const char* Description;  // a few words for --help
    // The width of the page's cell over its height, which the proportion rule keeps; 0 where the
    // page leaves the cell to its font (the wizard then measures the chosen face).
    float CellRatio;
    const char* DefaultCharacters;  // in UTF-8
    std::unique_ptr<CPageFormat> (*Create)();
};

// Every style, classic first: the default.
const std::vector<PageStyleInfo>& PageStyles();
const PageStyleInfo& PageStyleOf(PageStyle style);
// The style of that name, or null.
const PageStyleInfo* FindPageStyle(const std::string& name);

// The format that writes a page of the style.
std::unique_ptr<CPageFormat> CreatePageFormat(PageStyle style);
// The extension of the style's pages, with its dot.
std::string PageExtensionOf(PageStyle style);
// The characters a page of the style draws unless the user chooses others, in the program's
// code page; the classic page's where the style's cannot be written in it.
std::string DefaultCharactersOf(PageStyle style);
// The cell ratio the proportion rule takes for a page of the style in a font of fontRatio.
float CellRatioOf(PageStyle style, float fontRatio);
