// SPDX-License-Identifier: MIT
// A blocking HTTP GET client over asynchronous WinINet: every step that
// WinINet reports pending is waited for through waitForCompletion, which the
// subclass supplies, before the operation returns.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/wininet.h"

namespace Tessel {

enum RequestState { done = 0, timedOut = 1, failed = 2 };

class CAsyncHttp {
public:
    HINTERNET internet = nullptr;
    HINTERNET connection = nullptr;
    HINTERNET request = nullptr;
    HANDLE completionEvent = nullptr;
    std::vector<char> readBuffer;
    std::string response;
    int state = failed;

    CAsyncHttp();
    virtual ~CAsyncHttp();
    CAsyncHttp(const CAsyncHttp&) = delete;
    CAsyncHttp& operator=(const CAsyncHttp&) = delete;

    // Blocks until event is signalled (done) or gives up (any other state).
    virtual int waitForCompletion(HANDLE event) = 0;

    // Signals the waiting object of the request whose context value is
    // context when a step completed well.
    static void TESSEL_CALLBACK statusCallback(HINTERNET handle, DWORD_PTR context, DWORD status,
                                               LPVOID information, DWORD length);

    bool open();
    bool connect(const std::string& host);
    bool openRequest(const std::string& path);
    bool addHeaders(const std::string& headers);
    bool readToString();
    // False also when a write fails; the reading stops there.
    bool readToFile(FILE* file);
    void closeRequest();
    void closeConnection();

protected:
    // Reads the body chunk by chunk into sink until it ends (true), a step
    // fails or gives up, or sink refuses a chunk by returning false.
    using ChunkSink = std::function<bool(const char* data, DWORD length)>;
    bool readChunks(const ChunkSink& sink);

private:
    struct RequestContext;

    template <class Call>
    bool runStep(Call&& call);
    int waitForStep();
    RequestContext* letGo();

    // The context value of request, reached by its completions.
    RequestContext* requestContext = nullptr;
};

}  // namespace Tessel
