// SPDX-License-Identifier: MIT
#include "download/DownloadSettings.h"

#include <cstring>

namespace Tessel {

bool DownloadSettings::setCacheDirectory(const char* path)
{
    const std::size_t length = path ? std::strlen(path) : 0;
    if (length > MaxCacheDirectory)
        return false;
    std::lock_guard<std::mutex> lock(mutex_);
    cacheDirectory_.assign(path ? path : "", length);
    return true;
}

std::string DownloadSettings::cacheDirectory() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return cacheDirectory_;
}

void DownloadSettings::setLimits(const DownloadLimits& limits)
{
    std::lock_guard<std::mutex> lock(mutex_);
    limits_ = limits;
}

DownloadLimits DownloadSettings::limits() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return limits_;
}

}  // namespace Tessel
