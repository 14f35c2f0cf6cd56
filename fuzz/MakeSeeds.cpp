// Writes the fuzzer's seed corpus: small pictures of every depth and header kind.
#include "tests/engine/BmpBuilder.h"

#include <cstdio>

namespace
{

// Gives every pixel a value that depends on its place, within the depth's range.
CBmpBuilder& Pattern(CBmpBuilder& picture, int width, int height, unsigned bits)
{
    const std::uint32_t top = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.Set(x, y, static_cast<std::uint32_t>(x * 2654435761u + y * 40503u) & top);
    return picture;
}

std::vector<RgbColor> Palette(unsigned bits)
{
    std::vector<RgbColor> colors(1u << bits);
    for (std::size_t n = 0; n < colors.size(); ++n)
        colors[n] =
            MakeRgb(static_cast<unsigned>(n * 37), static_cast<unsigned>(n * 91), static_cast<unsigned>(n * 13));
    return colors;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    int count = 0;
    auto save = [&](const std::string& name, const CBmpBuilder& picture) {
        WriteBytes(dir + "/" + name + ".bmp", picture.Build());
        ++count;
    };

    const int sizes[][2] = {{1, 1}, {5, 3}, {3, 7}, {17, 2}};
    for (unsigned bits : {1u, 4u, 8u, 16u, 24u, 32u})
    {
        for (const auto& size : sizes)
        {
            CBmpBuilder picture(size[0], size[1], static_cast<std::uint16_t>(bits));
            if (bits <= 8)
                picture.Palette(Palette(bits));
            const std::string name =
                std::to_string(bits) + "bit-" + std::to_string(size[0]) + "x" + std::to_string(size[1]);
            save(name, Pattern(picture, size[0], size[1], bits));
            save(name + "-topdown", Pattern(picture.TopDown(), size[0], size[1], bits));
        }
    }
    CBmpBuilder rgb565(6, 4, 16);
    rgb565.Header(BmpHeader::InfoWithMasks).Compression(3).Masks(0xF800, 0x07E0, 0x001F);
    save("16bit-565", Pattern(rgb565, 6, 4, 16));
    CBmpBuilder v4(4, 4, 32);
    v4.Header(BmpHeader::V4).Compression(3).Masks(0x000000FF, 0x0000FF00, 0x00FF0000);
    save("32bit-v4-masks", Pattern(v4, 4, 4, 32));
    CBmpBuilder v5(5, 2, 32);
    v5.Header(BmpHeader::V5).Compression(3).Masks(0x3FF00000, 0x000FFC00, 0x000003FF);
    save("32bit-v5-1010", Pattern(v5, 5, 2, 32));
    CBmpBuilder v5indexed(7, 3, 8);
    v5indexed.Header(BmpHeader::V5).Palette(Palette(4));
    save("8bit-v5-short-palette", Pattern(v5indexed, 7, 3, 8));
    std::printf("%d seed pictures written to %s\n", count, dir.c_str());
    return 0;
}
