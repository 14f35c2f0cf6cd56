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
// How far a sample is pushed from the mean of its four neighbours: by a quarter of its difference
// from it (as 1/16 of four times the sample less the four). More sharpens the pages of four photos
// less in SSIM than it costs in colour and in runs (measured with bench/measure_pages.py).
const int SharpenNumerator = 1;
const int SharpenDenominator = 16;

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
    PartsPerCell = std::size_t(std::max(1u, look.Sampling.Across)) * std::max(1u, look.Sampling.Down);
    Characters.clear();
    Parts.clear();
    RowEnds.clear();
    LostCells = false;
    Now = Stage::Cells;
    // Room for every cell at once, so that a page too large for memory is known at its start.
    try
    {
        const std::size_t cells = std::size_t(look.Columns) * look.Rows;
        Characters.reserve(cells);
        Parts.reserve(cells * PartsPerCell);
        RowEnds.reserve(look.Rows);
    }
    catch (const std::exception&)  // bad_alloc or length_error: all that reserving can throw
    {
        LostCells = true;
    }
}

void CPhotoPage::Cell(std::string&, const RgbColor* samples, std::size_t stride, char32_t character)
{
    if (LostCells)
        return;
    try
    {
        Characters.push_back(character);
        const std::size_t down = Look.Sampling.Down, across = Look.Sampling.Across;
        if (across == 1 && down == 2)  // the halves of the default character: most pages
        {
            const RgbColor halves[2] = {samples[0], samples[stride]};
            Parts.insert(Parts.end(), halves, halves + 2);
            return;
        }
        for (std::size_t part = 0; part < down; ++part)
            Parts.insert(Parts.end(), samples + part * stride, samples + part * stride + across);
    }
    catch (const std::bad_alloc&)
    {
        LostCells = true;
    }
}

void CPhotoPage::LineBreak(std::string&)
{
    if (!LostCells)
        RowEnds.push_back(Characters.size());
}

void CPhotoPage::Tail(std::string&)
{
    // A row that was not finished is written as it stands.
    if (!LostCells && Characters.size() > (RowEnds.empty() ? 0 : RowEnds.back()))
        RowEnds.push_back(Characters.size());
    Now = LostCells ? Stage::Done : Stage::Head;
    NextRow = 0;
}

void CPhotoPage::Sharpen(std::vector<RgbColor>& samples, const std::vector<std::size_t>& rowStarts)
{
    if (rowStarts.size() < 2)
        return;
    const auto pushed = [](unsigned value, unsigned around) {
        const int push = SharpenNumerator * (4 * int(value) - int(around));
        // Rounded half away from zero.
        const auto step = int((unsigned(push >= 0 ? push : -push) + SharpenDenominator / 2) / SharpenDenominator);
        return unsigned(std::min(255, std::max(0, int(value) + (push >= 0 ? step : -step))));
    };
    // Rows as they were, each colour's channels 12 bits apart so that four colours' levels add up
    // without carrying: each sample is pushed from its neighbours' own values.
    std::vector<std::uint64_t> above, row, below;
    const auto load = [&samples, &rowStarts](std::size_t y, std::vector<std::uint64_t>& into) {
        into.resize(rowStarts[y + 1] - rowStarts[y]);
        const RgbColor* from = samples.data() + rowStarts[y];
        for (std::size_t x = 0; x < into.size(); ++x)
            into[x] = RedOf(from[x]) | std::uint64_t(GreenOf(from[x])) << 12 | std::uint64_t(BlueOf(from[x])) << 24;
    };
    const std::size_t rows = rowStarts.size() - 1;
    load(0, row);
    for (std::size_t y = 0; y < rows; ++y)
    {
        if (y + 1 < rows)
            load(y + 1, below);
        const std::vector<std::uint64_t>& up = y > 0 ? above : row;
        const std::vector<std::uint64_t>& down = y + 1 < rows ? below : row;
        RgbColor* out = samples.data() + rowStarts[y];
        const std::size_t width = row.size();
        // A missing neighbour (beyond the grid's edge) stands in as the sample itself.
        const auto around = [&](std::size_t x) {
            const std::uint64_t here = row[x];
            return (x < up.size() ? up[x] : here) + (x < down.size() ? down[x] : here) + (x > 0 ? row[x - 1] : here) +
                   (x + 1 < width ? row[x + 1] : here);
        };
        const auto push = [&](std::size_t x, std::uint64_t sum) {
            const RgbColor here = out[x];
            out[x] =
                MakeRgb(pushed(RedOf(here), unsigned(sum & 0xFFF)), pushed(GreenOf(here), unsigned(sum >> 12 & 0xFFF)),
                        pushed(BlueOf(here), unsigned(sum >> 24 & 0xFFF)));
        };
        if (width > 2 && up.size() >= width && down.size() >= width)
        {
            push(0, around(0));
            for (std::size_t x = 1; x + 1 < width; ++x)
                push(x, up[x] + down[x] + row[x - 1] + row[x + 1]);
            push(width - 1, around(width - 1));
        }
        else
        {
            for (std::size_t x = 0; x < width; ++x)
                push(x, around(x));
        }
        above.swap(row);
        row.swap(below);
    }
}

