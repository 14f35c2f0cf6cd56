// CByteCursor: reading a picture's bytes in memory in order, for libraries that ask for them.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

// The decoders' libraries read through callbacks; this is what those callbacks read from.
struct CByteCursor
{
    const std::uint8_t* Data = nullptr;
    std::size_t Size = 0;
    std::size_t At = 0;

    // Copies up to count bytes from the cursor on and moves past them; returns how many there were.
    std::size_t Read(void* out, std::size_t count)
    {
        const std::size_t available = std::min(count, Size - At);
        if (available > 0)
            std::memcpy(out, Data + At, available);
        At += available;
        return available;
    }
};
