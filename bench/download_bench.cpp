// SPDX-License-Identifier: MIT
// 100 pictures of 200 KB from one loopback host: through ImageDownloader
// (WinINet calls, worker-thread completions, 3000 ms waits never reached) and
// through one libcurl easy handle with keep-alive, both writing every picture
// to its own file in a cache directory.

#include <benchmark/benchmark.h>

#include <curl/curl.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "api/state.h"
#include "download/ImageDownloader.h"
#include "support/http_server.h"

namespace {

constexpr int pictures = 100;
constexpr std::size_t pictureSize = 200 * 1024;
const char host[] = "127.0.30.1";

std::filesystem::path cacheDirectory()
{
    return std::filesystem::temp_directory_path() / "tessel-download-bench";
}

TestSupport::HttpServer& server()
{
    static std::unique_ptr<TestSupport::HttpServer> instance = [] {
        auto s = std::make_unique<TestSupport::HttpServer>(host);
        const std::string body = TestSupport::patternBytes(pictureSize);
        for (int i = 0; i < pictures; ++i)
            s->on("/pic" + std::to_string(i) + ".png", {200, body});
        return s;
    }();
    return *instance;
}

std::string url(int i)
{
    return std::string("http://") + host + "/pic" + std::to_string(i) + ".png";
}

// Bytes and pictures per second of wall-clock time.
void report(benchmark::State& state)
{
    state.SetBytesProcessed(std::int64_t(state.iterations()) * pictures * pictureSize);
    state.SetItemsProcessed(std::int64_t(state.iterations()) * pictures);
}

void emptyCache(benchmark::State& state)
{
    state.PauseTiming();
    std::filesystem::remove_all(cacheDirectory());
    std::filesystem::create_directories(cacheDirectory());
    state.ResumeTiming();
}

void BM_ImageDownloader(benchmark::State& state)
{
    server();
    Tessel::SetCachePath(cacheDirectory().c_str());
    for (auto _ : state) {
        emptyCache(state);
        Tessel::ImageDownloader downloader;
        downloader.settings = &Tessel::Downloads;  // the cache directory set above
        for (int i = 0; i < pictures; ++i) {
            std::string path;
            if (!downloader.downloadImage(url(i), path) || downloader.state != Tessel::done) {
                state.SkipWithError("download failed");
                return;
            }
        }
    }
    report(state);
}

std::size_t writeToFile(char* data, std::size_t size, std::size_t count, void* file)
{
    return std::fwrite(data, size, count, static_cast<FILE*>(file)) * size;
}

void BM_CurlEasyKeepAlive(benchmark::State& state)
{
    server();
    for (auto _ : state) {
        emptyCache(state);
        CURL* easy = curl_easy_init();
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, writeToFile);
        for (int i = 0; i < pictures; ++i) {
            std::string path = (cacheDirectory() / ("pic" + std::to_string(i) + ".png")).string();
            FILE* file = std::fopen(path.c_str(), "ab+");
            curl_easy_setopt(easy, CURLOPT_URL, url(i).c_str());
            curl_easy_setopt(easy, CURLOPT_WRITEDATA, file);
            CURLcode result = curl_easy_perform(easy);
            std::fclose(file);
            if (result != CURLE_OK) {
                state.SkipWithError("curl failed");
                curl_easy_cleanup(easy);
                return;
            }
        }
        curl_easy_cleanup(easy);
    }
    report(state);
}

}  // namespace

BENCHMARK(BM_ImageDownloader)->Name("Download/ImageDownloader")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CurlEasyKeepAlive)
    ->Name("Download/curl_easy_keep_alive")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_MAIN();
