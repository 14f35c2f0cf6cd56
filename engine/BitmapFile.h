// Random access to the pixels of a Windows bitmap file through a read-only mapping.
#pragma once

#include "base/MappedFile.h"
#include "base/RgbColor.h"
#include "engine/PictureSource.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The 14-byte file header, decoded from the file (the fields are unaligned there).
struct BmpFileHeader
{
    std::uint16_t bfType = 0;
    std::uint32_t bfSize = 0;
    std::uint16_t bfReserved1 = 0;
    std::uint16_t bfReserved2 = 0;
    std::uint32_t bfOffBits = 0;
};

// The info header's first 40 bytes, decoded, plus the colour masks of a
// BI_BITFIELDS picture (from after a 40-byte header or from inside a larger one).
struct BmpInfoHeader
{
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
    std::uint32_t RedMask = 0;
    std::uint32_t GreenMask = 0;
    std::uint32_t BlueMask = 0;
};

// Maps a .bmp file read-only, checks its headers against its size, and answers
// GetPixel with rows counted from the top. The file is never copied: every pixel
// is read from the mapped view. As a picture source it holds every row at once.
class CBitmapFile : public CPictureSource
{
public:
    CBitmapFile();
    ~CBitmapFile() override;

    // Maps the whole file and checks it; false (with LastFailure and FailureReason) when the
    // file cannot be opened or mapped, or is refused as unreadable or unsafe.
    bool Open(const std::string& path);
    // Checks and reads the bitmap held in bytes that someone else has mapped (a run that has
    // opened the file already); they must stay where they are until Close.
    bool OpenBytes(const std::uint8_t* bytes, std::size_t size);
    // Releases the view, the mapping and the file; harmless when closed.
    void Close();

    // The colour of pixel (x, y), y = 0 being the top row. The caller keeps
    // 0 <= x < Width() and 0 <= y < Height(); nothing is checked here.
    RgbColor GetPixel(std::uint32_t x, std::uint32_t y) const { return PixelLayout.Pixel(RowBase(y), x); }

    // The picture source: every row is in the view, so any band is there at once.
    std::uint32_t Width() const override { return View ? static_cast<std::uint32_t>(InfoHeader.biWidth) : 0; }
    std::uint32_t Height() const override { return View ? PictureHeight : 0; }
    bool LoadRows(std::uint32_t first, std::uint32_t end) override;
    const std::uint8_t* RowBase(std::uint32_t y) const override
    {
        return TopRow + static_cast<std::ptrdiff_t>(y) * RowStep;
    }
    std::ptrdiff_t RowDistance() const override { return RowStep; }
    const CPixelLayout& Layout() const override { return PixelLayout; }

    bool IsOpen() const { return View != nullptr; }
    bool IsTopDown() const { return InfoHeader.biHeight < 0; }

    const BmpFileHeader& GetFileHeader() const { return FileHeader; }
    const BmpInfoHeader& GetInfoHeader() const { return InfoHeader; }
    // Distance between stored rows: bytes, or pixels for 4 bits per pixel.
    std::int32_t GetRowStride() const { return RowStride; }
    const void* GetFileHandle() const { return File.GetFileHandle(); }
    const void* GetMappingHandle() const { return File.GetMappingHandle(); }
    const std::uint8_t* GetView() const { return View; }
    const std::uint8_t* GetColorTable() const { return ColorTable; }
    const std::uint8_t* GetPixelData() const { return PixelData; }

private:
    bool Refuse(Failure kind, std::string reason);
    bool CheckAndLocate(std::uint64_t fileSize);
    bool SetUpMasks(std::uint64_t fileSize);
    void LoadPalette(std::uint64_t fileSize);

    CMappedFile File;  // the mapping, when the reader opened the file itself
    const std::uint8_t* View;
    BmpFileHeader FileHeader;
    BmpInfoHeader InfoHeader;
    const std::uint8_t* ColorTable;
    const std::uint8_t* PixelData;
    std::int32_t RowStride;

    CPixelLayout PixelLayout;
    std::uint32_t PictureHeight;
    const std::uint8_t* TopRow;  // the stored row that holds y = 0
    std::ptrdiff_t RowStep;      // bytes from row y to row y + 1 (negative when bottom-up)
};
