// The conversion of a picture into cells: the grid laid over the picture, every cell's colour
// handed to a sink row by row.
#pragma once

#include "engine/CellSink.h"
#include "engine/ConversionResult.h"
#include "engine/ConversionSettings.h"
#include "engine/PictureSource.h"

#include <string>

// Lays the target's grid over an open picture and hands the target its head, every row of cells
// from the top-left, and its tail. Stops at the first failed write (WriteFailed) or read
// (SourceRefused: the source tells why), or after the row during which stop was set (Stopped).
// A source that is not open gives SourceCannotOpen; Written when the page is complete.
ConversionStatus ConvertToHtml(CPictureSource& source, CCellSink& target, const ConversionProgress& progress = {},
                               const ConversionStop* stop = nullptr);

// True when path names an existing file that is not a directory.
bool FileExists(const std::string& path);
// True when path names an existing directory.
bool FolderExists(const std::string& path);
