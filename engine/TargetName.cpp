#include "engine/TargetName.h"

std::string DefaultTargetName(const std::string& sourcePath, bool slashSeparates)
{
    const std::size_t dot = sourcePath.rfind('.');
    const std::size_t separator = sourcePath.find_last_of(slashSeparates ? "\\/" : "\\");
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator))
        return std::string();
    return sourcePath.substr(0, dot) + ".html";
}
