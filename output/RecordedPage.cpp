#include "output/RecordedPage.h"

#include <algorithm>
#include <cmath>

namespace
{

unsigned Channel(RgbColor color, int channel)
{
    return channel == 0 ? RedOf(color) : channel == 1 ? GreenOf(color) : BlueOf(color);
}

unsigned RoundChannel(float value)
{
    return static_cast<unsigned>(std::clamp(value + 0.5f, 0.0f, 255.0f));
}

}  // namespace

CRecordedPage::CRecordedPage(const ConversionSettings& settings, CellSampling sampling, PageKeeping keeping)
    : Columns(settings.Columns), Rows(settings.Rows), Parts(sampling),
      SamplesPerCell(std::size_t(sampling.Across) * sampling.Down), CharacterSet(settings.CharacterSet),
      Sequential(settings.CharacterOrder != 0), BackgroundColor(settings.BackgroundColor),
      BothColours(settings.Style == PageStyle::Photo), Keeping(std::move(keeping))
{
}

bool CRecordedPage::WriteHeader()
{
    // The page writer starts its sequence here too: the cells draw the same characters.
    Sequence.Start(CharacterSet, Sequential);
    RowsDone = 0;
    Complete = false;
    RowCharacters.assign(Columns, U' ');
    if (!IsReduced())
    {
        Characters.assign(std::size_t(Columns) * Rows, U' ');
        CellSamples.assign(std::size_t(Columns) * Rows * SamplesPerCell, BackgroundColor);
        return true;
    }
    if (Keeping.CellWidth == 0 || Keeping.CellHeight == 0)
        return false;
    const std::uint64_t pageWidth = std::uint64_t(Columns) * Keeping.CellWidth;
    const std::uint64_t pageHeight = std::uint64_t(Rows) * Keeping.CellHeight;
    ReducedWidth = static_cast<std::uint32_t>((pageWidth + Keeping.Reduction - 1) / Keeping.Reduction);
    ReducedHeight = static_cast<std::uint32_t>((pageHeight + Keeping.Reduction - 1) / Keeping.Reduction);
    Sums.assign(std::size_t(ReducedWidth) * ReducedHeight * 3, 0.0f);
    Pixels.clear();
    MapStrips(Columns * Parts.Across, static_cast<double>(pageWidth), ColumnStarts, ColumnSpans);
    MapStrips(Rows * Parts.Down, static_cast<double>(pageHeight), RowStarts, RowSpans);
    RowCoverage.assign(Columns, 0.0f);
    return true;
}

void CRecordedPage::MapStrips(std::uint32_t count, double pageLength, std::vector<std::uint32_t>& starts,
                              std::vector<Span>& spans) const
{
    const double pixel = Keeping.Reduction;
    starts.assign(1, 0);
    spans.clear();
    for (std::uint32_t n = 0; n < count; ++n)
    {
        const double from = pageLength * n / count;
        const double to = pageLength * (n + 1) / count;
        const auto first = static_cast<std::uint32_t>(std::floor(from / pixel));
        for (std::uint32_t p = first; p * pixel < to; ++p)
        {
            const double covered = std::min(to, (p + 1) * pixel) - std::max(from, p * pixel);
            if (covered > 0)
                spans.push_back({p, static_cast<float>(covered / pixel)});
        }
        starts.push_back(static_cast<std::uint32_t>(spans.size()));
    }
}

bool CRecordedPage::WriteRow(const RgbColor* samples)
{
    if (RowsDone >= Rows)
        return false;
    for (std::uint32_t x = 0; x < Columns; ++x)
        RowCharacters[x] = Sequence.Next();
    if (IsReduced())
    {
        AddReducedRow(samples);
    }
    else
    {
        const std::size_t stride = std::size_t(Columns) * Parts.Across;
        for (std::uint32_t x = 0; x < Columns; ++x)
        {
            const std::size_t cell = Index(x, RowsDone);
            Characters[cell] = RowCharacters[x];
            RgbColor* kept = CellSamples.data() + cell * SamplesPerCell;
            for (std::uint32_t down = 0; down < Parts.Down; ++down)
                for (std::uint32_t across = 0; across < Parts.Across; ++across)
                    *kept++ = samples[down * stride + std::size_t(x) * Parts.Across + across];
        }
    }
    ++RowsDone;
    return true;
}

