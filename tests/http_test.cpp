// SPDX-License-Identifier: MIT
// The asynchronous HTTP client and the WinINet stand-in beneath it, against
// the in-test server. Each test has its own loopback address. Writing bodies
// to files is left to the downloader's tests.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "download/CAsyncHttp.h"
#include "support/http_server.h"

using namespace Tessel;
using namespace TestSupport;

namespace {

// A client whose wait gives up after the given time.
class Client : public CAsyncHttp {
public:
    explicit Client(DWORD milliseconds = 3000) : milliseconds(milliseconds) {}
    int waitForCompletion(HANDLE event) override
    {
        DWORD result = WaitForSingleObject(event, milliseconds);
        return result == WAIT_OBJECT_0 ? done : result == WAIT_TIMEOUT ? timedOut : failed;
    }
    // The body at path; the state tells how the request went.
    std::string fetch(const std::string& path)
    {
        if (!openRequest(path) || !readToString())
            ADD_FAILURE() << path << " ended in state " << state;
        return response;
    }
    DWORD milliseconds;
};

#if !defined(_WIN32)
// The status callbacks seen by the tests of the POSIX stand-in itself.
struct Completion {
    std::thread::id thread;
    DWORD_PTR context;
    DWORD status, error;
};
std::mutex mutex;
std::condition_variable arrived;
std::vector<Completion> completions;

void TESSEL_CALLBACK record(HINTERNET, DWORD_PTR context, DWORD status, LPVOID information, DWORD)
{
    std::lock_guard<std::mutex> lock(mutex);
    auto* result = static_cast<INTERNET_ASYNC_RESULT*>(information);
    completions.push_back({std::this_thread::get_id(), context, status, result->dwError});
    arrived.notify_all();
}

// The count-th completion (1-based), or a zeroed one if none comes in time.
Completion await(std::size_t count, std::chrono::milliseconds within = std::chrono::seconds(5))
{
    std::unique_lock<std::mutex> lock(mutex);
    if (!arrived.wait_for(lock, within, [&] { return completions.size() >= count; }))
        return {};
    return completions[count - 1];
}

HINTERNET openRequest(HINTERNET root, const char* host, const char* path)
{
    HINTERNET connection =
        InternetConnectA(root, host, 80, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    return HttpOpenRequestA(connection, nullptr, path, nullptr, nullptr, nullptr, 0, 42);
}

// An asynchronous read into buffer; false when it is pending.
bool read(HINTERNET request, INTERNET_BUFFERSA& buffers, char* buffer, DWORD size, DWORD_PTR context)
{
    buffers = {};
    buffers.dwStructSize = sizeof buffers;
    buffers.lpvBuffer = buffer;
    buffers.dwBufferLength = size;
    return InternetReadFileExA(request, &buffers, IRF_ASYNC, context);
}
#endif

}  // namespace

#if !defined(_WIN32)
TEST(StandIn, CompletesStepsOnItsWorkerThreadAndNoneOfAClosedRequest)
{
    HttpServer server("127.0.10.1");
    const std::string body = patternBytes(70000);
    server.on("/a", {200, body});
    Reply lateHeaders{200, "late"}, lateBody{200, "late body"};
    lateHeaders.delayMilliseconds = 200;
    lateBody.cut = Reply::stall;
    lateBody.stallMilliseconds = 300;
    server.on("/late-headers", lateHeaders);
    server.on("/late-body", lateBody);

    HINTERNET root = InternetOpenA(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr,
                                   INTERNET_FLAG_ASYNC);
    ASSERT_NE(root, nullptr);
    InternetSetStatusCallbackA(root, record);
    // The port in the host text is ignored: the connection says 80.
    HINTERNET connection = InternetConnectA(root, "127.0.10.1:8080", 80, nullptr, nullptr,
                                            INTERNET_SERVICE_HTTP, 0, 7);
    LPCSTR accept[] = {"image/png", "*/*", nullptr};
    HINTERNET request = HttpOpenRequestA(connection, nullptr, "/a", nullptr, nullptr, accept, 0, 42);
    EXPECT_TRUE(HttpAddRequestHeadersA(request, "X-One: 1\r\nX-Two: 2\r\n", DWORD(-1),
                                       HTTP_ADDREQ_FLAG_ADD));
    EXPECT_TRUE(HttpAddRequestHeadersA(request, "x-one: 3", DWORD(-1),
                                       HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE));

    EXPECT_FALSE(HttpSendRequestA(request, nullptr, 0, nullptr, 0));
    EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
    Completion sent = await(1);
    EXPECT_NE(sent.thread, std::this_thread::get_id());
    EXPECT_EQ(sent.context, 42u);
    EXPECT_EQ(sent.status, INTERNET_STATUS_REQUEST_COMPLETE);
    EXPECT_EQ(sent.error, 0u);

    // Reads complete at once from what has arrived, later with their own context.
    std::string received;
    char chunk[1000];
    INTERNET_BUFFERSA buffers;
    std::size_t count = 1;
    for (;; received.append(chunk, buffers.dwBufferLength)) {
        if (!read(request, buffers, chunk, sizeof chunk, 43)) {
            ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
            Completion done = await(++count);
            ASSERT_EQ(done.error, 0u);
            EXPECT_EQ(done.context, 43u);
        }
        ASSERT_LE(buffers.dwBufferLength, sizeof chunk);
        if (buffers.dwBufferLength == 0)
            break;
    }
    EXPECT_TRUE(received == body);
    const std::string head = server.requestHeads().at(0);
    EXPECT_EQ(head.rfind("GET /a HTTP/1.1\r\n", 0), 0u) << head;
    EXPECT_NE(head.find("Accept: image/png, */*\r\n"), std::string::npos) << head;
    EXPECT_NE(head.find("x-one: 3"), std::string::npos) << head;
    EXPECT_EQ(head.find("X-One: 1"), std::string::npos) << head;
    EXPECT_NE(head.find("X-Two: 2"), std::string::npos) << head;

    // Closing a request cancels its pending send or read.
    HINTERNET sending = openRequest(root, "127.0.10.1", "/late-headers");
    EXPECT_FALSE(HttpSendRequestA(sending, nullptr, 0, nullptr, 0));
    ASSERT_TRUE(server.waitForRequests(2, 3000));
    EXPECT_TRUE(InternetCloseHandle(sending));

    HINTERNET reading = openRequest(root, "127.0.10.1", "/late-body");
    EXPECT_FALSE(HttpSendRequestA(reading, nullptr, 0, nullptr, 0));
    ASSERT_EQ(await(++count).error, 0u);
    std::memset(chunk, 'x', sizeof chunk);
    EXPECT_FALSE(read(reading, buffers, chunk, sizeof chunk, 42));
    EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
    EXPECT_TRUE(InternetCloseHandle(reading));

    // Both answers go out after the closes; neither may reach the caller.
    EXPECT_TRUE(server.waitForReplies(3, 3000));
    EXPECT_EQ(await(count + 1, std::chrono::milliseconds(100)).status, 0u);
    EXPECT_EQ(buffers.dwBufferLength, sizeof chunk);
    EXPECT_EQ(std::string(chunk, sizeof chunk), std::string(sizeof chunk, 'x'));

    // A request closed with most of its body unread leaves none of it to
    // the next one, which takes over its buffer.
    HINTERNET partly = openRequest(root, "127.0.10.1", "/a");
    EXPECT_FALSE(HttpSendRequestA(partly, nullptr, 0, nullptr, 0));
    ASSERT_EQ(await(++count).error, 0u);
    if (!read(partly, buffers, chunk, sizeof chunk, 44)) {
        ASSERT_EQ(await(++count).error, 0u);
    }
    EXPECT_TRUE(InternetCloseHandle(partly));
    HINTERNET again = openRequest(root, "127.0.10.1", "/a");
    EXPECT_FALSE(HttpSendRequestA(again, nullptr, 0, nullptr, 0));
    ASSERT_EQ(await(++count).error, 0u);
    for (received.clear();; received.append(chunk, buffers.dwBufferLength)) {
        if (!read(again, buffers, chunk, sizeof chunk, 45)) {
            ASSERT_EQ(await(++count).error, 0u);
        }
        if (buffers.dwBufferLength == 0)
            break;
    }
    EXPECT_TRUE(received == body);

    // Closing the root closes what was opened under it.
    EXPECT_TRUE(InternetCloseHandle(root));
    EXPECT_FALSE(InternetCloseHandle(request));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}
#endif

TEST(CAsyncHttp, DeliversBodiesOfEveryShapeOverOneConnection)
{
    HttpServer server("127.0.10.3");
    const std::string body = patternBytes(50000), big = patternBytes(3 << 20);
    Reply missing{404, "<html><body>No such picture</body></html>"}, chunked{200, patternBytes(30000)};
    chunked.chunked = true;
    Reply moved{302, "moved"};
    moved.location = "/body";
    server.on("/body", {200, body});
    server.on("/empty", {200, ""});
    server.on("/missing", missing);
    server.on("/chunked", chunked);
    server.on("/moved", moved);
    server.on("/big", {200, big});

    Client client;
    ASSERT_TRUE(client.connect("127.0.10.3"));
    EXPECT_TRUE(client.fetch("/body") == body);
    HINTERNET first = client.request;
    EXPECT_EQ(client.fetch("/empty"), "");
    // WinINet may hand the closed request's handle value out again at once.
    EXPECT_TRUE(client.request == first || !InternetCloseHandle(first))
        << "the previous request is closed";
    EXPECT_EQ(client.fetch("/missing"), missing.body);
    EXPECT_TRUE(client.fetch("/chunked") == chunked.body);
    EXPECT_TRUE(client.fetch("/moved") == body);
    EXPECT_TRUE(client.fetch("/big") == big);  // more than the stand-in buffers at once
    if (runningUnderWine())
        EXPECT_LE(server.connections(), 2) << "Wine drops the connection after a redirect";
    else
        EXPECT_EQ(server.connections(), 1);
}

TEST(CAsyncHttp, AStepGivenUpOnOrLeftPendingCannotDisturbTheNextOnes)
{
    HttpServer server("127.0.10.4");
    const std::string body = patternBytes(30000);
    server.on("/now", {200, body});
    Reply late{200, "late"}, cut{200, patternBytes(5000)};
    late.delayMilliseconds = 400;
    server.on("/late", late);
    cut.cut = Reply::stall;
    cut.cutAt = 1000;
    cut.stallMilliseconds = 400;
    server.on("/cut", cut);

    // Each answer given up on goes out before the next request starts.
    Client client(150);
    auto fetchNowAfterReplies = [&](int replies) {
        EXPECT_TRUE(server.waitForReplies(replies, 3000));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_TRUE(client.fetch("/now") == body);
    };
    ASSERT_TRUE(client.connect("127.0.10.4"));
    EXPECT_FALSE(client.openRequest("/late"));
    EXPECT_EQ(client.state, timedOut);
    fetchNowAfterReplies(1);

    ASSERT_TRUE(client.openRequest("/cut"));
    EXPECT_FALSE(client.readToString());
    EXPECT_EQ(client.state, timedOut);
    EXPECT_EQ(client.response, cut.body.substr(0, deliveredBeforeCut(1000)));
    fetchNowAfterReplies(3);

    // A wait that does not wait leaves the send pending when the object goes.
    struct Hasty : CAsyncHttp {
        int waitForCompletion(HANDLE) override { return done; }
    };
    {
        Hasty hasty;
        ASSERT_TRUE(hasty.connect("127.0.10.4"));
        EXPECT_TRUE(hasty.openRequest("/late"));
        ASSERT_TRUE(server.waitForRequests(5, 3000));
    }
    EXPECT_TRUE(server.waitForReplies(5, 3000));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}
