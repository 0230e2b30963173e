// SPDX-License-Identifier: MIT
#include "fixture.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "support/sample_catalogue.h"
#include "tessel/tessel.h"

namespace fuzzing {

namespace {

void removeScratch()
{
    std::error_code ignored;
    std::filesystem::remove_all(scratchDir(), ignored);
}

}  // namespace

const std::string& scratchDir()
{
    // Never destroyed, so that the exit handler can still read it.
    static const std::string& dir = *new std::string([] {
        std::string pattern = (std::filesystem::temp_directory_path() / "tessel-fuzz-XXXXXX").string();
        if (!mkdtemp(&pattern[0]))
            std::abort();
        std::atexit(removeScratch);
        return pattern;
    }());
    return dir;
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        std::abort();
}

void initLibrary()
{
    static const bool done = [] {
        const std::string& dir = scratchDir();
        writeFile(dir + "/emo.dat", testsupport::SampleCatalogueXml);
        writeFile(dir + "/a.png", "png");
        writeFile(dir + "/b.jpg", "jpg");
        std::filesystem::create_directory(dir + "/cache");
        if (chdir(dir.c_str()) != 0)
            std::abort();
        Tessel::Init(dir.c_str(), (dir + "/emo.dat").c_str());
        Tessel::SetCachePath((dir + "/cache").c_str());
        return true;
    }();
    (void)done;
}

std::string withoutHttp(std::string input)
{
    for (std::size_t at = input.find("http://"); at != std::string::npos; at = input.find("http://", at))
        input.replace(at, 4, "hxxp");
    return input;
}

void checkBuffer(const char* data, int length)
{
    if (!data || length < 0 || data[length] != '\0')
        std::abort();
}

}  // namespace fuzzing