// Each sample covers its part of the cell; over that part the page shows the character's ink in
// the sample's colour and the background around it, which average to a mix by the ink's share.
void CRecordedPage::AddReducedRow(const RgbColor* samples)
{
    char32_t known = 0;
    float share = 0.0f;
    bool looked = false;
    for (std::uint32_t x = 0; x < Columns; ++x)
    {
        if (!looked || RowCharacters[x] != known)
        {
            known = RowCharacters[x];
            const auto found = Keeping.Coverage.find(known);
            share = found == Keeping.Coverage.end() ? 0.0f : std::clamp(found->second, 0.0f, 1.0f);
            looked = true;
        }
        RowCoverage[x] = share;
    }

    const std::uint32_t across = Columns * Parts.Across;
    const std::size_t lower = Parts.Down > 1 ? across : 0;
    if (BothColours)
    {
        RowColors.resize(Columns);
        for (std::uint32_t x = 0; x < Columns; ++x)
            RowColors[x] = ChooseColors(samples + std::size_t(x) * Parts.Across, across, RowCharacters[x]);
    }
    for (std::uint32_t down = 0; down < Parts.Down; ++down)
    {
        const std::uint32_t strip = RowsDone * Parts.Down + down;
        const RgbColor* row = samples + std::size_t(down) * across;
        for (std::uint32_t s = 0; s < across; ++s)
        {
            const std::uint32_t cell = s / Parts.Across;
            const float ink = RowCoverage[cell];
            // What the page shows over this part of the cell: the ink's colour over its share and
            // the ground's over the rest, or in the photo style the quarter's own colour for a
            // character whose shape is known.
            RgbColor fore = row[s];
            RgbColor ground = BackgroundColor;
            float inked = ink;
            if (BothColours)
            {
                const CellColors& colors = RowColors[cell];
                const int shape = colors.Inked ? InkedQuarters(RowCharacters[cell]) : 0;
                fore = colors.Fore;
                ground = colors.Back;
                if (shape >= 0)
                {
                    const bool right = Parts.Across > 1 && s % Parts.Across != 0;
                    const bool bottom = lower != 0 && down != 0;
                    const unsigned quarter = bottom ? (right ? BottomRightQuarter : BottomLeftQuarter)
                                                    : (right ? TopRightQuarter : TopLeftQuarter);
                    inked = (unsigned(shape) & quarter) ? 1.0f : 0.0f;
                }
            }
            float shown[3];
            for (int c = 0; c < 3; ++c)
                shown[c] = inked * float(Channel(fore, c)) + (1.0f - inked) * float(Channel(ground, c));
            for (std::uint32_t r = RowStarts[strip]; r < RowStarts[strip + 1]; ++r)
            {
                float* line = Sums.data() + std::size_t(RowSpans[r].Pixel) * ReducedWidth * 3;
                for (std::uint32_t k = ColumnStarts[s]; k < ColumnStarts[s + 1]; ++k)
                {
                    const float weight = RowSpans[r].Share * ColumnSpans[k].Share;
                    float* sum = line + std::size_t(ColumnSpans[k].Pixel) * 3;
                    for (int c = 0; c < 3; ++c)
                        sum[c] += weight * shown[c];
                }
            }
        }
    }
}

CellColors CRecordedPage::ChooseColors(const RgbColor* samples, std::size_t stride, char32_t character) const
{
    // The quarters, from whatever parts the cell was sampled in, as the photo page takes them.
    const std::size_t right = Parts.Across > 1 ? 1 : 0;
    const std::size_t lower = Parts.Down > 1 ? stride : 0;
    const RgbColor quarters[4] = {samples[0], samples[right], samples[lower], samples[lower + right]};
    return ChooseCellColors(character, quarters);
}

bool CRecordedPage::WriteFooter()
{
    if (RowsDone != Rows)
        return false;
    Complete = true;
    if (!IsReduced())
        return true;
    // Pixels at the page's right and bottom edges reach past it, over the bare background.
    const double pixel = Keeping.Reduction;
    const double pageWidth = double(Columns) * Keeping.CellWidth;
    const double pageHeight = double(Rows) * Keeping.CellHeight;
    Pixels.assign(std::size_t(ReducedWidth) * ReducedHeight, BackgroundColor);
    for (std::uint32_t y = 0; y < ReducedHeight; ++y)
    {
        const double high = (std::min(pageHeight, (y + 1) * pixel) - y * pixel) / pixel;
        for (std::uint32_t x = 0; x < ReducedWidth; ++x)
        {
            const double wide = (std::min(pageWidth, (x + 1) * pixel) - x * pixel) / pixel;
            const float bare = static_cast<float>(1.0 - wide * high);
            const float* sum = Sums.data() + (std::size_t(y) * ReducedWidth + x) * 3;
            unsigned channel[3];
            for (int c = 0; c < 3; ++c)
                channel[c] = RoundChannel(sum[c] + bare * float(Channel(BackgroundColor, c)));
            Pixels[std::size_t(y) * ReducedWidth + x] = MakeRgb(channel[0], channel[1], channel[2]);
        }
    }
    Sums.clear();
    Sums.shrink_to_fit();
    return true;
}

RgbColor CRecordedPage::CellColor(std::uint32_t x, std::uint32_t y) const
{
    const RgbColor* samples = Samples(x, y);
    unsigned sums[3] = {0, 0, 0};
    for (std::size_t n = 0; n < SamplesPerCell; ++n)
        for (int c = 0; c < 3; ++c)
            sums[c] += Channel(samples[n], c);
    const auto count = static_cast<unsigned>(SamplesPerCell);
    return MakeRgb((sums[0] + count / 2) / count, (sums[1] + count / 2) / count, (sums[2] + count / 2) / count);
}

CellColors CRecordedPage::Colors(std::uint32_t x, std::uint32_t y) const
{
    if (BothColours)
        return ChooseColors(Samples(x, y), Parts.Across, Character(x, y));
    CellColors colors;
    colors.Fore = CellColor(x, y);
    colors.Back = BackgroundColor;
    colors.Inked = Character(x, y) != U' ';
    return colors;
}
