// CWicDecoder: pictures decoded by the Windows Imaging Component.
#pragma once

#include "decoders/ComInitializer.h"
#include "decoders/ComPtr.h"
#include "decoders/PictureDecoder.h"

#include <wincodec.h>

#include <cstdint>
#include <functional>
#include <string>

// Reads PNG, JPEG, GIF (its first frame), TIFF (its first page), WebP, HEIF, AVIF and JPEG XL
// where the system has a codec, and the .bmp files the mapped reader leaves alone, through WIC's
// decoder for the format the file was recognised as. A frame with an embedded colour profile goes
// through WIC's colour transform into sRGB. The file's bytes are handed to WIC as memory; rows come out as
// 32-bit blue, green, red, alpha through WIC's format converter, copied a band at a time, so no
// whole-picture copy of our own is ever made. Optionally WIC's scaler shrinks the picture first,
// for previews (ScaleOnOpen). COM is initialised for the decoder's life on the thread that makes it.
class CWicDecoder : public CPictureDecoder
{
public:
    // A decoder of format through WIC's decoder for container (the format table's).
    CWicDecoder(PictureFormat format, const GUID& container);
    ~CWicDecoder() override;

    // True when this system's WIC has a decoder for container.
    static bool Reads(const GUID& container);

    bool Open(const std::uint8_t* data, std::size_t size) override;
    bool ReadRows(std::uint8_t* out, std::ptrdiff_t stride, std::uint32_t count) override;

    // Takes from choose, given the size in the file, the size the rows are to have, and scales
    // to it as soon as Open has read the header; a size not smaller than the file's is left alone.
    // For callers that hand the decoder on to be opened elsewhere.
    using SizeChoice = std::function<void(std::uint32_t& width, std::uint32_t& height)>;
    void ScaleOnOpen(SizeChoice choose) { Choose = std::move(choose); }
    // The picture's size in the file, whatever it is scaled to.
    std::uint32_t FileWidth() const { return UnscaledWidth; }
    std::uint32_t FileHeight() const { return UnscaledHeight; }

private:
    // Puts WIC's scaler in front of the rows, so that they come out width x height (as stored,
    // before any turning); the header then reports that size. Only before the first ReadRows.
    bool ScaleTo(std::uint32_t width, std::uint32_t height);
    bool Refuse(const std::string& what, HRESULT result);
    bool SetUpConverter(IWICBitmapSource* source);
    void SetUpColourTransform();
    bool DetectAlpha();
    void ReleaseAll();

    PictureFormat Format;
    GUID Container;
    CComInitializer Com;
    CComPtr<IWICImagingFactory> Factory;
    CComPtr<IWICStream> Stream;
    CComPtr<IWICBitmapDecoder> Decoder;
    CComPtr<IWICBitmapFrameDecode> Frame;
    CComPtr<IWICFormatConverter> FrameBgra;  // the frame as 32-bit BGRA, for the colour transform
    CComPtr<IWICColorTransform> ColourTransform;
    IWICBitmapSource* Pixels = nullptr;  // what the rows come from: the frame, or its colour transform
    CComPtr<IWICBitmapScaler> Scaler;
    CComPtr<IWICFormatConverter> Converter;
    std::uint32_t NextRow = 0;
    std::uint32_t UnscaledWidth = 0;
    std::uint32_t UnscaledHeight = 0;
    SizeChoice Choose;
};

// This system's WIC decoder for format, or null when it has none (the format table tells which).
std::unique_ptr<CWicDecoder> CreateWicDecoder(PictureFormat format);
