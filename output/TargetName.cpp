#include "output/TargetName.h"

namespace
{

#ifdef _WIN32
const char FolderSeparators[] = "\\/";
const char FolderSeparator = '\\';
#else
const char FolderSeparators[] = "/";
const char FolderSeparator = '/';
#endif

}  // namespace

std::string DefaultTargetName(const std::string& sourcePath, bool slashSeparates, const std::string& extension)
{
    const std::size_t dot = sourcePath.rfind('.');
    const std::size_t separator = sourcePath.find_last_of(slashSeparates ? "\\/" : "\\");
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator))
        return std::string();
    return sourcePath.substr(0, dot) + extension;
}

std::string PagePathFor(const std::string& sourcePath, const std::string& folder, const std::string& extension)
{
    const std::size_t separator = sourcePath.find_last_of(FolderSeparators);
    const std::size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
    std::string name = sourcePath.substr(nameStart);
    // A dot that starts the name (".hidden") is part of the name, not an extension.
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    name += extension;

    if (folder.empty())
        return sourcePath.substr(0, nameStart) + name;
    if (std::string(FolderSeparators).find(folder.back()) != std::string::npos)
        return folder + name;
    return folder + FolderSeparator + name;
}