void CPhotoPage::ColorCells()
{
    // The samples as rows of the picture: a row of cells holds Down rows of Across samples a cell.
    const std::size_t across = Look.Sampling.Across, down = Look.Sampling.Down;
    std::vector<RgbColor> grid(RowEnds.empty() ? 0 : RowEnds.back() * PartsPerCell);
    std::vector<std::size_t> rowStarts(1, 0);
    rowStarts.reserve(RowEnds.size() * down + 1);
    RgbColor* into = grid.data();
    for (std::size_t row = 0; row < RowEnds.size(); ++row)
    {
        const std::size_t begin = row == 0 ? 0 : RowEnds[row - 1];
        for (std::size_t part = 0; part < down; ++part)
        {
            const RgbColor* from = Parts.data() + begin * PartsPerCell + part * across;
            for (std::size_t n = begin; n < RowEnds[row]; ++n, from += PartsPerCell)
                for (std::size_t side = 0; side < across; ++side)
                    *into++ = from[side];
            rowStarts.push_back(std::size_t(into - grid.data()));
        }
    }
    Sharpen(grid, rowStarts);
    for (std::size_t row = 0; row < RowEnds.size(); ++row)
    {
        const std::size_t begin = row == 0 ? 0 : RowEnds[row - 1];
        for (std::size_t n = begin; n < RowEnds[row]; ++n)
        {
            const std::size_t x = (n - begin) * across;
            const std::size_t top = rowStarts[row * down], bottom = rowStarts[row * down + down - 1];
            const std::size_t right = across > 1 ? 1 : 0;
            const RgbColor quarters[4] = {grid[top + x], grid[top + x + right], grid[bottom + x],
                                          grid[bottom + x + right]};
            const CellColors colors = ChooseCellColors(Characters[n], quarters);
            Parts[n * PartsPerCell] = colors.Fore;
            Parts[n * PartsPerCell + 1] = colors.Back;
            if (!colors.Inked)
                Characters[n] = U' ';
        }
    }
}

