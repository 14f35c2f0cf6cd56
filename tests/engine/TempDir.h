// A fresh directory per test under the system's temporary directory.
#pragma once

#include <string>

// Creates a directory unique to this process and test; removes it with its content.
class CTempDir
{
public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    // The full path of a name inside the directory.
    std::string Path(const std::string& name) const;
    const std::string& Root() const { return RootPath; }

private:
    std::string RootPath;
};

// The write calls this process has made so far (from /proc/self/io); -1 where the system does not
// count them.
long WriteCallsSoFar();
