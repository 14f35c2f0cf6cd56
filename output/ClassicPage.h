// CClassicPage: the page of one coloured character per cell, in the markup of the first browsers.
#pragma once

#include "output/PageFormat.h"

// The classic page, byte for byte: a head that sets the background colour and the font, one
// <FONT COLOR=#RRGGBB> element per cell, <BR> and CR LF after each row, and a fixed tail. The page
// is plain ASCII: a character that is not printable ASCII, or that means something to the markup
// where it stands, is written as a numeric character reference; a space as "&nbsp;".
class CClassicPage : public CPageFormat
{
public:
    void Head(std::string& out, const PageLook& look) override;
    void Cell(std::string& out, const RgbColor* samples, std::size_t stride, char32_t character) override;
    void LineBreak(std::string& out) override;
    void Tail(std::string& out) override;
};
