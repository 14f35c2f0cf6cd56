// How much memory decoding a picture for a preview may take.
#pragma once

#include "engine/SourcePicture.h"

#include <cstdint>
#include <string>

// The most memory decoding a picture for a preview may take: a 48-megapixel photo fits, and with
// it the wizard stays well under 300 MB. Above it the wizard shows no preview and says why; the
// conversion itself is not limited by it.
const std::uint64_t MaximumPreviewBytes = 200000000;

// The most memory the wizard keeps a decoded picture in between its pages, so that the finish
// page's preview need not decode it again: a 16-megapixel photo fits. A larger one is decoded
// again for that preview.
const std::uint64_t MaximumHeldBytes = 64 * 1024 * 1024;

// Why the picture a look at its header described gets no preview ("decoding this 16384 x 16384
// picture would take about 1.6 GB of memory, more than a preview may take"), or empty.
std::string PreviewMemoryProblem(const SourceFacts& facts);

// Completes the facts of an opened picture whose header alone could not tell them (a format whose
// header this program does not read: HEIF, AVIF, JPEG XL): its size, and what decoding it takes,
// the picture held whole as the decoders of those formats hold it. Nothing has been decoded yet.
void CompleteFacts(const CSourcePicture& picture, SourceFacts& facts);
