// CRowPrefetcher: a picture's stored rows decoded ahead, on a thread of its own.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Decodes a picture's stored rows from the top, a chunk of rows at a time, on a second thread, so
// that decoding and the sampling of the rows before run on two cores at once. At most a few chunks
// are decoded ahead of the row last taken, so that memory stays flat however large the picture.
// The rows come out exactly as decoding them in turn on the caller's thread would give them.
class CRowPrefetcher
{
public:
    // Decodes the next count stored rows into out (rows one after the other); false when the
    // data is damaged. Called on the prefetcher's thread only, one call after the other.
    using Decode = std::function<bool(std::uint8_t* out, std::uint32_t count)>;

    // Decodes rows of rowBytes each, up to chunksAhead chunks ahead of the one being taken from.
    CRowPrefetcher(Decode decode, std::size_t rowBytes, std::uint32_t rows, unsigned chunksAhead);
    // Stops the decoding where it is and waits for its thread.
    ~CRowPrefetcher();
    CRowPrefetcher(const CRowPrefetcher&) = delete;
    CRowPrefetcher& operator=(const CRowPrefetcher&) = delete;

    // Stored row y, once it is decoded; rows are taken in order, each at most once, and a row's
    // bytes stay valid until a row of a later chunk is taken. Null when decoding failed in its
    // chunk or before (or it is past the last row): the decoder, or OutOfMemory, then tells why.
    const std::uint8_t* Take(std::uint32_t y);

    // True when decoding stopped for want of memory rather than at damaged data.
    bool OutOfMemory();

    // Rows decoded at once.
    static constexpr std::uint32_t ChunkRows = 32;

private:
    struct Chunk
    {
        std::unique_ptr<std::uint8_t[]> Rows;
        std::uint32_t First = 0;
        std::uint32_t Count = 0;
    };

    void Run();

    Decode DecodeRows;
    const std::size_t RowBytes;
    const std::uint32_t TotalRows;

    std::mutex Lock;
    std::condition_variable Changed;
    std::deque<Chunk> Ready;                            // decoded, in order, not taken yet
    std::vector<std::unique_ptr<std::uint8_t[]>> Free;  // buffers for the thread to decode into
    unsigned Unallocated = 0;                           // buffers the thread may still allocate as it needs them
    std::size_t ChunkBytes = 0;
    bool Failed = false;  // the thread stopped at damaged data or lacked memory
    bool LackedMemory = false;
    bool Stopping = false;
    Chunk Current;  // the chunk rows are being taken from (caller's thread)
    std::thread Worker;
};
