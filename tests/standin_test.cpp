// SPDX-License-Identifier: MIT
// What the POSIX stand-in for WinINet and the kernel events promises a
// caller beyond a good transfer: handles and arguments that are refused with
// WinINet's error codes, steps taken out of order, how a failed transfer is
// reported, the proxy settings of a session, the events' two reset modes,
// and a root closed from its own callback. (Windows has the real ones.)
#include <gtest/gtest.h>

#if !defined(_WIN32)

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/wininet.h"
#include "support/http_server.h"

using namespace Tessel;
using namespace TestSupport;

namespace {

constexpr DWORD errorHeaderNotFound = 12150;
constexpr DWORD errorHeaderAlreadyExists = 12155;

// The completions of every session opened with Session(), in arrival order.
std::mutex mutex;
std::condition_variable arrived;
std::vector<INTERNET_ASYNC_RESULT> results;

void TESSEL_CALLBACK record(HINTERNET, DWORD_PTR, DWORD status, LPVOID information, DWORD)
{
    if (status != INTERNET_STATUS_REQUEST_COMPLETE)
        return;
    std::lock_guard<std::mutex> lock(mutex);
    results.push_back(*static_cast<INTERNET_ASYNC_RESULT*>(information));
    arrived.notify_all();
}

// The next completion's error, or ~0u when none comes within 5 s.
DWORD nextCompletionError()
{
    std::unique_lock<std::mutex> lock(mutex);
    if (!arrived.wait_for(lock, std::chrono::seconds(5), [] { return !results.empty(); }))
        return ~0u;
    const INTERNET_ASYNC_RESULT result = results.front();
    results.erase(results.begin());
    EXPECT_EQ(result.dwResult == 0, result.dwError != 0);
    return result.dwError;
}

// A root handle with the recording callback, closed at the end of the test.
struct Session {
    explicit Session(DWORD access = INTERNET_OPEN_TYPE_PRECONFIG, LPCSTR proxy = nullptr,
                     LPCSTR bypass = nullptr, LPCSTR agent = nullptr)
        : root(InternetOpenA(agent, access, proxy, bypass, INTERNET_FLAG_ASYNC))
    {
        EXPECT_NE(root, nullptr);
        InternetSetStatusCallbackA(root, record);
        std::lock_guard<std::mutex> lock(mutex);
        results.clear();
    }
    ~Session() { InternetCloseHandle(root); }

