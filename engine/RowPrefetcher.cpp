#include "engine/RowPrefetcher.h"

#include <algorithm>
#include <new>

CRowPrefetcher::CRowPrefetcher(Decode decode, std::size_t rowBytes, std::uint32_t rows, unsigned chunksAhead)
    : DecodeRows(std::move(decode)), RowBytes(rowBytes), TotalRows(rows)
{
    // Buffers for the chunk being taken from and those decoded ahead of it, allocated only as
    // the decoding reaches them: a file whose data ends early never costs them all.
    ChunkBytes = RowBytes * std::min<std::uint32_t>(ChunkRows, TotalRows);
    Unallocated = chunksAhead + 1;
    Worker = std::thread(&CRowPrefetcher::Run, this);
}

CRowPrefetcher::~CRowPrefetcher()
{
    {
        std::lock_guard<std::mutex> guard(Lock);
        Stopping = true;
    }
    Changed.notify_all();
    if (Worker.joinable())
        Worker.join();
}

void CRowPrefetcher::Run()
{
    for (std::uint32_t first = 0; first < TotalRows;)
    {
        Chunk chunk;
        {
            std::unique_lock<std::mutex> guard(Lock);
            Changed.wait(guard, [this] { return Stopping || !Free.empty() || Unallocated > 0; });
            if (Stopping)
                return;
            if (!Free.empty())
            {
                chunk.Rows = std::move(Free.back());
                Free.pop_back();
            }
            else
            {
                --Unallocated;
            }
        }
        if (!chunk.Rows)
        {
            chunk.Rows.reset(new (std::nothrow) std::uint8_t[ChunkBytes]);
            if (!chunk.Rows)
            {
                {
                    std::lock_guard<std::mutex> guard(Lock);
                    Failed = LackedMemory = true;
                }
                Changed.notify_all();
                return;
            }
        }
        chunk.First = first;
        chunk.Count = std::min(ChunkRows, TotalRows - first);
        // The decoding itself runs unlocked: the caller takes earlier rows meanwhile.
        const bool decoded = DecodeRows(chunk.Rows.get(), chunk.Count);
        {
            std::lock_guard<std::mutex> guard(Lock);
            if (decoded)
                Ready.push_back(std::move(chunk));
            else
                Failed = true;
        }
        Changed.notify_all();
        if (!decoded)
            return;
        first += chunk.Count;
    }
}

const std::uint8_t* CRowPrefetcher::Take(std::uint32_t y)
{
    if (y >= TotalRows)
        return nullptr;
    if (!Current.Rows || y >= Current.First + Current.Count)
    {
        std::unique_lock<std::mutex> guard(Lock);
        for (;;)
        {
            // A chunk wholly before y goes back to the thread; the one holding y is taken.
            if (Current.Rows && y >= Current.First + Current.Count)
            {
                Free.push_back(std::move(Current.Rows));
                Changed.notify_all();
            }
            if (!Current.Rows && !Ready.empty())
            {
                Current = std::move(Ready.front());
                Ready.pop_front();
                continue;
            }
            if (Current.Rows)
                break;
            if (Failed)
                return nullptr;
            Changed.wait(guard);
        }
    }
    if (y < Current.First)
        return nullptr;  // taken out of order
    return Current.Rows.get() + std::size_t(y - Current.First) * RowBytes;
}

bool CRowPrefetcher::OutOfMemory()
{
    std::lock_guard<std::mutex> guard(Lock);
    return LackedMemory;
}
