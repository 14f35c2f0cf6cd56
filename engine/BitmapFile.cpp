#include "engine/BitmapFile.h"

#include <climits>
#include <cstring>

namespace
{

const std::uint32_t FileHeaderSize = 14;
const std::uint32_t InfoHeaderSize = 40;
const std::uint32_t CoreHeaderSize = 12;
const std::uint32_t HeaderWithMasksSize = 52;  // the V2 header and larger carry the masks inside
const std::uint32_t CompressionNone = 0;       // BI_RGB
const std::uint32_t CompressionBitFields = 3;  // BI_BITFIELDS

// Little-endian fields read byte by byte: the headers are not aligned in the file.
std::uint16_t ReadU16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t ReadU32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}

std::int32_t ReadS32(const std::uint8_t* p)
{
    const std::uint32_t bits = ReadU32(p);
    std::int32_t value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

CBitmapFile::CBitmapFile()
    : View(nullptr), ColorTable(nullptr), PixelData(nullptr), RowStride(0), PictureHeight(0), TopRow(nullptr),
      RowStep(0)
{
}

CBitmapFile::~CBitmapFile()
{
    Close();
}

bool CBitmapFile::Open(const std::string& path)
{
    Close();
    if (!File.Open(path))
        return Refuse(File.LastFailure() == CMappedFile::Failure::CannotOpen ? Failure::CannotOpen : Failure::Refused,
                      File.FailureReason());
    return OpenBytes(File.Data(), File.Size());
}

bool CBitmapFile::OpenBytes(const std::uint8_t* bytes, std::size_t size)
{
    ClearFailure();
    FileHeader = BmpFileHeader();
    InfoHeader = BmpInfoHeader();
    PictureHeight = 0;
    View = bytes;
    if (!View || size == 0)
        return Refuse(Failure::Refused, "the file is empty");
    return CheckAndLocate(size);
}

void CBitmapFile::Close()
{
    View = nullptr;
    File.Close();
}

bool CBitmapFile::Refuse(Failure kind, std::string reason)
{
    Close();
    return Fail(kind, std::move(reason));
}

bool CBitmapFile::LoadRows(std::uint32_t first, std::uint32_t end)
{
    if (!View)
        return Fail(Failure::Refused, "the picture is not open");
    return first < end && end <= PictureHeight ? true : Fail(Failure::Refused, "rows asked for out of range");
}

// Decodes the headers, checks every part the reader will touch against the file's
// size (in 64-bit arithmetic) and sets up the row addressing. Nothing read later by
// GetPixel can lie outside the view once this has succeeded.
bool CBitmapFile::CheckAndLocate(std::uint64_t fileSize)
{
    if (fileSize < FileHeaderSize + 4)
        return Refuse(Failure::Refused, "the file is too short for its headers");
    FileHeader.bfType = ReadU16(View);
    FileHeader.bfSize = ReadU32(View + 2);
    FileHeader.bfReserved1 = ReadU16(View + 6);
    FileHeader.bfReserved2 = ReadU16(View + 8);
    FileHeader.bfOffBits = ReadU32(View + 10);

    const std::uint8_t* info = View + FileHeaderSize;
    InfoHeader.biSize = ReadU32(info);
    if (InfoHeader.biSize == CoreHeaderSize)
        return Refuse(Failure::Refused, "the old 12-byte bitmap header is not supported");
    if (InfoHeader.biSize < InfoHeaderSize)
        return Refuse(Failure::Refused, "unknown bitmap header of " + std::to_string(InfoHeader.biSize) + " bytes");
    if (FileHeaderSize + std::uint64_t(InfoHeader.biSize) > fileSize)
        return Refuse(Failure::Refused, "the file is too short for its headers");
    InfoHeader.biWidth = ReadS32(info + 4);
    InfoHeader.biHeight = ReadS32(info + 8);
    InfoHeader.biPlanes = ReadU16(info + 12);
    InfoHeader.biBitCount = ReadU16(info + 14);
    InfoHeader.biCompression = ReadU32(info + 16);
    InfoHeader.biSizeImage = ReadU32(info + 20);
    InfoHeader.biXPelsPerMeter = ReadS32(info + 24);
    InfoHeader.biYPelsPerMeter = ReadS32(info + 28);
    InfoHeader.biClrUsed = ReadU32(info + 32);
    InfoHeader.biClrImportant = ReadU32(info + 36);

    const std::int64_t width = InfoHeader.biWidth;
    const std::int64_t signedHeight = InfoHeader.biHeight;
    if (width <= 0)
        return Refuse(Failure::Refused, "bad picture width (" + std::to_string(width) + ")");
    if (signedHeight == 0 || signedHeight == INT32_MIN)
        return Refuse(Failure::Refused, "bad picture height (" + std::to_string(signedHeight) + ")");
    const std::uint64_t height = static_cast<std::uint64_t>(signedHeight < 0 ? -signedHeight : signedHeight);

    const unsigned bits = InfoHeader.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return Refuse(Failure::Refused, "unsupported depth of " + std::to_string(bits) + " bits per pixel");
    const std::uint32_t compression = InfoHeader.biCompression;
    const bool masked = compression == CompressionBitFields;
    if (compression != CompressionNone && !(masked && (bits == 16 || bits == 32)))
        return Refuse(Failure::Refused, "unsupported compression (type " + std::to_string(compression) + ")");

    // The distance between stored rows, as the classic formulas give it (each is
    // the row's pixel bytes rounded up to a multiple of 4; pixels for 4 bits).
    const auto w = static_cast<std::uint64_t>(width);
    std::uint64_t stride = 0;
    switch (bits)
    {
    case 1: stride = ((w / 8 + (w % 8 ? 1 : 0)) + 3) & ~std::uint64_t(3); break;
    case 4: stride = (w + 7) & ~std::uint64_t(7); break;
    case 8: stride = (w + 3) & ~std::uint64_t(3); break;
    case 16: stride = 2 * w + ((2 * w) & 3); break;
    case 24: stride = (3 * (w + 1)) & ~std::uint64_t(3); break;
    default: stride = 4 * w; break;
    }
    if (stride > static_cast<std::uint64_t>(INT32_MAX))
        return Refuse(Failure::Refused, "the picture is too large");
    RowStride = static_cast<std::int32_t>(stride);
    const std::uint64_t strideBytes = bits == 4 ? stride / 2 : stride;

    // The last row needs only its pixels' bytes, not its padding.
    const std::uint64_t rowBytes = (w * bits + 7) / 8;
    const std::uint64_t pixelEnd = std::uint64_t(FileHeader.bfOffBits) + strideBytes * (height - 1) + rowBytes;
    if (pixelEnd > fileSize)
        return Refuse(Failure::Refused, "the pixel rows reach past the end of the file");

    PixelData = View + FileHeader.bfOffBits;
    PictureHeight = static_cast<std::uint32_t>(height);
    if (InfoHeader.biHeight < 0)
    {
        TopRow = PixelData;
        RowStep = static_cast<std::ptrdiff_t>(strideBytes);
    }
    else
    {
        TopRow = PixelData + static_cast<std::size_t>(strideBytes * (height - 1));
        RowStep = -static_cast<std::ptrdiff_t>(strideBytes);
    }

    ColorTable = nullptr;
    switch (bits)
    {
    case 1:
    case 4:
    case 8:
        PixelLayout.SetKind(bits == 1   ? CPixelLayout::Kind::Indexed1
                            : bits == 4 ? CPixelLayout::Kind::Indexed4
                                        : CPixelLayout::Kind::Indexed8);
        LoadPalette(fileSize);
        return true;
    case 16: PixelLayout.SetKind(masked ? CPixelLayout::Kind::Masked16 : CPixelLayout::Kind::Rgb555); break;
    case 24: PixelLayout.SetKind(CPixelLayout::Kind::Bgr24); break;
    default: PixelLayout.SetKind(masked ? CPixelLayout::Kind::Masked32 : CPixelLayout::Kind::Bgrx32); break;
    }
    return masked ? SetUpMasks(fileSize) : true;
}

// Decodes the colour table; entries that would lie past the end of the file read as black.
void CBitmapFile::LoadPalette(std::uint64_t fileSize)
{
    const std::uint64_t tableStart = FileHeaderSize + std::uint64_t(InfoHeader.biSize);
    ColorTable = View + tableStart;
    const std::uint64_t available = tableStart < fileSize ? (fileSize - tableStart) / 4 : 0;
    const std::uint64_t entries = std::uint64_t(1) << InfoHeader.biBitCount;
    for (std::uint64_t n = 0; n < 256; ++n)
    {
        if (n < entries && n < available)
        {
            const std::uint8_t* quad = ColorTable + 4 * n;
            PixelLayout.Palette[n] = MakeRgb(quad[2], quad[1], quad[0]);
        }
        else
        {
            PixelLayout.Palette[n] = 0;
        }
    }
}

// Reads the three colour masks of a BI_BITFIELDS picture and prepares their scaling.
bool CBitmapFile::SetUpMasks(std::uint64_t fileSize)
{
    std::uint64_t maskOffset = FileHeaderSize + InfoHeaderSize;
    if (InfoHeader.biSize < HeaderWithMasksSize)
    {
        maskOffset = FileHeaderSize + std::uint64_t(InfoHeader.biSize);
        if (maskOffset + 12 > fileSize)
            return Refuse(Failure::Refused, "the file is too short for its colour masks");
    }
    InfoHeader.RedMask = ReadU32(View + maskOffset);
    InfoHeader.GreenMask = ReadU32(View + maskOffset + 4);
    InfoHeader.BlueMask = ReadU32(View + maskOffset + 8);

    const std::uint32_t masks[3] = {InfoHeader.RedMask, InfoHeader.GreenMask, InfoHeader.BlueMask};
    for (int n = 0; n < 3; ++n)
    {
        if (InfoHeader.biBitCount == 16 && masks[n] > 0xFFFFu)
            return Refuse(Failure::Refused, "a colour mask does not fit the pixel depth");
        if (!CPixelLayout::SetUpChannel(PixelLayout.Channels[n], masks[n]))
            return Refuse(Failure::Refused, "a colour mask is not one run of bits");
    }
    return true;
}