    HINTERNET open(const char* host, const char* path, LPCSTR referrer = nullptr)
    {
        HINTERNET connection =
            InternetConnectA(root, host, 80, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
        return HttpOpenRequestA(connection, "GET", path, nullptr, referrer, nullptr, 0, 1);
    }

    // Sends the request; the error its completion reports (0: headers came).
    DWORD send(HINTERNET request)
    {
        if (HttpSendRequestA(request, nullptr, 0, nullptr, 0))
            return 0;
        return GetLastError() == ERROR_IO_PENDING ? nextCompletionError() : GetLastError();
    }

    // Reads the body to its end; the error that stopped it (0: the end).
    DWORD read(HINTERNET request, std::string& body)
    {
        for (;;) {
            char chunk[4096];
            INTERNET_BUFFERSA buffers = {};
            buffers.dwStructSize = sizeof buffers;
            buffers.lpvBuffer = chunk;
            buffers.dwBufferLength = sizeof chunk;
            if (!InternetReadFileExA(request, &buffers, IRF_ASYNC, 2)) {
                if (GetLastError() != ERROR_IO_PENDING)
                    return GetLastError();
                if (DWORD error = nextCompletionError())
                    return error;
            }
            if (buffers.dwBufferLength == 0)
                return 0;
            body.append(chunk, buffers.dwBufferLength);
        }
    }

    HINTERNET root;
};

// Expects call() to fail with error.
template <class Call>
void expectRefused(Call call, DWORD error)
{
    SetLastError(0);
    EXPECT_FALSE(call());
    EXPECT_EQ(GetLastError(), error);
}

}  // namespace

TEST(StandIn, RefusesUnknownClosedAndWrongKindsOfHandles)
{
    Session session;
    HINTERNET root = session.root;
    HINTERNET connection =
        InternetConnectA(root, "127.0.91.1", 80, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request = HttpOpenRequestA(connection, nullptr, "/", nullptr, nullptr, nullptr, 0, 0);
    ASSERT_NE(request, nullptr);
    INTERNET_BUFFERSA buffers = {};
    const DWORD wrongKind = ERROR_INTERNET_INCORRECT_HANDLE_TYPE;
    expectRefused(
        [&] { return InternetConnectA(connection, "h", 80, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0); },
        wrongKind);
    expectRefused([&] { return HttpOpenRequestA(root, nullptr, "/", nullptr, nullptr, nullptr, 0, 0); },
                  wrongKind);
    expectRefused([&] { return HttpSendRequestA(connection, nullptr, 0, nullptr, 0); }, wrongKind);
    expectRefused([&] { return HttpAddRequestHeadersA(root, "A: b", DWORD(-1), HTTP_ADDREQ_FLAG_ADD); },
                  wrongKind);
    expectRefused([&] { return InternetReadFileExA(connection, &buffers, IRF_ASYNC, 0); }, wrongKind);

    // A small integer is never a handle, and a closed one is gone for good;
    // closing a connection closes its requests.
    HINTERNET stranger = reinterpret_cast<HINTERNET>(std::uintptr_t(7));
    expectRefused([&] { return InternetCloseHandle(stranger); }, ERROR_INVALID_HANDLE);
    EXPECT_EQ(InternetSetStatusCallbackA(stranger, record), INTERNET_INVALID_STATUS_CALLBACK);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(InternetCloseHandle(connection));
    expectRefused([&] { return HttpSendRequestA(request, nullptr, 0, nullptr, 0); }, ERROR_INVALID_HANDLE);
    expectRefused([&] { return HttpOpenRequestA(connection, nullptr, "/", nullptr, nullptr, nullptr, 0, 0); },
                  ERROR_INVALID_HANDLE);
    expectRefused([&] { return InternetCloseHandle(request); }, ERROR_INVALID_HANDLE);

    // The callback is kept per handle: a connection made now has the root's.
    HINTERNET later = InternetConnectA(root, "127.0.91.1", 80, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    EXPECT_EQ(InternetSetStatusCallbackW(later, nullptr), record);
    EXPECT_EQ(InternetSetStatusCallbackW(later, record), nullptr);
}

TEST(StandIn, RefusesWhatItCannotCarryOutAndStepsOutOfOrder)
{
    HttpServer server("127.0.91.2");
    Reply stalled{200, "0123456789"};
    stalled.cut = Reply::stall;
    stalled.cutAt = 0;
    stalled.stallMilliseconds = 300;
    server.on("/stalled", stalled);
    server.on("/headers", {200, "ok"});

    expectRefused([] { return InternetOpenA(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0); },
                  ERROR_INVALID_PARAMETER);
    Session session(INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, "tessel-test/1");
    expectRefused([&] { return InternetConnectA(session.root, "127.0.91.2", 80, nullptr, nullptr, 1, 0, 0); },
                  ERROR_INVALID_PARAMETER);
    HINTERNET connection =
        InternetConnectA(session.root, "127.0.91.2", 80, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    expectRefused([&] { return HttpOpenRequestA(connection, "POST", "/", nullptr, nullptr, nullptr, 0, 0); },
                  ERROR_INVALID_PARAMETER);

    // Header lines: malformed ones, replacing a missing one, adding one twice.
    HINTERNET request = session.open("127.0.91.2", "/headers", "http://referrer.example/");
    const DWORD add = HTTP_ADDREQ_FLAG_ADD, replace = HTTP_ADDREQ_FLAG_REPLACE,
                addIfNew = HTTP_ADDREQ_FLAG_ADD_IF_NEW;
    expectRefused([&] { return HttpAddRequestHeadersA(request, nullptr, 0, add); }, ERROR_INVALID_PARAMETER);
    expectRefused([&] { return HttpAddRequestHeadersA(request, "no colon", DWORD(-1), add); },
                  ERROR_INVALID_PARAMETER);
    expectRefused([&] { return HttpAddRequestHeadersA(request, ": no name", DWORD(-1), add); },
                  ERROR_INVALID_PARAMETER);
    expectRefused([&] { return HttpAddRequestHeadersA(request, "X-Gone: 1", DWORD(-1), replace); },
                  errorHeaderNotFound);
    EXPECT_TRUE(HttpAddRequestHeadersA(request, "X-Once: 1\r\n\r\nX-Dropped: 1", DWORD(-1), addIfNew));
    expectRefused([&] { return HttpAddRequestHeadersA(request, "x-once: 2", DWORD(-1), addIfNew); },
                  errorHeaderAlreadyExists);
    EXPECT_TRUE(HttpAddRequestHeadersA(request, "X-Dropped:   ", DWORD(-1), replace));

    // Reading before sending, a body with a GET, sending twice.
    char chunk[16];
    INTERNET_BUFFERSA buffers = {};
    buffers.lpvBuffer = chunk;
    buffers.dwBufferLength = sizeof chunk;
    expectRefused([&] { return InternetReadFileExA(request, &buffers, IRF_ASYNC, 0); },
                  ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    expectRefused([&] { return InternetReadFileExA(request, nullptr, IRF_ASYNC, 0); },
                  ERROR_INVALID_PARAMETER);
    char body[] = "body";
    expectRefused([&] { return HttpSendRequestA(request, nullptr, 0, body, 4); }, ERROR_INVALID_PARAMETER);
    expectRefused([&] { return HttpSendRequestA(request, "bad header", DWORD(-1), nullptr, 0); },
                  ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(HttpSendRequestA(request, "X-Sent: yes\r\nX-Once: 3", 22, nullptr, 0));
    EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
    expectRefused([&] { return HttpSendRequestA(request, nullptr, 0, nullptr, 0); },
                  ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    ASSERT_EQ(nextCompletionError(), 0u);
    std::string received;
    EXPECT_EQ(session.read(request, received), 0u);
    EXPECT_EQ(received, "ok");
    EXPECT_EQ(session.read(request, received), 0u) << "the end stays the end";

    const std::string head = server.requestHeads().at(0);
    EXPECT_NE(head.find("\r\nX-Once: 3"), std::string::npos) << head;
    EXPECT_NE(head.find("\r\nX-Sent: yes"), std::string::npos) << head;
    EXPECT_NE(head.find("\r\nReferer: http://referrer.example/"), std::string::npos) << head;
    EXPECT_NE(head.find("\r\nUser-Agent: tessel-test/1"), std::string::npos) << head;
    EXPECT_EQ(head.find("X-Dropped"), std::string::npos) << head;

    // A second read while one is pending.
    HINTERNET waiting = session.open("127.0.91.2", "/stalled");
    ASSERT_EQ(session.send(waiting), 0u);
    EXPECT_FALSE(InternetReadFileExA(waiting, &buffers, IRF_ASYNC, 0));
    EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
    INTERNET_BUFFERSA second = buffers;
    expectRefused([&] { return InternetReadFileExA(waiting, &second, IRF_ASYNC, 0); },
                  ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    EXPECT_EQ(nextCompletionError(), 0u);
    EXPECT_EQ(std::string(chunk, buffers.dwBufferLength), "0123456789");
}

TEST(StandIn, ReportsHowATransferFailed)
{
    HttpServer server("127.0.91.3");
    Reply loop{302, ""}, reset{200, patternBytes(100000)}, nonsense{200, "x"};
    loop.location = "/loop";
    nonsense.location = std::string("/a\0b", 4);  // a NUL byte in a header line
    reset.cut = Reply::reset;
    reset.cutAt = 50000;
    server.on("/loop", loop);
    server.on("/reset", reset);
    server.on("/nonsense", nonsense);
    HttpServer silent("127.0.91.4");
    silent.closeOnAccept(true);

    Session session;
    // Nothing listens on 127.0.91.5.
    EXPECT_EQ(session.send(session.open("127.0.91.5", "/")), ERROR_INTERNET_CANNOT_CONNECT);
    EXPECT_EQ(session.send(session.open("bad host", "/")), ERROR_INTERNET_INVALID_URL);
    EXPECT_EQ(session.send(session.open("127.0.91.4", "/")), ERROR_INTERNET_CONNECTION_ABORTED);
    EXPECT_EQ(session.send(session.open("127.0.91.3", "/loop")), ERROR_HTTP_REDIRECT_FAILED);
    EXPECT_EQ(session.send(session.open("127.0.91.3", "/nonsense")), ERROR_HTTP_INVALID_SERVER_RESPONSE);

    // A body broken off: what came is read, then the read fails, and keeps failing.
    HINTERNET request = session.open("127.0.91.3", "/reset");
    ASSERT_EQ(session.send(request), 0u);
    std::string body;
    EXPECT_EQ(session.read(request, body), ERROR_INTERNET_CONNECTION_ABORTED);
    EXPECT_EQ(body, reset.body.substr(0, 50000));
    EXPECT_EQ(session.read(request, body), ERROR_INTERNET_CONNECTION_ABORTED);
}

TEST(StandIn, SendsThroughTheSessionsProxyUnlessBypassedOrDirect)
{
    HttpServer proxy("127.0.91.6"), bypassed("127.0.91.7");
    proxy.on("http://127.0.91.8/via", {200, "from the proxy"});
    bypassed.on("/around", {200, "direct"});

    {
        Session session(INTERNET_OPEN_TYPE_PROXY, "http://127.0.91.6:80", "127.0.91.9;127.0.91.7");
        std::string body;
        HINTERNET via = session.open("127.0.91.8", "/via");
        ASSERT_EQ(session.send(via), 0u);
        EXPECT_EQ(session.read(via, body), 0u);
        EXPECT_EQ(body, "from the proxy");
        HINTERNET around = session.open("127.0.91.7", "/around");
        ASSERT_EQ(session.send(around), 0u);
        body.clear();
        EXPECT_EQ(session.read(around, body), 0u);
        EXPECT_EQ(body, "direct");
    }
    EXPECT_EQ(proxy.requests(), 1);

    // The environment names the proxy: a preconfigured session takes it, a
    // direct one does not. (The test servers set no_proxy for every host.)
    setEnvironment("http_proxy", "http://127.0.91.6:80");
    setEnvironment("no_proxy", "");
    setEnvironment("NO_PROXY", "");
    {
        Session preconfigured;
        std::string body;
        HINTERNET via = preconfigured.open("127.0.91.8", "/via");
        EXPECT_EQ(preconfigured.send(via), 0u);
        EXPECT_EQ(preconfigured.read(via, body), 0u);
        EXPECT_EQ(body, "from the proxy");
        Session direct(INTERNET_OPEN_TYPE_DIRECT);
        EXPECT_EQ(direct.send(direct.open("127.0.91.8", "/via")), ERROR_INTERNET_CANNOT_CONNECT);
    }
    setEnvironment("http_proxy", "");
    setEnvironment("no_proxy", "*");
    setEnvironment("NO_PROXY", "*");
    EXPECT_EQ(proxy.requests(), 2);
}

TEST(StandIn, ClosesItsRootFromTheRootsOwnCallback)
{
    HttpServer server("127.0.91.10");
    server.on("/", {200, "x"});
    static std::atomic<HINTERNET> root{nullptr};
    static std::atomic<bool> closed{false};
    root = InternetOpenA(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, INTERNET_FLAG_ASYNC);
    InternetSetStatusCallbackA(
        root, [](HINTERNET, DWORD_PTR, DWORD, LPVOID, DWORD) { closed = InternetCloseHandle(root) != 0; });
    HINTERNET connection =
        InternetConnectA(root, "127.0.91.10", 80, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request = HttpOpenRequestA(connection, nullptr, "/", nullptr, nullptr, nullptr, 0, 1);
    EXPECT_FALSE(HttpSendRequestA(request, nullptr, 0, nullptr, 0));
    for (int i = 0; i < 500 && !closed; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(closed);
    EXPECT_FALSE(InternetCloseHandle(connection)) << "closed with its root";
}

TEST(KernelEvents, WakeOneOrAllWaitersAndRefuseUnknownHandles)
{
    expectRefused([] { return CreateEventW(nullptr, 0, 0, L"named"); }, ERROR_INVALID_PARAMETER);

    // An auto-reset event lets one wait through per signal.
    HANDLE single = CreateEventW(nullptr, 0, 1, nullptr);
    EXPECT_EQ(WaitForSingleObject(single, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(single, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(SetEvent(single));
    EXPECT_TRUE(ResetEvent(single));
    EXPECT_EQ(WaitForSingleObject(single, 10), WAIT_TIMEOUT);

    // A manual-reset event wakes every waiter and stays set until reset.
    HANDLE all = CreateEventW(nullptr, 1, 0, nullptr);
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back([&] { woken += WaitForSingleObject(all, INFINITE) == WAIT_OBJECT_0; });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(SetEvent(all));
    for (std::thread& waiter : waiters)
        waiter.join();
    EXPECT_EQ(woken, 3);
    EXPECT_EQ(WaitForSingleObject(all, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ResetEvent(all));
    EXPECT_EQ(WaitForSingleObject(all, 0), WAIT_TIMEOUT);

    // Closed handles are refused; the last error belongs to its thread.
    EXPECT_TRUE(CloseHandle(all));
    expectRefused([&] { return SetEvent(all); }, ERROR_INVALID_HANDLE);
    expectRefused([&] { return ResetEvent(all); }, ERROR_INVALID_HANDLE);
    expectRefused([&] { return CloseHandle(all); }, ERROR_INVALID_HANDLE);
    EXPECT_EQ(WaitForSingleObject(all, 0), WAIT_FAILED);
    std::thread([] { SetLastError(ERROR_IO_PENDING); }).join();
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    CloseHandle(single);
}

#endif
