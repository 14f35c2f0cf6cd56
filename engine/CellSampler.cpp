#include "engine/CellSampler.h"

#include <algorithm>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// Each sum is rounded to single precision after every addition, so a cell's sums
// form one chain of dependent additions; the speed comes from running the chains
// of several cells side by side, and from adding a wholly covered pixel (weight 1)
// in single precision at once. Adding a float that holds a small integer in double
// and then rounding to single gives the very same float as one single-precision
// addition (double has more than twice single's precision), so both ways of adding
// keep every sum bit for bit what the plain per-pixel loop gives.
#ifdef __SSE2__

// The sums in the lanes of one register: the three channels in the order the
// picture's decoder gives them, then the weight.
class CCellSampler::Sums
{
public:
    // Adds a pixel of weight 1: one single-precision addition for all four sums.
    void AddWhole(std::uint32_t channels) { Value = _mm_add_ps(Value, _mm_cvtepi32_ps(Lanes(channels))); }

    // Adds a pixel of weight w: products and sums in double, each sum then rounded to single.
    void AddWeighted(std::uint32_t channels, double w)
    {
        const __m128i lanes = Lanes(channels);
        const __m128d weight = _mm_set1_pd(w);
        const __m128d redGreen = _mm_cvtepi32_pd(lanes);
        const __m128d blueOne = _mm_cvtepi32_pd(_mm_shuffle_epi32(lanes, _MM_SHUFFLE(3, 2, 3, 2)));
        const __m128d low = _mm_add_pd(_mm_cvtps_pd(Value), _mm_mul_pd(weight, redGreen));
        const __m128d high = _mm_add_pd(_mm_cvtps_pd(_mm_movehl_ps(Value, Value)), _mm_mul_pd(weight, blueOne));
        Value = _mm_movelh_ps(_mm_cvtpd_ps(low), _mm_cvtpd_ps(high));
    }

    void Read(float (&sums)[4]) const { _mm_storeu_ps(sums, Value); }

private:
    // The channel bytes widened to 32-bit lanes, with 1 in the weight lane.
    static __m128i Lanes(std::uint32_t channels)
    {
        const __m128i zero = _mm_setzero_si128();
        const __m128i bytes = _mm_cvtsi32_si128(static_cast<int>(channels | 0x01000000u));
        return _mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, zero), zero);
    }

    __m128 Value = _mm_setzero_ps();
};

#else

// The sums as four floats: the three channels in the decoder's order, then the weight.
class CCellSampler::Sums
{
public:
    void AddWhole(std::uint32_t channels) { AddWeighted(channels, 1.0); }

    void AddWeighted(std::uint32_t channels, double w)
    {
        for (int n = 0; n < 3; ++n)
            Value[n] = static_cast<float>(Value[n] + w * ((channels >> (8 * n)) & 0xFFu));
        Value[3] = static_cast<float>(Value[3] + w);
    }

    void Read(float (&sums)[4]) const { std::copy(Value, Value + 4, sums); }

private:
    float Value[4] = {0, 0, 0, 0};
};

#endif

namespace
{

// The cell colour from its sums (blue first when blueLow): each component sum over the
// weight sum in double, truncated.
RgbColor Average(const float (&sums)[4], bool blueLow)
{
    const float weightSum = sums[3];
    if (!(weightSum > 0))
        return 0;  // a cell without pixels (only possible for an empty picture) is black

    // Rounding in the single-precision sums can carry a quotient to 256 for a very
    // large cell; that is held at 255 rather than wrapped to 0.
    auto component = [weightSum](float sum) {
        const double quotient = static_cast<double>(sum) / weightSum;
        return quotient >= 255.0 ? 255u : static_cast<unsigned>(quotient);
    };
    const unsigned low = component(sums[0]), green = component(sums[1]), high = component(sums[2]);
    return blueLow ? MakeRgb(high, green, low) : MakeRgb(low, green, high);
}

}  // namespace

CCellSampler::CCellSampler(CPictureSource& source, std::uint32_t columns, std::uint32_t rows)
    : Picture(source), FirstRow(nullptr), RowStep(source.RowDistance()), Columns(columns), PixelWidth(source.Width()),
      PixelHeight(source.Height()), Width(static_cast<float>(PixelWidth)), Height(static_cast<float>(PixelHeight)),
      ColumnCount(static_cast<float>(columns)), RowCount(static_cast<float>(rows)), ColumnSpans(columns), Block(),
      BlockFirst(0), BlockEnd(0)
{
    for (std::uint32_t x = 0; x < columns; ++x)
        ColumnSpans[x] = SpanOf(Edge(x, Width, ColumnCount), Edge(x + 1, Width, ColumnCount), PixelWidth);
}

float CCellSampler::Edge(std::uint32_t index, float extent, float count)
{
    return static_cast<float>(static_cast<double>(index) * extent / count);
}

std::uint32_t CCellSampler::EdgeCeiling(float edge)
{
    // edge + 1 is formed in double: in single precision it may round up to the
    // next integer and take in a pixel that lies wholly outside the cell.
    const auto whole = static_cast<std::uint32_t>(edge);
    if (static_cast<double>(edge) > static_cast<double>(whole))
        return static_cast<std::uint32_t>(static_cast<double>(edge) + 1.0);
    return whole;
}

