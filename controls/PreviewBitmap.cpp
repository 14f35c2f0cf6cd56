#include "controls/PreviewBitmap.h"

#include "base/MappedFile.h"
#include "decoders/Orientation.h"
#include "decoders/WicDecoder.h"
#include "engine/DecodedPicture.h"

#include <cstring>
#include <memory>

HBITMAP DecodePreviewBitmap(const std::string& path, RgbColor background, const PreviewFit& fit, std::uint32_t& width,
                            std::uint32_t& height, std::string& reason)
{
    CMappedFile file;
    if (!file.Open(path))
    {
        reason =
            file.LastFailure() == CMappedFile::Failure::CannotOpen ? "the file cannot be read" : file.FailureReason();
        return nullptr;
    }
    const PictureFormat format = SniffPictureFormat(file.Data(), file.Size());
    std::unique_ptr<CWicDecoder> decoder = CreateWicDecoder(format);
    if (!decoder)
    {
        reason = NoDecoderReason(format);
        return nullptr;
    }

    // The decoder shrinks the stored picture to what the preview draws of the upright one.
    const bool swaps = SwapsAxes(ReadOrientation(format, file.Data(), file.Size()));
    const CWicDecoder& wic = *decoder;
    decoder->ScaleOnOpen([&](std::uint32_t& storedWidth, std::uint32_t& storedHeight) {
        std::uint32_t fittedWidth = 0;
        std::uint32_t fittedHeight = 0;
        if (swaps)
            fit(storedHeight, storedWidth, fittedHeight, fittedWidth);
        else
            fit(storedWidth, storedHeight, fittedWidth, fittedHeight);
        storedWidth = fittedWidth;
        storedHeight = fittedHeight;
    });
    CDecodedPicture picture;
    if (!picture.Open(std::move(decoder), file.Data(), file.Size(), format, background))
    {
        reason = picture.FailureReason();
        return nullptr;
    }
    // Taken now: the picture may let the decoder go once it has all the rows.
    width = swaps ? wic.FileHeight() : wic.FileWidth();
    height = swaps ? wic.FileWidth() : wic.FileHeight();
    if (!picture.LoadRows(0, picture.Height()))
    {
        reason = picture.FailureReason();
        return nullptr;
    }

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = static_cast<LONG>(picture.Width());
    info.bmiHeader.biHeight = -static_cast<LONG>(picture.Height());  // top-down, like the rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap)
    {
        reason = "there is not enough memory for the preview";
        return nullptr;
    }
    const std::size_t rowBytes = std::size_t(picture.Width()) * 4;
    for (std::uint32_t y = 0; y < picture.Height(); ++y)
        std::memcpy(static_cast<std::uint8_t*>(bits) + y * rowBytes, picture.RowBase(y), rowBytes);
    ::GdiFlush();
    return bitmap;
}
