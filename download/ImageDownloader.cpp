#include "download/ImageDownloader.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include "api/state.h"
#include "fs/Path.h"
#include "fs/filesystem.h"

namespace Tessel {

namespace {

constexpr DWORD waitMilliseconds = 3000;
const char nameAlphabet[] =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789@#$%^&()_[]{}~`";
constexpr int nameAlphabetSize = sizeof nameAlphabet - 1;
static_assert(nameAlphabetSize == 77, "the name alphabet has 77 bytes");
constexpr int nameBufferSize = 31;

bool seeded = false;

int fileAccess(const std::string& path)
{
#if defined(_WIN32)
    return _access(path.c_str(), 0);
#else
    return access(path.c_str(), F_OK);
#endif
}

unsigned calendarTime()
{
#if defined(_WIN32)
    return static_cast<unsigned>(_time64(nullptr));
#else
    return static_cast<unsigned>(time(nullptr));
#endif
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
    switch (WaitForSingleObject(event, waitMilliseconds)) {
    case WAIT_OBJECT_0:
        return done;
    case WAIT_TIMEOUT:
        return timedOut;
    default:
        return failed;
    }
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

void ImageDownloader::randomName(char* buffer, int size)
{
    if (!seeded) {
        srand(calendarTime());
        seeded = true;
    }
    for (int i = 0; i < size - 1; ++i)
        buffer[i] = nameAlphabet[rand() % nameAlphabetSize];
    buffer[size - 1] = '\0';
}

bool ImageDownloader::downloadImage(const std::string& url, std::string& localPath)
{
    std::string host;
    std::string path;
    if (!splitUrl(url, host, path))
        return false;
    std::size_t dot = url.rfind('.');
    if (dot == std::string::npos)
        return false;
    if (url.compare(dot, 4, ".jpg") != 0 && url.compare(dot, 4, ".png") != 0)
        return false;
    std::string extension = url.substr(dot);

    if (!connectHost(host) || !openRequest(path))
        return false;

    char name[nameBufferSize];
    randomName(name, nameBufferSize);
    localPath = cachePathText();
    if (fileAccess(localPath) == -1)
        createDirectories(Path(localPath));  // reports its own failure
    localPath = (Path(localPath) /= name).str();
    localPath = Path(localPath).replaceExtension(Path(extension)).str();

    FILE* file = fopen(localPath.c_str(), "ab+");
    if (!file)
        return false;
    readToFile(file);  // a failed read keeps the chunks written so far
    fclose(file);

    if (Callback)
        Callback(2, localPath.c_str(), static_cast<int>(localPath.size()), CallbackUser);
    return true;
}

}  // namespace Tessel
