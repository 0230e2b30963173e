#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

TempDir::TempDir()
{
    std::random_device seed;
    std::mt19937_64 random(seed());
    fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = base / ("tessel-test-" + std::to_string(random()));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            path_ = candidate.string();
            return;
        }
    }
    ADD_FAILURE() << "cannot create a temporary directory under " << base;
}

TempDir::~TempDir()
{
    std::error_code error;
    if (!path_.empty())
        fs::remove_all(path_, error);
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    EXPECT_TRUE(out) << "cannot write " << path;
}
