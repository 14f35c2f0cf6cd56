#include "output/PhotoPage.h"

#include "base/TextEncoding.h"
#include "output/CellColors.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace
{

// The faces that carry the half blocks at the width of their digits, after the page's own face:
// the usual monospaced faces of Linux, Windows and macOS, then the browser's.
const char* const FallbackFaces[] = {"DejaVu Sans Mono", "Consolas", "Courier New", "Liberation Mono", "Menlo"};
const char HexDigits[] = "0123456789ABCDEF";
const std::size_t DrainPart = 64 * 1024;
// Bytes a cell of a photo takes in the mean, beside its character: the elements of its runs and
// its share of the sheet (measured with bench/measure_pages.py at 160 columns).
const double MarkupPerCell = 9.5;
// The cells per colour of the palette, and its bounds: fewer colours make longer runs and a
// shorter sheet, more make truer colours; at 60 a photo takes at most 16 bytes a cell (measured
// with bench/measure_pages.py at 160 columns).
const std::uint64_t CellsPerColor = 60;
const std::size_t FewestColors = 16;
const std::size_t MostColors = 256;

void AppendColor(std::string& out, RgbColor color)
{
    out += '#';
    for (unsigned part : {RedOf(color), GreenOf(color), BlueOf(color)})
    {
        out += HexDigits[part >> 4];
        out += HexDigits[part & 0x0F];
    }
}

void AppendUtf8(std::string& out, char32_t character)
{
    if (character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF))
        character = 0xFFFD;
    if (character < 0x80)
    {
        out += static_cast<char>(character);
    }
    else if (character < 0x800)
    {
        out += static_cast<char>(0xC0 | (character >> 6));
        out += static_cast<char>(0x80 | (character & 0x3F));
    }
    else if (character < 0x10000)
    {
        out += static_cast<char>(0xE0 | (character >> 12));
        out += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (character & 0x3F));
    }
    else
    {
        out += static_cast<char>(0xF0 | (character >> 18));
        out += static_cast<char>(0x80 | ((character >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (character & 0x3F));
    }
}

// A character that would break the grid or its line: controls and the separators of lines.
bool BreaksTheGrid(char32_t character)
{
    return character < 0x20 || (character >= 0x7F && character <= 0x9F) || character == 0x2028 || character == 0x2029;
}

// The character as page text: markup as references, what has no glyph of its own as a space.
void AppendText(std::string& out, char32_t character)
{
    switch (character)
    {
    case U'<': out += "&lt;"; break;
    case U'>': out += "&gt;"; break;
    case U'&': out += "&amp;"; break;
    default: AppendUtf8(out, BreaksTheGrid(character) ? U' ' : character);
    }
}

// A face name as a quoted CSS string: quotes, backslashes, markup and controls escaped, so that
// no name leaves its string or the sheet.
void AppendFace(std::string& out, const std::u32string& face)
{
    out += '\'';
    for (char32_t character : face)
    {
        if (character < 0x20 || character == 0x7F || std::strchr("'\"\\<>&", int(character < 0x80 ? character : 1)))
        {
            char escape[16];
            std::snprintf(escape, sizeof escape, "\\%X ", unsigned(character));
            out += escape;
        }
        else
        {
            AppendUtf8(out, character);
        }
    }
    out += '\'';
}

bool SameFace(const std::u32string& face, const char* other)
{
    if (face.size() != std::strlen(other))
        return false;
    for (std::size_t n = 0; n < face.size(); ++n)
    {
        const auto lower = [](char32_t c) { return c >= U'A' && c <= U'Z' ? c + 32 : c; };
        if (lower(face[n]) != lower(char32_t(static_cast<unsigned char>(other[n]))))
            return false;
    }
    return true;
}

}  // namespace

std::string CPhotoPage::ColorName(bool fore, std::size_t rank)
{
    // Foregrounds in capitals, none the start of another; backgrounds in small letters, none the
    // end of another: an element's class, foreground then background, tells both apart.
    const char base = fore ? 'A' : 'a';
    if (rank < 16)
        return std::string(1, char(base + rank));
    rank -= 16;
    if (rank >= 260)
        return std::string();
    return fore ? std::string{char('Q' + rank / 26), char('A' + rank % 26)}
                : std::string{char('a' + rank / 10), char('q' + rank % 10)};
}

std::size_t CPhotoPage::PaletteSizeFor(std::uint64_t cells)
{
    return static_cast<std::size_t>(
        std::min<std::uint64_t>(MostColors, std::max<std::uint64_t>(FewestColors, cells / CellsPerColor)));
}

