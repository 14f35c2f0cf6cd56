// Rows decoded ahead on a thread of their own: the same rows as decoding them in turn, damage told
// at the chunk it happens in, and a prefetcher that goes before its rows are taken leaves at once.
#include "engine/RowPrefetcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

namespace
{

// Row y of a made-up picture: every byte tells its row and column.
void FillRow(std::uint8_t* row, std::size_t bytes, std::uint32_t y)
{
    for (std::size_t x = 0; x < bytes; ++x)
        row[x] = static_cast<std::uint8_t>(y * 7 + x);
}

// A decoder of that picture that fails at row failAt, counting the rows it decoded.
struct CMadeUpRows
{
    std::size_t RowBytes;
    std::uint32_t FailAt;
    std::atomic<std::uint32_t> Done{0};

    CRowPrefetcher::Decode Decoder()
    {
        return [this](std::uint8_t* out, std::uint32_t count) {
            for (std::uint32_t n = 0; n < count; ++n, ++Done)
            {
                if (Done == FailAt)
                    return false;
                FillRow(out + n * RowBytes, RowBytes, Done);
            }
            return true;
        };
    }
};

}  // namespace

TEST(RowPrefetcher, GivesEveryRowAsDecodingInTurnWouldAndTellsDamageAtItsChunk)
{
    struct Case
    {
        std::uint32_t Rows;
        std::uint32_t FailAt;  // past the last row: no damage
        unsigned Ahead;
    };
    // Rows not a whole number of chunks; damage in the first chunk, at a chunk's start, in the last.
    const Case cases[] = {{100, 1000, 2}, {1, 1000, 2}, {100, 5, 2}, {100, 64, 3}, {100, 99, 8}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.Rows << " rows, damage at " << c.FailAt);
        CMadeUpRows picture{13, c.FailAt};
        CRowPrefetcher ahead(picture.Decoder(), 13, c.Rows, c.Ahead);
        std::uint8_t expected[13];
        std::uint32_t y = 0;
        for (; y < c.Rows; ++y)
        {
            const std::uint8_t* row = ahead.Take(y);
            if (!row)
                break;
            FillRow(expected, sizeof expected, y);
            ASSERT_EQ(std::memcmp(row, expected, sizeof expected), 0) << "row " << y;
        }
        // Damage fails its whole chunk: the rows before it there are never handed out.
        EXPECT_EQ(y, std::min(c.Rows, c.FailAt / CRowPrefetcher::ChunkRows * CRowPrefetcher::ChunkRows));
        EXPECT_FALSE(ahead.OutOfMemory());
        EXPECT_EQ(ahead.Take(c.Rows), nullptr);
        // Never more than the chunks allowed ahead of the last one taken.
        EXPECT_LE(picture.Done,
                  std::min(c.Rows, (y / CRowPrefetcher::ChunkRows + 1 + c.Ahead) * CRowPrefetcher::ChunkRows));
    }
}

TEST(RowPrefetcher, GoesAtOnceWhenNothingIsTaken)
{
    CMadeUpRows picture{4096, 1u << 30};
    {
        CRowPrefetcher ahead(picture.Decoder(), 4096, 100000, 2);
        ASSERT_NE(ahead.Take(0), nullptr);
    }
    // The thread stopped where it waited for a free chunk: three chunks at most were decoded.
    EXPECT_LE(picture.Done, 3 * CRowPrefetcher::ChunkRows);
}
