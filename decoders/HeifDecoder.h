// HEIF (HEIC) and AVIF pictures through libheif, with its HEVC and AV1 decoders.
#pragma once

#include "decoders/ColourTransform.h"
#include "decoders/PictureDecoder.h"

struct heif_context;
struct heif_image_handle;
struct heif_image;

// Reads the primary picture of a HEIF file (a collection may hold more, and thumbnails), turned
// and mirrored as its irot and imir boxes say (by libheif, so that they are applied once: the
// format table keeps no EXIF place for it) and cropped as its clap box says. libheif decodes a
// picture whole: the rows are then handed out from its own buffer, in sRGB through the
// picture's colour profile or nclx colour box.
class CHeifDecoder : public CPictureDecoder
{
public:
    CHeifDecoder() : CHeifDecoder("HEIF") {}
    ~CHeifDecoder() override;

    bool Open(const std::uint8_t* data, std::size_t size) override;
    bool ReadRows(std::uint8_t* out, std::ptrdiff_t stride, std::uint32_t count) override;
    // The library keeps no state of its own outside the decoder: any thread may go on with it.
    bool DecodesOnAnyThread() const override { return true; }
    // libheif's decoded picture, four bytes a pixel, held until the last row is out.
    std::uint64_t HeldBytes() const override { return std::uint64_t(HeaderRead.Width) * HeaderRead.Height * 4; }

protected:
    // kind names the pictures in messages: "HEIF", "AVIF".
    explicit CHeifDecoder(const char* kind) : Kind(kind) {}

private:
    bool Damaged(const char* message);
    bool Decode();
    void ReadProfile();

    const char* Kind;
    heif_context* Context = nullptr;
    heif_image_handle* Handle = nullptr;
    heif_image* Image = nullptr;
    const std::uint8_t* Plane = nullptr;  // the decoded rows, red, green, blue (and alpha)
    int PlaneStride = 0;
    bool Premultiplied = false;
    CColourTransform Colours;
    std::uint32_t NextRow = 0;
};

// The same container with AV1 inside: only the name in messages differs.
class CAvifDecoder : public CHeifDecoder
{
public:
    CAvifDecoder() : CHeifDecoder("AVIF") {}
};
