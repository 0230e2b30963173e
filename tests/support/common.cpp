// SPDX-License-Identifier: MIT
#include "support/common.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "tessel/tessel.h"

namespace fs = std::filesystem;

namespace TestSupport {

TempDir::TempDir()
{
    static std::atomic<unsigned> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = fs::temp_directory_path() / ("tessel-test-" + std::to_string(stamp) +
                                                          "-" + std::to_string(counter++));
        if (fs::create_directory(candidate)) {
            path_ = candidate.string();
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string TempDir::write(const std::string& name, const std::string& content) const
{
    fs::path file = fs::path(path_) / fs::u8path(name);
    fs::create_directories(file.parent_path());
    writeFile(file.u8string(), content);
    return file.u8string();
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(fs::u8path(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    EXPECT_TRUE(out) << "cannot write " << path;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(fs::u8path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<CallbackCall> callbackCalls;

void recordCallback(int code, const char* data, int length, std::int64_t user)
{
    callbackCalls.push_back({code, std::string(data, length), data[length] == '\0', user});
}

void initWithSampleCatalogue(const char* root)
{
    static TempDir dir;
    static const std::string catalogue = dir.write("emo.dat", SampleCatalogueXml);
    Tessel::Init(root, catalogue.c_str());
}

std::string imageTag(const std::string& path)
{
    static const std::pair<char, const char*> written[] = {{'%', "%25"},   {'#', "%23"},  {'?', "%3F"},
                                                           {'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"},
                                                           {'"', "&quot;"}};
    const bool resource = path.rfind(":/", 0) == 0;
    std::string value;
    for (char c : path) {
        const char* replacement = nullptr;
        for (const auto& [mark, text] : written)
            if (c == mark && (!resource || c == '"'))
                replacement = text;
        replacement ? value.append(replacement) : value.append(1, c);
    }
    return "<img src=\"" + value + "\"/>";
}

std::string cacheNameSuffix(const std::string& fileName)
{
    static const std::string alphabet =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789@#$%^&()_[]{}~`";
    if (fileName.size() < 30 || fileName.find_first_not_of(alphabet) < 30)
        return "not a cache name: " + fileName;
    return fileName.substr(30);
}

}  // namespace TestSupport
