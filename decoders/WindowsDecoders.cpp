// The Windows decoders' factory. The system's imaging component is not wired in yet: until it
// is, only the mapped bitmap reader reads pictures on Windows.
#include "decoders/PictureDecoder.h"

std::unique_ptr<CPictureDecoder> CreatePictureDecoder(PictureFormat)
{
    return nullptr;
}
