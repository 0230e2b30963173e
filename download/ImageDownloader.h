// SPDX-License-Identifier: MIT
// Fetches the pictures that messages refer to by "http://" addresses into
// the cache directory, one kept connection per host, a fresh random file
// name per picture, each stored file announced through the parse callback.
#pragma once

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "base/Announcer.h"
#include "download/CAsyncHttp.h"
#include "download/DownloadSettings.h"

namespace Tessel {

class ImageDownloader : public CAsyncHttp {
public:
    std::map<std::string, HINTERNET> connections;
    // Where pictures go and how much a call may download; null: the
    // current directory and the default limits.
    const DownloadSettings* settings = nullptr;
    // Who hears of each stored picture; null: nobody.
    const Announcer* announcer = nullptr;

    ImageDownloader();
    ~ImageDownloader() override;

    // Waits at most 3000 ms, and not past the end of the call's time.
    int waitForCompletion(HANDLE event) override;

    // The downloads that follow belong to a new call, whose time limit
    // starts with its first download.
    void beginCall();

    // True once the file was created and its body reading has ended, even
    // when a read failed on the way; localPath then names the file. False,
    // leaving no file, when a limit stopped the picture or a write failed.
    bool downloadImage(const std::string& url, std::string& localPath);

    static bool splitUrl(const std::string& url, std::string& host, std::string& path);
    bool connectHost(const std::string& host);
    HINTERNET findConnection(const std::string& host);
    void rememberConnection(const std::string& host, HINTERNET handle);
    // size - 1 random bytes of the name alphabet, then a NUL; drawn from the
    // system's secure source. False when that source fails.
    static bool randomName(char* buffer, int size);

protected:
    // The name of the next file to create: randomName by default.
    virtual bool drawName(char* buffer, int size);

private:
    using Clock = std::chrono::steady_clock;

    // Starts the call's clock at its first download; false once its time
    // has run out.
    bool callTimeLeft();
    // Creates a new file under a fresh name in the cache directory, with the
    // extension text after it; null when no file can be created.
    FILE* createPictureFile(const std::string& extension, std::string& localPath);
    // Writes the body into file; false when a limit or a write stopped it.
    bool storeBody(FILE* file);

    DownloadLimits limits_;
    // The stdio buffer of the file being written: several chunks, so that
    // a picture takes a few writes to the file, not two per chunk.
    std::vector<char> writeBuffer_;
    bool callStarted_ = false;
    Clock::time_point callEnd_;
    bool callTimedOut_ = false;
};

}  // namespace Tessel
