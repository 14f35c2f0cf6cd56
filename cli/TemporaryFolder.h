// A private folder of the tool's own under the system's temporary folder.
#pragma once

#include <string>

// Its paths are UTF-8 text, as the converter's file names are. Made on demand, readable by its
// owner only, and removed with everything in it when the
// object goes. It holds what the tool must keep as a file for a while: a picture read
// from standard input or a pipe, a page on its way to standard output.
class CTemporaryFolder
{
public:
    CTemporaryFolder() = default;
    ~CTemporaryFolder();
    CTemporaryFolder(const CTemporaryFolder&) = delete;
    CTemporaryFolder& operator=(const CTemporaryFolder&) = delete;

    // Makes the folder unless it is made already; false, with the reason, when it cannot.
    bool Create(std::string& reason);
    // The full path of a name inside the folder (once it is made).
    std::string Path(const std::string& name) const;
    bool IsCreated() const { return !RootPath.empty(); }
    // The folder's own path; empty until it is made.
    const std::string& Root() const { return RootPath; }

private:
    std::string RootPath;
};