double CCellSampler::Weight(std::uint32_t i, float low, float high)
{
    const double begin = i;
    const double end = begin + 1.0;
    if (begin < low)
        return end - low;
    if (high < end)
        return high - begin;
    return 1.0;
}

// Pixels strictly between the first and the last lie past low (they begin after
// trunc(low)) and end before high (they end before its ceiling), so their weight is 1.
CCellSampler::Span CCellSampler::SpanOf(float low, float high, std::uint32_t pixels)
{
    Span span;
    span.First = static_cast<std::uint32_t>(low);
    // The clamp matters only when the extent is not exact in single precision.
    span.End = std::min(EdgeCeiling(high), pixels);
    if (span.Count() > 0)
    {
        span.FirstWeight = Weight(span.First, low, high);
        span.LastWeight = Weight(span.End - 1, low, high);
    }
    return span;
}

bool CCellSampler::BeginRow(std::uint32_t y)
{
    RowSpan = SpanOf(Edge(y, Height, RowCount), Edge(y + 1, Height, RowCount), PixelHeight);
    BlockFirst = BlockEnd = 0;
    FirstRow = nullptr;
    if (RowSpan.Count() == 0)
        return true;
    if (!Picture.LoadRows(RowSpan.First, RowSpan.End))
        return false;
    FirstRow = Picture.RowBase(RowSpan.First);
    return true;
}

RgbColor CCellSampler::SampleCell(std::uint32_t x)
{
    if (x < BlockFirst || x >= BlockEnd)
        SampleBlock(x);
    return Block[x - BlockFirst];
}

// Works out the cells from x on (as many as fit in Block), four, two or one at a time.
void CCellSampler::SampleBlock(std::uint32_t x)
{
    const std::uint32_t count = x < Columns ? std::min(BlockCells, Columns - x) : 1;
    Span outside;
    if (x >= Columns)
        outside = SpanOf(Edge(x, Width, ColumnCount), Edge(x + 1, Width, ColumnCount), PixelWidth);
    const Span* spans = x < Columns ? ColumnSpans.data() + x : &outside;
    auto sample = [&](const auto& decode) {
        std::uint32_t n = 0;
#if defined(__x86_64__) || defined(_M_X64)
        // Sixteen vector registers hold eight cells' sums; eight chains of additions keep both
        // of a core's adders busy.
        for (; n + 8 <= count; n += 8)
            SampleSideBySide<8>(decode, spans + n, Block + n);
#endif
        for (; n + 4 <= count; n += 4)
            SampleSideBySide<4>(decode, spans + n, Block + n);
        if (n + 2 <= count)
        {
            SampleSideBySide<2>(decode, spans + n, Block + n);
            n += 2;
        }
        if (n < count)
            SampleSideBySide<1>(decode, spans + n, Block + n);
    };
    Picture.Layout().WithDecoder(sample);
    BlockFirst = x;
    BlockEnd = x + count;
}

// Averages Cells neighbouring cells of the current row at once. Each cell still
// takes its pixels column by column, each column from the top row down, exactly
// as one cell alone would; the cells only take turns. A cell with fewer pixel
// columns than its neighbours sits out their extra columns.
template <int Cells, class Decoder>
void CCellSampler::SampleSideBySide(const Decoder& decode, const Span* columns, RgbColor* colors) const
{
    Sums sums[Cells];
    std::uint32_t widest = 0;
    for (int c = 0; c < Cells; ++c)
        widest = std::max(widest, columns[c].Count());

    const Span rows = RowSpan;
    const std::uint32_t height = rows.Count();
    if (height > 0)
    {
        for (std::uint32_t k = 0; k < widest; ++k)
        {
            std::uint32_t column[Cells];
            double wx[Cells];
            bool takes[Cells];
            bool whole = true;
            for (int c = 0; c < Cells; ++c)
            {
                const Span& span = columns[c];
                const std::uint32_t count = span.Count();
                takes[c] = k < count;
                column[c] = span.First + k;
                wx[c] = k == 0 ? span.FirstWeight : k + 1 == count ? span.LastWeight : 1.0;
                whole = whole && takes[c] && wx[c] == 1.0;
            }

            // One pixel row of every cell, with its row weight.
            auto addWhole = [&](const std::uint8_t* row) {
                for (int c = 0; c < Cells; ++c)
                    sums[c].AddWhole(decode.Channels(row, column[c]));
            };
            auto addRow = [&](const std::uint8_t* row, double wy) {
                if (whole && wy == 1.0)
                {
                    addWhole(row);
                    return;
                }
                for (int c = 0; c < Cells; ++c)
                    if (takes[c])
                        sums[c].AddWeighted(decode.Channels(row, column[c]), wx[c] * wy);
            };

            // Rows strictly between the first and the last have the weight 1; the test
            // for a whole column is made once for all of them.
            const std::ptrdiff_t step = RowStep;
            const std::uint8_t* row = FirstRow;
            addRow(row, rows.FirstWeight);
            if (whole)
            {
                for (std::uint32_t j = rows.First + 2; j < rows.End; ++j)
                    addWhole(row += step);
            }
            else
            {
                for (std::uint32_t j = rows.First + 2; j < rows.End; ++j)
                    addRow(row += step, 1.0);
            }
            if (height > 1)
                addRow(row + step, rows.LastWeight);
        }
    }
    for (int c = 0; c < Cells; ++c)
    {
        float values[4];
        sums[c].Read(values);
        colors[c] = Average(values, Decoder::BlueLow);
    }
}
