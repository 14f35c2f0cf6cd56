// Settings the tests run pages with: a grid of characters, and the two-cell photo page.
#pragma once

#include "base/RgbColor.h"
#include "engine/ConversionResult.h"
#include "engine/ConversionSettings.h"

#include <cstdint>

class CTempDir;

// Columns x rows cells of the characters in Courier New, in turn (order 1) or at random (0).
ConversionSettings GridSettings(std::uint32_t columns, std::uint32_t rows, const char* characters, int order,
                                RgbColor background = 0);

// A photo page of two half blocks from a 4 x 4 "two.bmp" written into dir: red over green on the
// top half, blue below, so each cell's halves come out unmixed. The page goes to "two.html".
ConversionSettings TwoCellPhotoSettings(const CTempDir& dir);

// The run of settings with the text in UTF-8, so the half block reads the same on every system.
ConversionResult RunInUtf8(const ConversionSettings& settings);
