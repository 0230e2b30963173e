// A temporary directory that removes itself, with helpers to write files.
#pragma once

#include <string>

namespace testsupport {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // Writes content to path()/name (creating folders) and returns its path.
    std::string write(const std::string& name, const std::string& content) const;

private:
    std::string path_;
};

}  // namespace testsupport
