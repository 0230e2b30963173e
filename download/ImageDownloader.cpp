// SPDX-License-Identifier: MIT
#include "download/ImageDownloader.h"

#include <algorithm>
#include <cstdio>

#include "fs/Path.h"
#include "fs/filesystem.h"
#include "fs/system.h"

namespace Tessel {

namespace {

constexpr DWORD waitMilliseconds = 3000;
const char nameAlphabet[] =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789@#$%^&()_[]{}~`";
constexpr int nameAlphabetSize = sizeof nameAlphabet - 1;
static_assert(nameAlphabetSize == 77, "the name alphabet has 77 bytes");
constexpr int nameBufferSize = 31;
// Random bytes from this value up are drawn again, so that every letter of
// the alphabet is equally likely: 231 is the largest multiple of 77 <= 256.
constexpr unsigned fairByteLimit = 256 / nameAlphabetSize * nameAlphabetSize;
// Names drawn for one picture before giving up, should every one be taken.
constexpr int nameAttempts = 16;
constexpr std::size_t writeBufferSize = 64 * 1024;

const DownloadSettings& settingsOrDefaults(const DownloadSettings* settings)
{
    static const DownloadSettings defaults;
    return settings ? *settings : defaults;
}

}  // namespace

ImageDownloader::ImageDownloader() = default;

ImageDownloader::~ImageDownloader()
{
    for (const auto& entry : connections)
        InternetCloseHandle(entry.second);
    connections.clear();
}

int ImageDownloader::waitForCompletion(HANDLE event)
{
    DWORD wait = waitMilliseconds;
    bool cutByCall = false;
    if (callStarted_ && limits_.maxCallMilliseconds != 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(callEnd_ - Clock::now());
        const long long leftMs = std::max<long long>(left.count(), 0);
        if (leftMs < wait) {
            wait = static_cast<DWORD>(leftMs);
            cutByCall = true;
        }
    }
    switch (WaitForSingleObject(event, wait)) {
    case WAIT_OBJECT_0:
        return done;
    case WAIT_TIMEOUT:
        callTimedOut_ = callTimedOut_ || cutByCall;
        return timedOut;
    default:
        return failed;
    }
}

void ImageDownloader::beginCall()
{
    callStarted_ = false;
    callTimedOut_ = false;
}

bool ImageDownloader::callTimeLeft()
{
    if (!callStarted_) {
        limits_ = settingsOrDefaults(settings).limits();
        callEnd_ = Clock::now() + std::chrono::milliseconds(limits_.maxCallMilliseconds);
        callStarted_ = true;
    }
    if (limits_.maxCallMilliseconds != 0 && Clock::now() >= callEnd_)
        callTimedOut_ = true;
    return !callTimedOut_;
}

bool ImageDownloader::splitUrl(const std::string& url, std::string& host, std::string& path)
{
    static const std::string scheme = "http://";
    if (url.empty() || url.compare(0, scheme.size(), scheme) != 0)
        return false;
    std::size_t slash = url.find('/', scheme.size());
    if (slash == std::string::npos || slash + 1 == url.size())
        return false;
    host = url.substr(scheme.size(), slash - scheme.size());
    path = url.substr(slash);
    return true;
}

HINTERNET ImageDownloader::findConnection(const std::string& host)
{
    if (host.empty())
        return nullptr;
    auto it = connections.find(host);
    return it == connections.end() ? nullptr : it->second;
}

void ImageDownloader::rememberConnection(const std::string& host, HINTERNET handle)
{
    connections[host] = handle;
}

bool ImageDownloader::connectHost(const std::string& host)
{
    state = failed;
    connection = findConnection(host);
    if (connection) {
        state = done;
    } else if (connect(host)) {
        state = done;
        rememberConnection(host, connection);
    }
    return state == done;
}

bool ImageDownloader::randomName(char* buffer, int size)
{
    unsigned char bytes[64];
    int filled = 0;
    while (filled < size - 1) {
        if (!secureRandom(bytes, sizeof bytes))
            return false;
        for (unsigned char byte : bytes) {
            if (byte < fairByteLimit && filled < size - 1)
                buffer[filled++] = nameAlphabet[byte % nameAlphabetSize];
        }
    }
    buffer[size - 1] = '\0';
    return true;
}

bool ImageDownloader::drawName(char* buffer, int size)
{
    return randomName(buffer, size);
}

FILE* ImageDownloader::createPictureFile(const std::string& extension, std::string& localPath)
{
    const std::string directory = settingsOrDefaults(settings).cacheDirectory();
    if (kindOf(directory.c_str()) == EntryKind::missing)
        createDirectories(Path(directory));  // reports its own failure
    for (int attempt = 0; attempt < nameAttempts; ++attempt) {
        char name[nameBufferSize];
        if (!drawName(name, nameBufferSize))
            return nullptr;
        localPath = (Path(directory) /= name).str();
        localPath = Path(localPath).replaceExtension(Path(extension)).str();
        bool nameTaken = false;
        if (FILE* file = createNewFile(localPath.c_str(), nameTaken))
            return file;
        if (!nameTaken)
            return nullptr;
    }
    return nullptr;
}

bool ImageDownloader::storeBody(FILE* file)
{
    // glibc takes the size of a buffer only with the buffer itself.
    writeBuffer_.resize(writeBufferSize);
    std::setvbuf(file, writeBuffer_.data(), _IOFBF, writeBuffer_.size());
    const std::uint64_t maxBytes = limits_.maxPictureBytes;
    std::uint64_t received = 0;
    bool stopped = false;
    readChunks([&](const char* data, DWORD length) {
        received += length;
        stopped = (maxBytes != 0 && received > maxBytes) || fwrite(data, 1, length, file) != length;
        return !stopped;
    });
    // A failed read keeps the chunks written so far; a write that fails when
    // the file is flushed, or a call that ran out of time, does not.
    const bool written = fclose(file) == 0;
    return !stopped && written && !callTimedOut_;
}

bool ImageDownloader::downloadImage(const std::string& url, std::string& localPath)
{
    std::string host;
    std::string path;
    // An address holding a NUL byte could name one file and announce another.
    if (url.find('\0') != std::string::npos || !splitUrl(url, host, path))
        return false;
    std::size_t dot = url.rfind('.');
    if (dot == std::string::npos)
        return false;
    if (url.compare(dot, 4, ".jpg") != 0 && url.compare(dot, 4, ".png") != 0)
        return false;
    std::string extension = url.substr(dot);

    if (!callTimeLeft() || !connectHost(host) || !openRequest(path))
        return false;

    FILE* file = createPictureFile(extension, localPath);
    if (!file)
        return false;
    if (!storeBody(file)) {
        closeRequest();
        removeFile(localPath.c_str());
        return false;
    }
    if (announcer)
        announcer->picture(localPath);
    return true;
}

}  // namespace Tessel
