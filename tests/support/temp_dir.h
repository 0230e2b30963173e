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

    // The directory, without a trailing "/".
    const std::string& path() const { return path_; }
    // path() + "/" + name.
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    // Writes content to path()/name (creating folders) and returns its path.
    std::string write(const std::string& name, const std::string& content) const;

private:
    std::string path_;
};

// Writes bytes to a file, replacing it; fails the current test on error.
void writeFile(const std::string& path, const std::string& bytes);

}  // namespace testsupport