bool CPhotoPage::Drain(std::string& out)
{
    switch (Now)
    {
    case Stage::Cells:
    case Stage::Done: return false;
    case Stage::Head:
        try
        {
            ColorCells();
        }
        catch (const std::bad_alloc&)  // the rows of samples it sharpens
        {
            LostCells = true;
            Now = Stage::Done;
            return false;
        }
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
    // The row's text, run after run, at most MostTextBytes a cell and the room a whole spelling
    // is copied with.
    char* text = nullptr;
    std::size_t written = 0, runStart = 0;
    if (WithText)
    {
        RowText.resize((end - begin) * MostTextBytes + sizeof Spelt);
        text = &RowText[0];
    }
    for (std::size_t n = begin; n < end; ++n)
    {
        const char32_t character = Characters[n];
        const int fore = Palette.IndexOf(Parts[n * PartsPerCell]), back = Palette.IndexOf(Parts[n * PartsPerCell + 1]);
        const char32_t flipped = FlippedHalfBlock(character);
        // The ways the cell may be written: its character, the other half block with the colours
        // swapped, or a space where its colours are one.
        struct Way
        {
            char32_t Character;
            int Fore, Back;
        } ways[2] = {{character, fore, back}, {flipped, back, fore}};
        std::size_t wayCount = flipped ? 2 : 1;
        if (character == U' ' || (flipped && fore == back))
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
                visit(run, text + runStart, written - runStart);
            run = {NoColor, ways[0].Back};
            runStart = written;
            chosen = &ways[0];
        }
        if (chosen->Fore != NoColor)
            run.Fore = chosen->Fore;
        if (WithText)
        {
            // Rows hold a character or two many times over: each is spelt once.
            if (chosen->Character != SpeltCharacter)
            {
                SpeltCharacter = chosen->Character;
                std::string spelling;
                AppendText(spelling, SpeltCharacter);
                std::memcpy(Spelt, spelling.data(), spelling.size());
                SpeltLength = spelling.size();
            }
            std::memcpy(text + written, Spelt, sizeof Spelt);
            written += SpeltLength;
        }
    }
    if (run.Back != NoColor)
        visit(run, text + runStart, written - runStart);
}

void CPhotoPage::NameColors()
{
    for (std::size_t n = 0; n < Characters.size(); ++n)
    {
        Palette.Count(Parts[n * PartsPerCell + 1]);
        if (Characters[n] != U' ')
            Palette.Count(Parts[n * PartsPerCell]);
    }
    Palette.Choose(PaletteSizeFor(Characters.size()));

    // Uses of each colour as a foreground (even indices) and as a background (odd), by run.
    std::vector<std::uint64_t> uses(Palette.Size() * 2, 0);
    for (std::size_t row = 0; row < RowEnds.size(); ++row)
    {
        SplitRow<false>(row, [&uses](const Run& run, const char*, std::size_t) {
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
        {
            names[order[rank]] = ColorName(role == 0, rank);
            LongestName = std::max(LongestName, names[order[rank]].size());
        }
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
    // Room for the row at its longest, every cell a run of its own; what is left over goes again.
    const std::size_t cells = RowEnds[row] - (row == 0 ? 0 : RowEnds[row - 1]);
    std::size_t length = out.size();
    out.resize(length + cells * (MostTextBytes + RunMarkupBytes + 2 * LongestName) + 1);
    char* page = &out[0];
    const auto put = [page, &length](const char* bytes, std::size_t count) {
        std::memcpy(page + length, bytes, count);
        length += count;
    };
    SplitRow<true>(row, [this, &put](const Run& run, const char* text, std::size_t count) {
        put("<i class=", 9);
        if (run.Fore != NoColor)
            put(ForeName[std::size_t(run.Fore)].data(), ForeName[std::size_t(run.Fore)].size());
        put(BackName[std::size_t(run.Back)].data(), BackName[std::size_t(run.Back)].size());
        put(">", 1);
        put(text, count);
        put("</i>", 4);
    });
    page[length++] = '\n';
    out.resize(length);
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

std::uint64_t CPhotoPage::MemoryNeeded(const PageLook& look) const
{
    const std::uint64_t parts = std::uint64_t(std::max(1u, look.Sampling.Across)) * std::max(1u, look.Sampling.Down);
    return std::uint64_t(look.Columns) * look.Rows * (sizeof(char32_t) + 2 * parts * sizeof(RgbColor));
}
