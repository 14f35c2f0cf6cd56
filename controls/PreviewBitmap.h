// A picture file of any format the system decodes, drawn small for a preview.
#pragma once

#include "base/RgbColor.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

// Given the upright picture's width and height, the size the preview draws it at.
using PreviewFit = std::function<void(std::uint32_t width, std::uint32_t height, std::uint32_t& fittedWidth,
                                      std::uint32_t& fittedHeight)>;

// Decodes the picture at path (recognised by its first bytes) for a preview: turned upright as
// its EXIF orientation says, transparent areas over background, and shrunk by the system's decoder
// to the size fit chooses (never enlarged: the preview does that), so that a large photo is never
// held at full size. Returns a top-down 32-bit DIB section the caller owns, with the upright
// picture's full size in width and height; null, with the reason in a few words, when the file
// cannot be read as a picture.
HBITMAP DecodePreviewBitmap(const std::string& path, RgbColor background, const PreviewFit& fit, std::uint32_t& width,
                            std::uint32_t& height, std::string& reason);
