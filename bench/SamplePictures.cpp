// Writes sample pictures of every format and variant the converter reads, with the picture
// libraries' own encoders, for scripts/compare-with-imagemagick.sh; and sRGB's ICC profile, which
// ImageMagick is given to apply the pictures' own profiles as the converter does.
// Usage: glyphcast_sample_pictures DIRECTORY
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/PictureEncoder.h"

#include <lcms2.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

namespace
{

const std::uint32_t Width = 160;
const std::uint32_t Height = 120;

// A photo's worth of variety: gradients, a disc, stripes and some grain; alpha where asked.
TestPicture Scene(bool alpha)
{
    TestPicture picture(Width, Height);
    for (std::uint32_t y = 0; y < Height; ++y)
        for (std::uint32_t x = 0; x < Width; ++x)
        {
            const double dx = double(x) - 100, dy = double(y) - 50;
            const bool disc = dx * dx + dy * dy < 900;
            const unsigned grain = (x * 2654435761u ^ y * 2246822519u) >> 28;
            const auto r = std::uint8_t(disc ? 230 : std::min(255u, x * 255 / Width + grain));
            const auto g = std::uint8_t(disc ? 180 : (y * 255 / Height + grain) & 0xFF);
            const auto b = std::uint8_t((x / 8 + y / 8) % 2 ? 200 : 40);
            const auto a = std::uint8_t(alpha ? std::min(255u, (x + y) * 255 / (Width + Height / 2)) : 255);
            picture.Set(x, y, r, g, b, a);
        }
    return picture;
}

bool SaveSrgbProfile(const std::string& path)
{
    cmsHPROFILE profile = cmsCreate_sRGBProfile();
    const bool ok = profile && cmsSaveProfileToFile(profile, path.c_str());
    if (profile)
        cmsCloseProfile(profile);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    const TestPicture plain = Scene(false), clear = Scene(true);
    const std::vector<std::uint8_t> profile = SwappedPrimariesProfile();
    int written = 0, failed = 0;
    auto done = [&](const char* name, bool ok) {
        ok ? ++written : ++failed;
        if (!ok)
            std::fprintf(stderr, "%s could not be written\n", name);
    };
    auto encoded = [&](const char* name, TestEncoding encoding, const TestPicture& picture) {
        std::string error;
        done(name, WriteTestPicture(dir + name, picture, encoding, error));
    };
    const TestLayout rgb = TestLayout::Rgb;
    // An encoding that also writes the orientation tag 6, or the profile with swapped primaries.
    const auto turned = [](TestEncoding encoding) {
        encoding.Orientation = 6;
        return encoding;
    };
    const auto withIcc = [&profile](TestEncoding encoding) {
        encoding.Profile = profile;
        return encoding;
    };
    encoded("rgb.png", {TestFormat::Png, rgb}, plain);
    encoded("rgba.png", {TestFormat::Png, TestLayout::Rgba}, clear);
    encoded("grey.png", {TestFormat::Png, TestLayout::Grey}, plain);
    encoded("rgb16-adam7.png", {TestFormat::Png, rgb, 16, true}, plain);
    encoded("exif6.png", turned({TestFormat::Png, rgb}), plain);
    encoded("icc.png", withIcc({TestFormat::Png, rgb}), plain);
    encoded("baseline.jpg", {TestFormat::Jpeg, rgb}, plain);
    encoded("progressive.jpg", {TestFormat::Jpeg, rgb, 8, true}, plain);
    encoded("grey.jpg", {TestFormat::Jpeg, TestLayout::Grey}, plain);
    for (int orientation : {3, 6, 8})
    {
        const std::string name = "exif" + std::to_string(orientation) + ".jpg";
        encoded(name.c_str(), {TestFormat::Jpeg, rgb, 8, false, false, false, orientation}, plain);
    }
    encoded("icc.jpg", withIcc({TestFormat::Jpeg, rgb}), plain);
    encoded("palette.gif", {TestFormat::Gif, TestLayout::Palette}, MakeStripedTestPicture(Width, Height, 200));
    encoded("interlaced.gif", {TestFormat::Gif, TestLayout::Palette, 8, true},
            MakeStripedTestPicture(Width, Height, 100));
    encoded("rgb.tif", {TestFormat::Tiff, rgb}, plain);
    encoded("deflate.tif", {TestFormat::Tiff, rgb, 8, false, false, true}, plain);
    encoded("alpha.tif", {TestFormat::Tiff, TestLayout::Rgba}, clear);
    encoded("turned6.tif", {TestFormat::Tiff, rgb, 8, false, false, false, 6}, plain);
    encoded("icc.tif", withIcc({TestFormat::Tiff, rgb}), plain);
    std::vector<unsigned> lab, cmyk, grey12;
    for (std::uint32_t y = 0; y < Height; ++y)
        for (std::uint32_t x = 0; x < Width; ++x)
        {
            // a and b from -40 to 39, within sRGB's reach, stored signed.
            lab.insert(lab.end(), {y * 255 / Height, (x % 80 + 216) & 0xFF, (y % 80 + 216) & 0xFF});
            cmyk.insert(cmyk.end(), {x * 255 / Width, y * 255 / Height, (x + y) & 0xFF, x % 64});
            grey12.push_back((x * 4095 / Width + y) % 4096);
        }
    done("lab.tif", WriteTiffSamples(dir + "lab.tif", Width, Height, PHOTOMETRIC_CIELAB, 8, 3, lab));
    done("cmyk.tif", WriteTiffSamples(dir + "cmyk.tif", Width, Height, PHOTOMETRIC_SEPARATED, 8, 4, cmyk));
    done("grey12.tif", WriteTiffSamples(dir + "grey12.tif", Width, Height, PHOTOMETRIC_MINISBLACK, 12, 1, grey12));
    encoded("lossy.webp", {TestFormat::WebP, rgb, 8, false, true}, plain);
    encoded("lossless.webp", {TestFormat::WebP, rgb}, plain);
    encoded("alpha.webp", {TestFormat::WebP, TestLayout::Rgba}, clear);
    encoded("exif6.webp", turned({TestFormat::WebP, rgb}), plain);
    encoded("icc.webp", withIcc({TestFormat::WebP, rgb}), plain);
    for (TestFormat format : {TestFormat::Heif, TestFormat::Avif})
    {
        const std::string kind = format == TestFormat::Heif ? ".heic" : ".avif";
        encoded(("photo" + kind).c_str(), {format, rgb, 8, false, true}, plain);
        encoded(("alpha" + kind).c_str(), {format, TestLayout::Rgba, 8, false, true}, clear);
        encoded(("irot6" + kind).c_str(), {format, rgb, 8, false, true, false, 6}, plain);
        encoded(("imir2" + kind).c_str(), {format, rgb, 8, false, true, false, 2}, plain);
        encoded(("icc" + kind).c_str(), withIcc({format, rgb, 8, false, true}), plain);
    }
    encoded("lossless.jxl", {TestFormat::Jxl, rgb}, plain);
    encoded("lossy.jxl", {TestFormat::Jxl, rgb, 8, false, true}, plain);
    done("srgb.icc", SaveSrgbProfile(dir + "srgb.icc"));
    std::printf("%d pictures written to %s\n", written, dir.c_str());
    return failed == 0 ? 0 : 1;
}
