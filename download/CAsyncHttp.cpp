#include "download/CAsyncHttp.h"

namespace Tessel {

namespace {

// Largest read; readBuffer keeps one byte more.
constexpr DWORD chunkSize = 20480;

}  // namespace

CAsyncHttp::CAsyncHttp()
{
    completionEvent = CreateEventW(nullptr, 0, 0, nullptr);
    readBuffer.resize(chunkSize + 1);
}

CAsyncHttp::~CAsyncHttp()
{
    std::vector<char>().swap(readBuffer);
    CloseHandle(completionEvent);
    if (internet) {
        InternetSetStatusCallbackW(internet, nullptr);
        InternetCloseHandle(internet);
        internet = nullptr;
    }
}

void CAsyncHttp::statusCallback(HINTERNET, DWORD_PTR context, DWORD status, LPVOID information,
                                DWORD)
{
    if (status != INTERNET_STATUS_REQUEST_COMPLETE || !information)
        return;
    // A step that failed signals nothing: its wait ends by giving up.
    if (static_cast<const INTERNET_ASYNC_RESULT*>(information)->dwError == 0)
        SetEvent(reinterpret_cast<CAsyncHttp*>(context)->completionEvent);
}

bool CAsyncHttp::open()
{
    if (internet)
        return true;
    internet = InternetOpenA(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr,
                             INTERNET_FLAG_ASYNC);
    if (!internet)
        return false;
    InternetSetStatusCallbackA(internet, statusCallback);
    return true;
}

bool CAsyncHttp::connect(const std::string& host)
{
    state = failed;
    if (!internet && !open())
        return false;
    connection = InternetConnectA(internet, host.c_str(), 80, nullptr, nullptr,
                                  INTERNET_SERVICE_HTTP, 0, reinterpret_cast<DWORD_PTR>(this));
    if (!connection)
        return false;
    state = done;
    return true;
}

bool CAsyncHttp::openRequest(const std::string& path)
{
    state = failed;
    closeRequest();
    LPCSTR acceptTypes[] = {"*/*", nullptr};
    request = HttpOpenRequestA(connection, nullptr, path.c_str(), nullptr, nullptr, acceptTypes,
                               INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE,
                               reinterpret_cast<DWORD_PTR>(this));
    if (!request)
        return false;
    if (HttpSendRequestA(request, nullptr, 0, nullptr, 0))
        state = done;
    else if (GetLastError() == ERROR_IO_PENDING)
        waitForStep();
    return state == done;
}

bool CAsyncHttp::addHeaders(const std::string& headers)
{
    return HttpAddRequestHeadersA(request, headers.c_str(), DWORD(-1),
                                  HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE) != 0;
}

bool CAsyncHttp::readToString()
{
    response.clear();
    return readBody([this](const char* data, DWORD length) { response.append(data, length); });
}

bool CAsyncHttp::readToFile(FILE* file)
{
    return readBody([file](const char* data, DWORD length) { fwrite(data, 1, length, file); });
}

void CAsyncHttp::closeRequest()
{
    if (request) {
        InternetCloseHandle(request);
        request = nullptr;
    }
}

void CAsyncHttp::closeConnection()
{
    if (connection) {
        InternetCloseHandle(connection);
        connection = nullptr;
    }
}

template <class Sink>
bool CAsyncHttp::readBody(Sink&& sink)
{
    state = failed;
    for (;;) {
        // Each chunk lands at the start of readBuffer.
        INTERNET_BUFFERSA buffers = {};
        buffers.dwStructSize = sizeof buffers;
        buffers.lpvBuffer = readBuffer.data();
        buffers.dwBufferLength = chunkSize;
        if (!InternetReadFileExA(request, &buffers, IRF_ASYNC, reinterpret_cast<DWORD_PTR>(this))) {
            if (GetLastError() != ERROR_IO_PENDING || waitForStep() != done)
                return false;
        }
        if (buffers.dwBufferLength == 0) {
            state = done;
            return true;
        }
        sink(readBuffer.data(), buffers.dwBufferLength);
    }
}

// A step given up on is cancelled by closing its request: its completion can
// then no longer write into a descriptor or buffer of ours, nor call back. A
// signal that raced with giving up is cleared so that it cannot end the next
// wait early.
int CAsyncHttp::waitForStep()
{
    state = waitForCompletion(completionEvent);
    if (state != done) {
        closeRequest();
        ResetEvent(completionEvent);
    }
    return state;
}

}  // namespace Tessel
