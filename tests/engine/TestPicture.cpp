#include "tests/engine/TestPicture.h"

#include "tests/engine/BmpBuilder.h"

#include <fstream>
#include <iterator>
#include <utility>

TestPicture MakeTestPicture(std::uint32_t width, std::uint32_t height)
{
    TestPicture picture(width, height);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
            picture.Set(x, y, std::uint8_t(x * 37 + y * 11), std::uint8_t(x * 5 + y * 71),
                        std::uint8_t(x * y * 13 + 9));
    return picture;
}

TestPicture MakeGreyTestPicture(std::uint32_t width, std::uint32_t height, int bits)
{
    const unsigned levels = bits >= 8 ? 256 : 1u << bits;
    TestPicture picture(width, height);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
        {
            const auto v = std::uint8_t((x * 3 + y * 7) % levels * 255 / (levels - 1));
            picture.Set(x, y, v, v, v);
        }
    return picture;
}

TestPicture MakeStripedTestPicture(std::uint32_t width, std::uint32_t height, unsigned colours)
{
    TestPicture picture(width, height);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
        {
            const unsigned n = (x * 3 + y * 5) % colours;
            picture.Set(x, y, std::uint8_t(n * 97), std::uint8_t(255 - n * 41), std::uint8_t(n * n * 7));
        }
    return picture;
}

TestPicture MakeHalvesTestPicture(std::uint32_t width, std::uint32_t height, std::uint32_t left, std::uint32_t right)
{
    TestPicture picture(width, height);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
        {
            const std::uint32_t p = x < width / 2 ? left : right;
            picture.Set(x, y, std::uint8_t(p >> 16), std::uint8_t(p >> 8), std::uint8_t(p), std::uint8_t(p >> 24));
        }
    return picture;
}

std::vector<std::uint8_t> TestPictureAsBmp(const TestPicture& picture)
{
    CBmpBuilder bmp(static_cast<std::int32_t>(picture.Width), static_cast<std::int32_t>(picture.Height), 24);
    for (std::uint32_t y = 0; y < picture.Height; ++y)
        for (std::uint32_t x = 0; x < picture.Width; ++x)
        {
            const std::uint8_t* p = picture.At(x, y);
            bmp.SetColor(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), MakeRgb(p[0], p[1], p[2]));
        }
    return bmp.Build();
}

std::vector<std::uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::uint8_t> ExifOrientationBlock(int orientation, bool bigEndian)
{
    std::vector<std::uint8_t> block = {'E', 'x', 'i', 'f', 0, 0};
    auto u16 = [&](unsigned v) {
        block.push_back(std::uint8_t(bigEndian ? v >> 8 : v));
        block.push_back(std::uint8_t(bigEndian ? v : v >> 8));
    };
    auto u32 = [&](std::uint32_t v) { bigEndian ? (u16(v >> 16), u16(v & 0xFFFF)) : (u16(v & 0xFFFF), u16(v >> 16)); };
    block.push_back(bigEndian ? 'M' : 'I');
    block.push_back(bigEndian ? 'M' : 'I');
    u16(42);
    u32(8);
    // Two entries, as cameras write them: something before the orientation, then it.
    u16(2);
    u16(0x010F);  // Make, ASCII, 4 bytes in place
    u16(2);
    u32(4);
    block.insert(block.end(), {'c', 'a', 'm', 0});
    u16(0x0112);
    u16(3);
    u32(1);
    u16(static_cast<unsigned>(orientation));
    u16(0);
    u32(0);
    return block;
}
