// The record the wizard's pages fill in and a conversion run reads.
#pragma once

#include "engine/RgbColor.h"

#include <cstdint>
#include <string>

// Lowest and highest number of character columns or rows a page may have.
const std::uint32_t MinimumGridCount = 1;
const std::uint32_t MaximumGridCount = 5000;

// The face and the characters a page gets unless the user chooses others, in the wizard and the tool.
const char* const DefaultFontFace = "Courier New";
const char* const DefaultCharacterSet = "01";

// A picture's description with the platform's BITMAP field names and layout
// (24 bytes on 32-bit Windows), so the engine needs no GDI header for it.
struct BitmapDescription {
    std::int32_t bmType = 0;
    std::int32_t bmWidth = 0;
    std::int32_t bmHeight = 0;
    std::int32_t bmWidthBytes = 0;
    std::uint16_t bmPlanes = 0;
    std::uint16_t bmBitsPixel = 0;
    void* bmBits = nullptr;
};

static_assert(sizeof(void*) != 4 || sizeof(BitmapDescription) == 24,
              "BitmapDescription must match the platform's 24-byte BITMAP");

// Everything a conversion needs; SourceBitmap only serves the output page's proportions.
struct ConversionSettings {
    std::string SourcePath;
    std::string TargetPath;
    BitmapDescription SourceBitmap;
    std::uint32_t Columns = 0;
    std::uint32_t Rows = 0;
    std::string FontFace;
    std::string CharacterSet;
    std::int32_t CharacterOrder = 0; // 0 randomly, 1 sequentially
    RgbColor BackgroundColor = 0;
};
