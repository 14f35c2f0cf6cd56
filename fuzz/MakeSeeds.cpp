// Writes the fuzzer's seed corpus: small bitmaps of every depth and header kind, and small
// pictures of every other format and of their variants, made by the libraries' own encoders.
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/PictureEncoder.h"

#include <algorithm>
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

// A picture with some of every channel, and transparency where asked.
TestPicture Colourful(std::uint32_t width, std::uint32_t height, bool transparent)
{
    TestPicture picture(width, height);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
            picture.Set(x, y, std::uint8_t(x * 40), std::uint8_t(y * 60), std::uint8_t((x ^ y) * 30),
                        transparent ? std::uint8_t((x * 85) & 0xFF) : 255);
    return picture;
}

// The seeds of the other formats; returns how many it wrote.
int SaveOtherFormats(const std::string& dir)
{
    int count = 0;
    auto done = [&count](bool written) { count += written ? 1 : 0; };
    const TestPicture plain = Colourful(9, 7, false), clear = Colourful(9, 7, true), wide = Colourful(17, 9, false);
    const int pngTypes[][2] = {{0, 1}, {0, 4}, {0, 16}, {2, 8}, {2, 16}, {3, 2}, {3, 8}, {4, 8}, {6, 8}, {6, 16}};
    for (const auto& type : pngTypes)
        for (bool interlaced : {false, true})
        {
            const TestPicture& pixels = type[0] == 4 || type[0] == 6 ? clear : plain;
            const std::string name = "png-" + std::to_string(type[0]) + "-" + std::to_string(type[1]) +
                                     (interlaced ? "-interlaced" : "") + ".png";
            // A palette of four colours for the 2-bit picture.
            TestPicture few(4, 3);
            for (std::uint32_t y = 0; y < 3; ++y)
                for (std::uint32_t x = 0; x < 4; ++x)
                    few.Set(x, y, std::uint8_t(x % 2 * 255), std::uint8_t(y % 2 * 255), 0);
            const TestPicture& used = type[0] == 3 && type[1] == 2 ? few : pixels;
            done(WritePng(dir + "/" + name, used.Width, used.Height, {type[0], type[1], interlaced}, used.Rows()));
        }
    for (int orientation = 0; orientation <= 8; orientation += 2)
        for (bool progressive : {false, true})
            done(WriteJpeg(dir + "/jpeg-" + std::to_string(orientation) + (progressive ? "-progressive" : "") + ".jpg",
                           17, 9, {80, progressive, false, orientation, orientation % 4 == 0}, wide.Rows()));
    done(WriteJpeg(dir + "/jpeg-grey.jpg", 9, 7, {80, false, true}, plain.Rows()));
    for (bool interlaced : {false, true})
        done(WriteGif(dir + (interlaced ? "/gif-interlaced.gif" : "/gif.gif"), Colourful(9, 17, interlaced),
                      {interlaced}));
    done(WriteTiff(dir + "/tiff.tif", 9, 7, {}, plain.Rows()));
    done(WriteTiff(dir + "/tiff-deflate-alpha-turned.tif", 9, 7, {6, true, true, 2}, clear.Rows()));
    done(WriteWebP(dir + "/webp-lossy.webp", plain, false));
    done(WriteWebP(dir + "/webp-lossless-alpha.webp", clear, true));
    // The chunks around the picture: orientation and colour profiles.
    const std::vector<std::uint8_t> profile = SwappedPrimariesProfile();
    done(WriteWebP(dir + "/webp-exif-iccp.webp", plain, true, 6, profile));
    PngOptions tagged{2, 8, false, 5, profile};
    done(WritePng(dir + "/png-exif-iccp.png", 9, 7, tagged, plain.Rows()));
    PngOptions chromaticities;
    chromaticities.Gamma = 1.0;
    const double points[8] = {0.3127, 0.3290, 0.64, 0.33, 0.30, 0.60, 0.15, 0.06};
    std::copy(points, points + 8, chromaticities.Chromaticities);
    done(WritePng(dir + "/png-chrm-gama.png", 9, 7, chromaticities, plain.Rows()));
    JpegOptions icc{80};
    icc.Profile = profile;
    done(WriteJpeg(dir + "/jpeg-icc.jpg", 9, 7, icc, plain.Rows()));
    // HEIF and AVIF, turned and with a profile or alpha; JPEG XL lossless and lossy.
    done(WriteHeif(dir + "/heif.heic", plain, {}));
    done(WriteHeif(dir + "/heif-turned-icc.heic", wide, {false, false, 6, profile}));
    done(WriteHeif(dir + "/avif-alpha.avif", clear, {true, true}));
    done(WriteHeif(dir + "/avif-mirrored.avif", wide, {true, false, 2}));
    done(WriteJxl(dir + "/jxl-lossless-alpha.jxl", clear, {true, true}));
    done(WriteJxl(dir + "/jxl-lossy-turned.jxl", wide, {false, false, 8}));
    done(WriteJxl(dir + "/jxl-icc.jxl", plain, {true, false, 1, profile}));
    // Run-length and OS/2 bitmaps, and TIFFs read sample by sample.
    const std::vector<std::uint8_t> rle8 = {14, 0, 0, 0, 6, 1, 1, 2, 3, 0, 1, 8, 3, 0, 0, 0, 2, 1, 1, 3, 5, 0, 1};
    CBmpBuilder rle(14, 3, 8);
    rle.Palette(Palette(2)).Compression(1);
    std::vector<std::uint8_t> bytes = rle.Build();
    bytes.resize(rle.PixelOffset());
    bytes.insert(bytes.end(), rle8.begin(), rle8.end());
    done(WriteBytes(dir + "/bmp-rle8.bmp", bytes));
    done(WriteTiffSamples(dir + "/tiff-lab.tif", 2, 2, 8, 8, 3, {255, 0, 0, 138, 81, 70, 128, 0, 0, 30, 200, 20}));
    done(WriteTiffSamples(dir + "/tiff-cmyk.tif", 2, 1, 5, 8, 4, {255, 0, 0, 0, 0, 0, 0, 128}));
    done(WriteTiffSamples(dir + "/tiff-grey12.tif", 3, 1, 1, 12, 1, {4095, 2048, 7}));
    done(WriteTiffSamples(dir + "/tiff-float.tif", 2, 1, 2, 32, 3, {1000, 0, 250, 0, 1700, 500}, 3));
    return count;
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
    count += SaveOtherFormats(dir);
    std::printf("%d seed pictures written to %s\n", count, dir.c_str());
    return 0;
}