CellSampling CPhotoPage::Sampling(const std::u32string& set) const
{
    // Halves are enough while no character tells the left of a cell from its right.
    CellSampling sampling;
    sampling.Down = 2;
    for (char32_t character : set)
    {
        const int shape = InkedQuarters(character);
        const int left = shape & (TopLeftQuarter | BottomLeftQuarter);
        const int right = (shape & (TopRightQuarter | BottomRightQuarter)) >> 1;
        if (shape < 0 || left != right)
            sampling.Across = 2;
    }
    return sampling;
}

void CPhotoPage::Head(std::string&, const PageLook& look)
{
    Look = look;
    Cells.clear();
    RowEnds.clear();
    LostCells = false;
    Now = Stage::Cells;
    // Room for every cell at once, so that a page too large for memory is known at its start.
    try
    {
        Cells.reserve(std::size_t(look.Columns) * look.Rows);
        RowEnds.reserve(look.Rows);
    }
    catch (const std::exception&)  // bad_alloc or length_error: all that reserving can throw
    {
        LostCells = true;
    }
}

void CPhotoPage::Keep(const KeptCell& cell)
{
    if (LostCells)
        return;
    try
    {
        Cells.push_back(cell);
    }
    catch (const std::bad_alloc&)
    {
        LostCells = true;
    }
}

void CPhotoPage::Cell(std::string&, const RgbColor* samples, std::size_t stride, char32_t character)
{
    // The quarters, from whatever parts the cell was sampled in.
    const std::size_t right = Look.Sampling.Across > 1 ? 1 : 0;
    const std::size_t lower = Look.Sampling.Down > 1 ? stride : 0;
    const RgbColor quarters[4] = {samples[0], samples[right], samples[lower], samples[lower + right]};
    const CellColors colors = ChooseCellColors(character, quarters);
    Keep({colors.Fore, colors.Back, colors.Inked ? character : U' '});
}

void CPhotoPage::LineBreak(std::string&)
{
    if (!LostCells)
        RowEnds.push_back(Cells.size());
}

void CPhotoPage::Tail(std::string&)
{
    // A row that was not finished is written as it stands.
    if (!LostCells && Cells.size() > (RowEnds.empty() ? 0 : RowEnds.back()))
        RowEnds.push_back(Cells.size());
    Now = LostCells ? Stage::Done : Stage::Head;
    NextRow = 0;
}

bool CPhotoPage::Drain(std::string& out)
{
    switch (Now)
    {
    case Stage::Cells:
    case Stage::Done: return false;
    case Stage::Head:
        NameColors();
        AppendHead(out);
        Now = Stage::Rows;
        return true;
    case Stage::Rows:
        while (NextRow < RowEnds.size() && out.size() < DrainPart)
            AppendRow(out, NextRow++);
        if (NextRow == RowEnds.size())
        {
            out += "</pre></body></html>\n";
            Now = Stage::Done;
        }
        return true;
    }
    return false;
}

template <bool WithText, class Visit>
void CPhotoPage::SplitRow(std::size_t row, Visit visit)
{
    const std::size_t begin = row == 0 ? 0 : RowEnds[row - 1];
    const std::size_t end = RowEnds[row];
    Run run = {NoColor, NoColor};
    RunText.clear();
    for (std::size_t n = begin; n < end; ++n)
    {
        const KeptCell& cell = Cells[n];
        const int fore = Palette.IndexOf(cell.Fore), back = Palette.IndexOf(cell.Back);
        const char32_t flipped = FlippedHalfBlock(cell.Character);
        // The ways the cell may be written: its character, the other half block with the colours
        // swapped, or a space where its colours are one.
        struct Way
        {
            char32_t Character;
            int Fore, Back;
        } ways[2] = {{cell.Character, fore, back}, {flipped, back, fore}};
        std::size_t wayCount = flipped ? 2 : 1;
        if (cell.Character == U' ' || (flipped && fore == back))
        {
            ways[0] = {U' ', NoColor, back};
            wayCount = 1;
        }
        const Way* chosen = nullptr;
        for (std::size_t way = 0; way < wayCount && run.Back != NoColor; ++way)
        {
            if (ways[way].Back == run.Back &&
                (ways[way].Fore == NoColor || run.Fore == NoColor || ways[way].Fore == run.Fore))
            {
                chosen = &ways[way];
                break;
            }
        }
        if (!chosen)
        {
            if (run.Back != NoColor)
                visit(run, RunText);
            run = {NoColor, ways[0].Back};
            RunText.clear();
            chosen = &ways[0];
        }
        if (chosen->Fore != NoColor)
            run.Fore = chosen->Fore;
        if (WithText)
            AppendText(RunText, chosen->Character);
    }
    if (run.Back != NoColor)
        visit(run, RunText);
}

