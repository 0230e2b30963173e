// SPDX-License-Identifier: MIT
// What many tests share: temporary files, the record of the library's result
// callback, a small catalogue and the shape of a downloaded picture's name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/sample_catalogue.h"

namespace TestSupport {

// A fresh directory, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    // Writes content to path()/name, creating folders; returns the file's path.
    std::string write(const std::string& name, const std::string& content) const;

private:
    std::string path_;
};

// Replaces the file's bytes; fails the running test on error.
void writeFile(const std::string& path, const std::string& bytes);
// The file's bytes ("" when it cannot be read).
std::string readFile(const std::string& path);

struct CallbackCall {
    int code;
    std::string data;
    bool nulTerminated;
    std::int64_t user;
};
// Every call of recordCallback() since the test last cleared it.
extern std::vector<CallbackCall> callbackCalls;
void recordCallback(int code, const char* data, int length, std::int64_t user);

using testsupport::SampleCatalogueXml;

// Init with root and the sample catalogue, written once per process into a
// directory that lives as long as the process.
void initWithSampleCatalogue(const char* root = "");

// "<img src=\"" path "\"/>" as the library writes it: a file path with '%',
// '#', '?' percent-encoded and '&', '<', '>', '"' as character references,
// a resource (":/...") with '"' as "&quot;" alone.
std::string imageTag(const std::string& path);

// What follows the 30 random characters that begin the name of a downloaded
// picture, or "not a cache name: " and the name.
std::string cacheNameSuffix(const std::string& fileName);

}  // namespace TestSupport
