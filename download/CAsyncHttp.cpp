// SPDX-License-Identifier: MIT
#include "download/CAsyncHttp.h"

#include <mutex>

namespace Tessel {

namespace {

// Largest read; readBuffer keeps one byte more.
constexpr DWORD chunkSize = 20480;

}  // namespace

// What a request's completions reach through its context value. The owner
// lets go of it when it closes the request, gives up on a step or is
// destroyed; a step still pending then keeps it, with the descriptor and
// read buffer that the step may yet fill, and its completion deletes it.
struct CAsyncHttp::RequestContext {
    std::mutex mutex;
    HANDLE event = nullptr;  // the owner's completionEvent; null once let go
    bool pending = false;    // a step has started and not completed
    bool orphaned = false;   // let go while pending: the completion deletes it
    INTERNET_BUFFERSA buffers = {};
    std::vector<char> buffer;  // the read buffer, when let go during a read
};

CAsyncHttp::CAsyncHttp()
{
    completionEvent = CreateEventW(nullptr, 0, 0, nullptr);
    readBuffer.resize(chunkSize + 1);
}

CAsyncHttp::~CAsyncHttp()
{
    RequestContext* released = letGo();
    std::vector<char>().swap(readBuffer);
    CloseHandle(completionEvent);
    if (internet) {
        InternetSetStatusCallbackW(internet, nullptr);
        InternetCloseHandle(internet);
        internet = nullptr;
    }
    delete released;
}

// Only completions are looked at: other notifications, such as those of
// connections or of handles being closed, may carry a context value whose
// object has gone.
void CAsyncHttp::statusCallback(HINTERNET, DWORD_PTR contextValue, DWORD status,
                                LPVOID information, DWORD)
{
    if (status != INTERNET_STATUS_REQUEST_COMPLETE || !information || !contextValue)
        return;
    auto* context = reinterpret_cast<RequestContext*>(contextValue);
    bool orphaned;
    {
        std::lock_guard<std::mutex> lock(context->mutex);
        context->pending = false;
        // A step that failed signals nothing: its wait ends by giving up.
        if (context->event && static_cast<const INTERNET_ASYNC_RESULT*>(information)->dwError == 0)
            SetEvent(context->event);
        orphaned = context->orphaned;
    }
    if (orphaned)
        delete context;
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
    requestContext = new RequestContext;
    requestContext->event = completionEvent;
    request = HttpOpenRequestA(connection, nullptr, path.c_str(), nullptr, nullptr, acceptTypes,
                               INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE,
                               reinterpret_cast<DWORD_PTR>(requestContext));
    if (!request) {
        delete requestContext;
        requestContext = nullptr;
        return false;
    }
    if (runStep([this] { return HttpSendRequestA(request, nullptr, 0, nullptr, 0); }))
        state = done;
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
    return readChunks([this](const char* data, DWORD length) {
        response.append(data, length);
        return true;
    });
}

bool CAsyncHttp::readToFile(FILE* file)
{
    return readChunks(
        [file](const char* data, DWORD length) { return fwrite(data, 1, length, file) == length; });
}

void CAsyncHttp::closeRequest()
{
    if (!request)
        return;
    RequestContext* released = letGo();
    InternetCloseHandle(request);
    request = nullptr;
    delete released;
    if (readBuffer.empty())  // it went with a pending read
        readBuffer.resize(chunkSize + 1);
}

void CAsyncHttp::closeConnection()
{
    if (connection) {
        InternetCloseHandle(connection);
        connection = nullptr;
    }
}

bool CAsyncHttp::readChunks(const ChunkSink& sink)
{
    state = failed;
    if (!requestContext)
        return false;
    for (;;) {
        // Each chunk lands at the start of readBuffer. The descriptor lives in
        // the request's context, which outlives a read given up on.
        INTERNET_BUFFERSA& buffers = requestContext->buffers;
        buffers = INTERNET_BUFFERSA();
        buffers.dwStructSize = sizeof buffers;
        buffers.lpvBuffer = readBuffer.data();
        buffers.dwBufferLength = chunkSize;
        if (!runStep([&] {
                return InternetReadFileExA(request, &buffers, IRF_ASYNC,
                                           reinterpret_cast<DWORD_PTR>(requestContext));
            }))
            return false;
        if (buffers.dwBufferLength == 0) {
            state = done;
            return true;
        }
        if (!sink(readBuffer.data(), buffers.dwBufferLength))
            return false;
    }
}

// Makes one call that WinINet may complete later. True once the step has
// completed, at once or within the wait.
template <class Call>
bool CAsyncHttp::runStep(Call&& call)
{
    auto setPending = [this](bool pending) {
        std::lock_guard<std::mutex> lock(requestContext->mutex);
        requestContext->pending = pending;
    };
    setPending(true);
    if (call()) {
        setPending(false);
        return true;
    }
    if (GetLastError() != ERROR_IO_PENDING) {
        setPending(false);
        return false;
    }
    return waitForStep() == done;
}

// A step given up on is cancelled by closing its request, and the signal of
// a completion that raced with giving up is cleared so that it cannot end the
// next wait early. Where closing does not cancel, the step's completion can
// only reach the request's context, which this object has let go of.
int CAsyncHttp::waitForStep()
{
    state = waitForCompletion(completionEvent);
    if (state != done) {
        closeRequest();
        ResetEvent(completionEvent);
    }
    return state;
}

// Detaches the request's context from this object. Returned when this
// object deletes it, once nothing can call back with it any more; null when
// a pending step's completion will (it then takes readBuffer along).
CAsyncHttp::RequestContext* CAsyncHttp::letGo()
{
    RequestContext* released = requestContext;
    requestContext = nullptr;
    if (!released)
        return nullptr;
    std::lock_guard<std::mutex> lock(released->mutex);
    released->event = nullptr;
    if (!released->pending || ClosingCancelsStep)
        return released;
    released->orphaned = true;
    released->buffer.swap(readBuffer);
    return nullptr;
}

}  // namespace Tessel