void CPhotoPage::NameColors()
{
    for (const KeptCell& cell : Cells)
    {
        Palette.Count(cell.Back);
        if (cell.Character != U' ')
            Palette.Count(cell.Fore);
    }
    Palette.Choose(PaletteSizeFor(Cells.size()));

    // Uses of each colour as a foreground (even indices) and as a background (odd), by run.
    std::vector<std::uint64_t> uses(Palette.Size() * 2, 0);
    for (std::size_t row = 0; row < RowEnds.size(); ++row)
    {
        SplitRow<false>(row, [&uses](const Run& run, const std::string&) {
            if (run.Fore != NoColor)
                ++uses[std::size_t(run.Fore) * 2];
            ++uses[std::size_t(run.Back) * 2 + 1];
        });
    }
    for (int role = 0; role < 2; ++role)
    {
        std::vector<std::size_t> order;
        for (std::size_t n = 0; n < Palette.Size(); ++n)
            if (uses[n * 2 + std::size_t(role)] != 0)
                order.push_back(n);
        std::stable_sort(order.begin(), order.end(), [&uses, role](std::size_t a, std::size_t b) {
            return uses[a * 2 + std::size_t(role)] > uses[b * 2 + std::size_t(role)];
        });
        std::vector<std::string>& names = role == 0 ? ForeName : BackName;
        names.assign(Palette.Size(), std::string());
        for (std::size_t rank = 0; rank < order.size(); ++rank)
            names[order[rank]] = ColorName(role == 0, rank);
    }
}

void CPhotoPage::AppendHead(std::string& out) const
{
    std::u32string text;
    out += "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>";
    SplitCharacters(Look.Title, text);
    for (char32_t character : text)
        AppendText(out, character);
    out += "</title>\n<style>\nbody{margin:0;padding:8px;text-align:center;background:";
    AppendColor(out, Look.Background);
    out += "}\npre{display:inline-block;margin:0;text-align:left;font:10px/2ch ";
    std::u32string face;
    SplitCharacters(Look.FontFace, face);
    if (!face.empty())
    {
        AppendFace(out, face);
        out += ',';
    }
    for (const char* fallback : FallbackFaces)
    {
        if (!SameFace(face, fallback))
        {
            AppendFace(out, std::u32string(fallback, fallback + std::strlen(fallback)));
            out += ',';
        }
    }
    out += "monospace;letter-spacing:0;word-spacing:0;font-kerning:none;font-variant-ligatures:none}\n"
           "i{display:inline-block;vertical-align:top;font-style:normal}\n";
    for (std::size_t n = 0; n < Palette.Size(); ++n)
    {
        if (!ForeName[n].empty())
        {
            out += "[class^=" + ForeName[n] + "]{color:";
            AppendColor(out, Palette.ColorAt(n));
            out += '}';
        }
        if (!BackName[n].empty())
        {
            out += "[class$=" + BackName[n] + "]{background:";
            AppendColor(out, Palette.ColorAt(n));
            out += '}';
        }
    }
    out += "\n</style></head><body><pre>";
}

void CPhotoPage::AppendRow(std::string& out, std::size_t row)
{
    SplitRow<true>(row, [this, &out](const Run& run, const std::string& text) {
        out += "<i class=";
        if (run.Fore != NoColor)
            out += ForeName[std::size_t(run.Fore)];
        out += BackName[std::size_t(run.Back)];
        out += '>';
        out += text;
        out += "</i>";
    });
    out += '\n';
}

std::uint64_t CPhotoPage::EstimateSize(const PageLook& look, const std::u32string& set)
{
    CPhotoPage sample;
    sample.Look = look;
    std::string head;
    sample.AppendHead(head);
    const std::uint64_t cells = std::uint64_t(look.Columns) * look.Rows;
    // The characters as written, each equally often; half blocks as the spaces and blocks they
    // become in the mean.
    double characterBytes = 1;
    if (!set.empty())
    {
        std::string text;
        for (char32_t character : set)
            AppendText(text, character);
        characterBytes = double(text.size()) / set.size();
    }
    const double sheet = double(PaletteSizeFor(cells)) * 2 * 24;
    return head.size() + std::uint64_t(sheet + double(cells) * (MarkupPerCell + characterBytes)) + look.Rows +
           std::strlen("</pre></body></html>\n");
}
