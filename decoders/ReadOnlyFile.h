// Opening a picture file by name for reading, whatever script the name is in.
#pragma once

#include <cstdio>
#include <string>

// fopen(path, "rb") for a name in the engine's text code page: where the converter reads UTF-8
// names on a Windows that keeps another code page, the name goes to the wide call.
std::FILE* OpenReadOnlyFile(const std::string& path);
