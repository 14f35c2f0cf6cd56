#include "engine/HeldPicture.h"

bool HeldRows::Fit(const std::string& path, RgbColor background) const
{
    if (path != Path || (Translucent && background != Background))
        return false;
    // Written again, replaced or moved away since: decoded again.
    FileIdentity now;
    return CMappedFile::IdentifyPath(path, now) && now == File;
}
