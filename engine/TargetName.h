// The page name proposed for a source picture.
#pragma once

#include <string>

// The source path with ".html" in place of its extension, or empty when the
// file name has none. Only the backslash separates folders unless slashSeparates
// is set, so that a '.' in a folder name is never taken for the extension.
std::string DefaultTargetName(const std::string& sourcePath, bool slashSeparates = false);
