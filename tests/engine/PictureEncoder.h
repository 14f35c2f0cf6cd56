// Test pictures of every format, written with the picture libraries' own encoders (Linux only).
#pragma once

#include "tests/engine/TestPicture.h"

// PNG colour types and depths as the format numbers them (0 grey, 2 RGB, 3 palette, 4 grey with
// alpha, 6 RGBA). Values are taken from the RGBA rows as they are: grey from red, and at depths
// below 8 scaled down (exact for multiples of 255 / (2^depth - 1)); a palette is made of the
// picture's distinct colours, with their alpha when any is below 255.
struct PngOptions
{
    int ColorType = 2;
    int BitDepth = 8;
    bool Interlaced = false;
    int Orientation = 0;                     // 1 to 8 write an eXIf chunk
    std::vector<std::uint8_t> Profile = {};  // an iCCP chunk
    bool HighByteOnly = false;               // at 16 bits, v << 8 instead of v * 257
    // cHRM and gAMA chunks when Gamma is not 0: white x, y, then red, green and blue x, y.
    double Gamma = 0;
    double Chromaticities[8] = {};
};
bool WritePng(const std::string& path, std::uint32_t width, std::uint32_t height, const PngOptions& options,
              const RgbaRowSource& rows);

// Orientation 0 writes no Exif block; 1 to 8 write one with that orientation.
struct JpegOptions
{
    int Quality = 95;
    bool Progressive = false;
    bool Grey = false;
    int Orientation = 0;
    bool BigEndianExif = true;
    std::vector<std::uint8_t> Profile = {};  // APP2 segments
    // Bytes put before the end marker: damage libjpeg reads past with a warning.
    std::size_t StrayBytes = 0;
};
bool WriteJpeg(const std::string& path, std::uint32_t width, std::uint32_t height, const JpegOptions& options,
               const RgbaRowSource& rows);

// The palette is the picture's distinct colours (at most 256); fully transparent pixels take
// the transparent index.
struct GifOptions
{
    bool Interlaced = false;
    int Frames = 1;  // each the whole picture
};
bool WriteGif(const std::string& path, const TestPicture& picture, const GifOptions& options);

struct TiffOptions
{
    int Orientation = 1;
    bool Alpha = false;
    bool Deflate = false;
    std::uint32_t RowsPerStrip = 0;  // 0: libtiff's default
    std::vector<std::uint8_t> Profile = {};
};
bool WriteTiff(const std::string& path, std::uint32_t width, std::uint32_t height, const TiffOptions& options,
               const RgbaRowSource& rows);

// Orientation 1 to 8 writes an EXIF chunk; a profile an ICCP chunk.
bool WriteWebP(const std::string& path, const TestPicture& picture, bool lossless, int orientation = 0,
               const std::vector<std::uint8_t>& profile = {});

// HEIF with HEVC, or AVIF with AV1, through libheif's encoders (always lossy); orientation 2 to 8
// becomes irot and imir boxes.
struct HeifOptions
{
    bool Avif = false;
    bool Alpha = false;
    int Orientation = 1;
    std::vector<std::uint8_t> Profile = {};
    bool Fast = false;  // the encoders' fastest settings, for large pictures
};
bool WriteHeif(const std::string& path, const TestPicture& picture, const HeifOptions& options);

struct JxlOptions
{
    bool Lossless = true;
    bool Alpha = false;
    int Orientation = 1;
    std::vector<std::uint8_t> Profile = {};  // kept with the pixels (lossless only)
};
bool WriteJxl(const std::string& path, const TestPicture& picture, const JxlOptions& options);

// A TIFF of samples as given, each bits wide (1 to 16), packed from the highest bit: photometric
// is libtiff's PHOTOMETRIC_ value (grey, RGB, CMYK, CIE L*a*b*), one strip, no compression. With
// SAMPLEFORMAT_IEEEFP, bits is 32 or 64 and each sample is written as a floating-point number of
// thousandths (1000 is 1.0). Separate puts each sample in a plane of its own (whole bytes only).
bool WriteTiffSamples(const std::string& path, std::uint32_t width, std::uint32_t height, int photometric, int bits,
                      int samplesPerPixel, const std::vector<unsigned>& samples,
                      int sampleFormat = 1 /* SAMPLEFORMAT_UINT */, bool separate = false);

// ICC profiles made with Little CMS, for the tests of embedded profiles: an RGB one whose red
// primary is sRGB's green and whose green is sRGB's red (sRGB's curve and white), and a grey one
// of gamma 1 (linear light).
std::vector<std::uint8_t> SwappedPrimariesProfile();
std::vector<std::uint8_t> LinearGreyProfile();

// A GIF of three frames of the picture, cut halfway into the second as a download that stopped
// would.
bool WriteGifCutInSecondFrame(const std::string& path, const TestPicture& picture);
// A GIF without any colour table, which giflib will not write; its pixels are the picture's
// indices (its red channel, 0 to 3).
bool WriteGifWithoutColourTable(const std::string& path, const TestPicture& indices);
