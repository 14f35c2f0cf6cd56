// CMemoryBudget: the memory that the pictures converted at once may hold between them.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

// Pictures that must be held whole while they are read (interlaced, progressive, turned upright,
// or of a format decoded whole) take their share before their rows are decoded and give it back
// when their page is done. A picture whose share does not fit waits for others to give theirs
// back, rather than the jobs together exhausting the machine; the pictures are let in the order
// they asked, so that a large one is not passed over for ever. A share larger than the whole
// budget would never fit: the caller refuses such a picture instead of asking.
class CMemoryBudget
{
public:
    explicit CMemoryBudget(std::uint64_t total) : TotalBytes(total) {}
    CMemoryBudget(const CMemoryBudget&) = delete;
    CMemoryBudget& operator=(const CMemoryBudget&) = delete;

    std::uint64_t Total() const { return TotalBytes; }
    // Waits until bytes fit beside the shares taken, after those who asked earlier, and takes
    // them. bytes is at most Total(); 0 never waits.
    void Take(std::uint64_t bytes);
    // Gives back a share taken before.
    void Give(std::uint64_t bytes);
    // The bytes taken now.
    std::uint64_t Used() const;
    // How many are waiting in Take for their turn or for room.
    std::uint64_t Waiting() const;

    // Half of the machine's memory, and no more than half of what the process can address.
    static std::uint64_t MachineDefault();
    // A size for messages in binary units, to three digits: "512 MiB", "1.50 GiB", "20.0 KiB".
    static std::string Describe(std::uint64_t bytes);

private:
    const std::uint64_t TotalBytes;
    mutable std::mutex Lock;
    std::condition_variable Changed;
    std::uint64_t UsedBytes = 0;
    std::uint64_t NextTicket = 0;  // given to the next asker
    std::uint64_t Serving = 0;     // the asker whose turn it is
};
