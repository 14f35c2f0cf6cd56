// The page name proposed for a source picture.
#pragma once

#include <string>

// The source path with the page's extension (".html", with its dot) in place of its own, or
// empty when the file name has none. Only the backslash separates folders unless
// slashSeparates is set, so that a '.' in a folder name is never taken for the extension.
std::string DefaultTargetName(const std::string& sourcePath, bool slashSeparates = false,
                              const std::string& extension = ".html");

// The page of a source picture: its file name with the page's extension in place of its own
// (or added, when it has none), in folder, or beside the source when folder is empty.
// The separators are those of the platform: both slashes on Windows, '/' elsewhere.
std::string PagePathFor(const std::string& sourcePath, const std::string& folder,
                        const std::string& extension = ".html");
