// SPDX-License-Identifier: MIT
// Where downloaded pictures go and how much the downloads of one call may
// take. The library's interface sets them; every downloader reads them when
// it starts a call or a picture. Safe to use from any thread.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

namespace Tessel {

struct DownloadLimits {
    // A picture whose body grows past this many bytes is given up; 0: no limit.
    std::uint64_t maxPictureBytes = std::uint64_t(64) << 20;
    // The downloads of one call together stop after this long; 0: no limit.
    std::uint32_t maxCallMilliseconds = 30000;
};

class DownloadSettings {
public:
    // A directory name holds at most this many bytes before its terminator.
    static constexpr std::size_t MaxCacheDirectory = 259;

    // False, keeping the previous directory, when path is longer than
    // MaxCacheDirectory; a null path clears it.
    bool setCacheDirectory(const char* path);
    std::string cacheDirectory() const;

    void setLimits(const DownloadLimits& limits);
    DownloadLimits limits() const;

private:
    mutable std::mutex mutex_;
    std::string cacheDirectory_;
    DownloadLimits limits_;
};

}  // namespace Tessel
