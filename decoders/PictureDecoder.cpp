#include "decoders/PictureDecoder.h"

namespace
{

std::string SizeText(std::uint64_t width, std::uint64_t height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

}  // namespace

std::string TooLargeReason(const std::string& kind, std::uint64_t width, std::uint64_t height)
{
    return "the " + kind + " picture is too large (" + SizeText(width, height) + ")";
}

std::string PictureSizeProblem(const std::string& kind, std::uint64_t width, std::uint64_t height)
{
    if (width == 0 || height == 0)
        return "the picture has no pixels (" + SizeText(width, height) + ")";
    // Compared by division, so that no product of two claimed sizes can overflow.
    if (width > MaximumPicturePixels || height > MaximumPicturePixels / width)
        return TooLargeReason(kind, width, height);
    return "";
}
