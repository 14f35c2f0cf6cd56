// CColourTransform: a picture's colours, as its embedded profile describes them, turned into sRGB.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// How the pixels handed to Apply are laid out.
enum class ColourInput
{
    Bgra,          // 8-bit blue, green, red, alpha (the decoders' rows)
    Rgba,          // 8-bit red, green, blue, alpha
    Rgb,           // 8-bit red, green, blue
    GreyInBgra,    // a grey picture spread over blue, green and red, with alpha
    Cmyk,          // 8-bit cyan, magenta, yellow, black, 0 for no ink
    CmykInverted,  // ... 255 for no ink, as Adobe's programs write JPEG
    Lab8,          // CIE L*a*b*: L 0 to 255 for 0 to 100, a and b offset by 128
    Lab16          // ... 16 bits each, a and b offset by 32768, in the machine's byte order
};

// Converts rows of pixels from a picture's colour space to sRGB through Little CMS. A transform
// is made only for a picture that carries a profile (or chromaticities, or colour codes) that is
// not sRGB; a picture without one is never touched, so it costs nothing. Not copied: it owns the
// library's transform.
class CColourTransform
{
public:
    CColourTransform() = default;
    ~CColourTransform();
    CColourTransform(const CColourTransform&) = delete;
    CColourTransform& operator=(const CColourTransform&) = delete;

    // From an ICC profile embedded in the file. False when no transform is needed (the profile is
    // sRGB's) or none can be made: then problem says why in a few words when the profile is at
    // fault (damaged, or for other pixels than the picture has), for a warning.
    bool FromIcc(const void* profile, std::size_t size, ColourInput input, std::string& problem);
    // From a white point and red, green and blue primaries (x, y) and the encoding gamma (0.45455
    // for a 2.2 display gamma), as PNG's cHRM and gAMA give them; false when they are sRGB's.
    bool FromChromaticities(const double white[2], const double primaries[3][2], double gamma, ColourInput input);
    // From the colour primaries and transfer characteristics codes of ITU-T H.273 (HEIF's and
    // AVIF's nclx colour box); false when they are sRGB's, unspecified or unknown here.
    bool FromCodePoints(int primaries, int transfer, ColourInput input);
    // CIE L*a*b* (D50) to sRGB.
    bool FromLab(ColourInput input);

    bool IsActive() const { return Transform != nullptr; }
    // Converts count pixels at in into blue, green, red and alpha at out (in and out may be the
    // same for 4-byte inputs). Alpha is carried over where the input has it, else opaque.
    void Apply(const void* in, std::uint8_t* out, std::uint32_t count) const;

private:
    bool Make(void* profile, ColourInput input);

    void* Transform = nullptr;  // cmsHTRANSFORM
    ColourInput Input = ColourInput::Bgra;
};
