#include "tests/engine/BmpBuilder.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

void PutU16(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint16_t value)
{
    bytes[offset] = static_cast<std::uint8_t>(value);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void PutU32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value)
{
    for (int n = 0; n < 4; ++n)
        bytes[offset + n] = static_cast<std::uint8_t>(value >> (8 * n));
}

CBmpBuilder::CBmpBuilder(std::int32_t width, std::int32_t height, std::uint16_t bits)
    : Width(width), Height(height), Bits(bits),
      Pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0)
{
}

CBmpBuilder& CBmpBuilder::TopDown()
{
    IsTopDown = true;
    return *this;
}

CBmpBuilder& CBmpBuilder::Header(BmpHeader header)
{
    HeaderKind = header;
    return *this;
}

CBmpBuilder& CBmpBuilder::Compression(std::uint32_t compression)
{
    CompressionType = compression;
    return *this;
}

CBmpBuilder& CBmpBuilder::Masks(std::uint32_t red, std::uint32_t green, std::uint32_t blue)
{
    MaskValues[0] = red;
    MaskValues[1] = green;
    MaskValues[2] = blue;
    return *this;
}

CBmpBuilder& CBmpBuilder::Palette(const std::vector<RgbColor>& colors)
{
    Colors = colors;
    return *this;
}

CBmpBuilder& CBmpBuilder::Set(std::int32_t x, std::int32_t y, std::uint32_t value)
{
    Pixels[static_cast<std::size_t>(y) * Width + x] = value;
    return *this;
}

CBmpBuilder& CBmpBuilder::SetColor(std::int32_t x, std::int32_t y, RgbColor color)
{
    return Set(x, y, BlueOf(color) | (GreenOf(color) << 8) | (RedOf(color) << 16));
}

CBmpBuilder& CBmpBuilder::Fill(std::uint32_t value)
{
    for (auto& pixel : Pixels)
        pixel = value;
    return *this;
}

CBmpBuilder& CBmpBuilder::FillColor(RgbColor color)
{
    return Fill(BlueOf(color) | (GreenOf(color) << 8) | (RedOf(color) << 16));
}

std::size_t CBmpBuilder::StrideBytes() const
{
    return (static_cast<std::size_t>(Width) * Bits + 31) / 32 * 4;
}

std::uint32_t CBmpBuilder::PixelOffset() const
{
    std::uint32_t headerSize = 40;
    if (HeaderKind == BmpHeader::V4)
        headerSize = 108;
    else if (HeaderKind == BmpHeader::V5)
        headerSize = 124;
    std::uint32_t offset = 14 + headerSize;
    if (HeaderKind == BmpHeader::InfoWithMasks)
        offset += 12;
    return offset + 4 * static_cast<std::uint32_t>(Colors.size());
}

std::vector<std::uint8_t> CBmpBuilder::Build() const
{
    const std::size_t stride = StrideBytes();
    const std::uint32_t offset = PixelOffset();
    std::vector<std::uint8_t> bytes(offset + stride * Height, 0);

    bytes[0] = 'B';
    bytes[1] = 'M';
    PutU32(bytes, 2, static_cast<std::uint32_t>(bytes.size()));
    PutU32(bytes, 10, offset);
    const std::uint32_t headerSize = HeaderKind == BmpHeader::V4 ? 108 : HeaderKind == BmpHeader::V5 ? 124 : 40;
    PutU32(bytes, 14, headerSize);
    PutU32(bytes, 18, static_cast<std::uint32_t>(Width));
    PutU32(bytes, 22, static_cast<std::uint32_t>(IsTopDown ? -Height : Height));
    PutU16(bytes, 26, 1);
    PutU16(bytes, 28, Bits);
    PutU32(bytes, 30, CompressionType);
    PutU32(bytes, 34, static_cast<std::uint32_t>(stride * Height));
    PutU32(bytes, 46, static_cast<std::uint32_t>(Colors.size()));
    std::size_t next = 14 + headerSize;
    const std::size_t maskAt = HeaderKind == BmpHeader::InfoWithMasks ? next : 54;
    if (HeaderKind != BmpHeader::Info)
        for (int n = 0; n < 3; ++n)
            PutU32(bytes, maskAt + 4 * n, MaskValues[n]);
    if (HeaderKind == BmpHeader::InfoWithMasks)
        next += 12;
    for (RgbColor color : Colors)
    {
        bytes[next++] = static_cast<std::uint8_t>(BlueOf(color));
        bytes[next++] = static_cast<std::uint8_t>(GreenOf(color));
        bytes[next++] = static_cast<std::uint8_t>(RedOf(color));
        bytes[next++] = 0;
    }

    for (std::int32_t y = 0; y < Height; ++y)
    {
        const std::int32_t stored = IsTopDown ? y : Height - 1 - y;
        std::uint8_t* row = &bytes[offset + stride * stored];
        for (std::int32_t x = 0; x < Width; ++x)
        {
            const std::uint32_t v = Pixels[static_cast<std::size_t>(y) * Width + x];
            switch (Bits)
            {
            case 1: row[x / 8] |= static_cast<std::uint8_t>((v & 1) << (7 - x % 8)); break;
            case 4: row[x / 2] |= static_cast<std::uint8_t>((v & 0x0F) << (x % 2 ? 0 : 4)); break;
            case 8: row[x] = static_cast<std::uint8_t>(v); break;
            default:
                for (int n = 0; n < Bits / 8; ++n)
                    row[static_cast<std::size_t>(x) * (Bits / 8) + n] = static_cast<std::uint8_t>(v >> (8 * n));
                break;
            }
        }
    }
    return bytes;
}

bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    return !file.fail();
}

std::string ReadText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

std::vector<RgbColor> PageColours(const std::string& page)
{
    std::vector<RgbColor> colours;
    const std::string tag = "<FONT COLOR=#";
    for (std::size_t at = page.find(tag); at != std::string::npos; at = page.find(tag, at + 1))
    {
        const unsigned long rgb = std::strtoul(page.substr(at + tag.size(), 6).c_str(), nullptr, 16);
        colours.push_back(MakeRgb((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
    }
    return colours;
}
