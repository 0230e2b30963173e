// Fetches the pictures that messages refer to by "http://" addresses into
// the cache directory, one kept connection per host, a fresh random file
// name per picture, each stored file announced through the parse callback.
#pragma once

#include <map>
#include <string>

#include "download/CAsyncHttp.h"

namespace Tessel {

class ImageDownloader : public CAsyncHttp {
public:
    std::map<std::string, HINTERNET> connections;

    ImageDownloader();
    ~ImageDownloader() override;

    // Waits at most 3000 ms.
    int waitForCompletion(HANDLE event) override;

    // True once the file was opened and its body reading has ended, even when
    // a read failed on the way; localPath then names the file.
    bool downloadImage(const std::string& url, std::string& localPath);

    static bool splitUrl(const std::string& url, std::string& host, std::string& path);
    bool connectHost(const std::string& host);
    HINTERNET findConnection(const std::string& host);
    void rememberConnection(const std::string& host, HINTERNET handle);
    // size - 1 random bytes of the name alphabet, then a NUL.
    static void randomName(char* buffer, int size);
};

}  // namespace Tessel
