// The asynchronous HTTP client and the WinINet stand-in beneath it, against
// the in-test server. Each test has its own loopback address.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include "download/CAsyncHttp.h"
#include "support/http_server.h"
#include "support/temp_dir.h"

using namespace Tessel;
using TestSupport::HttpServer;
using TestSupport::patternBytes;
using TestSupport::Reply;

namespace {

// Status callbacks seen by the raw stand-in tests.
struct Completion {
    std::thread::id thread;
    DWORD_PTR context;
    DWORD status;
    DWORD error;
};

struct Completions {
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<Completion> seen;

    static void TESSEL_CALLBACK record(HINTERNET, DWORD_PTR context, DWORD status,
                                       LPVOID information, DWORD)
    {
        auto* result = static_cast<INTERNET_ASYNC_RESULT*>(information);
        std::lock_guard<std::mutex> lock(instance.mutex);
        instance.seen.push_back({std::this_thread::get_id(), context, status, result->dwError});
        instance.arrived.notify_all();
    }

    // The count-th completion (1-based), or a zeroed one after 5 s.
    Completion await(std::size_t count)
    {
        std::unique_lock<std::mutex> lock(mutex);
        if (!arrived.wait_for(lock, std::chrono::seconds(5), [&] { return seen.size() >= count; }))
            return {};
        return seen[count - 1];
    }

    std::size_t count()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return seen.size();
    }

    static Completions instance;
};
Completions Completions::instance;

HINTERNET openRequest(HINTERNET root, const char* host, const char* path)
{
    HINTERNET connection = InternetConnectA(root, host, 80, nullptr, nullptr,
                                            INTERNET_SERVICE_HTTP, 0, 0);
    return HttpOpenRequestA(connection, nullptr, path, nullptr, nullptr, nullptr, 0, 42);
}

// A client whose wait gives up after the given time.
class Client : public CAsyncHttp {
public:
    explicit Client(DWORD milliseconds = 3000) : milliseconds(milliseconds) {}
    int waitForCompletion(HANDLE event) override
    {
        DWORD result = WaitForSingleObject(event, milliseconds);
        return result == WAIT_OBJECT_0 ? done : result == WAIT_TIMEOUT ? timedOut : failed;
    }
    DWORD milliseconds;
};

// A stream that records what is written to it: every write separately where
// the C library lets a stream call back (glibc), the bytes alone elsewhere.
struct Recorder {
    std::string bytes;
    std::vector<std::size_t> writes;

#if defined(_WIN32)
    FILE* open()
    {
        return std::fopen((dir / "recorded").c_str(), "w+b");
    }

    void close(FILE* file)
    {
        std::rewind(file);
        char chunk[4096];
        for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
            bytes.append(chunk, n);
        std::fclose(file);
    }

    testsupport::TempDir dir;
#else
    FILE* open()
    {
        cookie_io_functions_t io = {};
        io.write = [](void* cookie, const char* data, std::size_t length) -> ssize_t {
            auto* self = static_cast<Recorder*>(cookie);
            self->bytes.append(data, length);
            self->writes.push_back(length);
            return static_cast<ssize_t>(length);
        };
        FILE* file = fopencookie(this, "w", io);
        setvbuf(file, nullptr, _IONBF, 0);
        return file;
    }

    void close(FILE* file) { std::fclose(file); }
#endif
};

// The tests of the POSIX stand-in itself; the Windows build has none.
class StandIn : public ::testing::Test {
protected:
    void SetUp() override
    {
#if defined(_WIN32)
        GTEST_SKIP() << "exercises the POSIX stand-in for WinINet, which Windows does not build";
#endif
    }
};

}  // namespace

TEST_F(StandIn, CompletesStepsOnItsWorkerThreadWithTheRequestedHeaders)
{
    HttpServer server("127.0.10.1");
    const std::string body = patternBytes(70000);
    server.on("/a", {200, body});

    HINTERNET root = InternetOpenA(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr,
                                   INTERNET_FLAG_ASYNC);
    ASSERT_NE(root, nullptr);
    InternetSetStatusCallbackA(root, Completions::record);
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
    Completion sent = Completions::instance.await(1);
    EXPECT_NE(sent.thread, std::this_thread::get_id());
    EXPECT_NE(sent.thread, std::thread::id());
    EXPECT_EQ(sent.context, 42u);
    EXPECT_EQ(sent.status, INTERNET_STATUS_REQUEST_COMPLETE);
    EXPECT_EQ(sent.error, 0u);

    std::string received;
    std::size_t completions = 1;
    char chunk[1000];
    for (;;) {
        INTERNET_BUFFERSA buffers = {};
        buffers.dwStructSize = sizeof buffers;
        buffers.lpvBuffer = chunk;
        buffers.dwBufferLength = sizeof chunk;
        if (!InternetReadFileExA(request, &buffers, IRF_ASYNC, 43)) {
            ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
            Completion read = Completions::instance.await(++completions);
            ASSERT_EQ(read.error, 0u);
            EXPECT_EQ(read.context, 43u);
        }
        ASSERT_LE(buffers.dwBufferLength, sizeof chunk);
        if (buffers.dwBufferLength == 0)
            break;
        received.append(chunk, buffers.dwBufferLength);
    }
    EXPECT_TRUE(received == body);

    ASSERT_EQ(server.requestHeads().size(), 1u);
    const std::string head = server.requestHeads()[0];
    EXPECT_EQ(head.rfind("GET /a HTTP/1.1\r\n", 0), 0u) << head;
    EXPECT_NE(head.find("Accept: image/png, */*\r\n"), std::string::npos) << head;
    EXPECT_NE(head.find("x-one: 3"), std::string::npos) << head;
    EXPECT_EQ(head.find("X-One: 1"), std::string::npos) << head;
    EXPECT_NE(head.find("X-Two: 2"), std::string::npos) << head;

    // Closing the root closes what was opened under it.
    EXPECT_TRUE(InternetCloseHandle(root));
    EXPECT_FALSE(InternetCloseHandle(request));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(StandIn, ClosingARequestCancelsItsPendingStep)
{
    HttpServer server("127.0.10.2");
    Reply lateHeaders;
    lateHeaders.delayMilliseconds = 200;
    lateHeaders.body = "late";
    server.on("/late-headers", lateHeaders);
    Reply lateBody;
    lateBody.body = "late body";
    lateBody.cut = Reply::stall;
    lateBody.stallMilliseconds = 300;
    server.on("/late-body", lateBody);

    HINTERNET root = InternetOpenA(nullptr, 0, nullptr, nullptr, INTERNET_FLAG_ASYNC);
    InternetSetStatusCallbackA(root, Completions::record);
    std::size_t before = Completions::instance.count();

    HINTERNET sending = openRequest(root, "127.0.10.2", "/late-headers");
    EXPECT_FALSE(HttpSendRequestA(sending, nullptr, 0, nullptr, 0));
    ASSERT_TRUE(server.waitForRequests(1, 3000));
    EXPECT_TRUE(InternetCloseHandle(sending));

    HINTERNET reading = openRequest(root, "127.0.10.2", "/late-body");
    EXPECT_FALSE(HttpSendRequestA(reading, nullptr, 0, nullptr, 0));
    ASSERT_EQ(Completions::instance.await(before + 1).error, 0u);
    char chunk[64];
    std::memset(chunk, 'x', sizeof chunk);
    INTERNET_BUFFERSA buffers = {};
    buffers.dwStructSize = sizeof buffers;
    buffers.lpvBuffer = chunk;
    buffers.dwBufferLength = sizeof chunk;
    EXPECT_FALSE(InternetReadFileExA(reading, &buffers, IRF_ASYNC, 42));
    EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
    EXPECT_TRUE(InternetCloseHandle(reading));

    // Both answers go out after the closes; neither may reach the caller.
    EXPECT_TRUE(server.waitForReplies(2, 3000));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(Completions::instance.count(), before + 1);
    EXPECT_EQ(buffers.dwBufferLength, sizeof chunk);
    EXPECT_EQ(std::string(chunk, sizeof chunk), std::string(sizeof chunk, 'x'));
    InternetCloseHandle(root);
}

TEST_F(StandIn, AFailedSendCompletesWithAnError)
{
    HINTERNET root = InternetOpenA(nullptr, 0, nullptr, nullptr, INTERNET_FLAG_ASYNC);
    InternetSetStatusCallbackA(root, Completions::record);
    std::size_t before = Completions::instance.count();
    HINTERNET request = openRequest(root, "127.0.10.250", "/nobody-listens");  // no server
    EXPECT_FALSE(HttpSendRequestA(request, nullptr, 0, nullptr, 0));
    Completion sent = Completions::instance.await(before + 1);
    EXPECT_EQ(sent.status, INTERNET_STATUS_REQUEST_COMPLETE);
    EXPECT_EQ(sent.error, ERROR_INTERNET_CANNOT_CONNECT);
    InternetCloseHandle(root);
}

TEST(CAsyncHttp, DeliversBodiesOfEveryShapeOverOneConnection)
{
    HttpServer server("127.0.10.3");
    const std::string body = patternBytes(50000);
    const std::string big = patternBytes(3 << 20);
    const std::string html = "<html><body>No such picture</body></html>";
    server.on("/body", {200, body});
    server.on("/empty", {200, ""});
    server.on("/missing", {404, html});
    server.on("/big", {200, big});
    Reply chunked{200, patternBytes(30000)};
    chunked.chunked = true;
    server.on("/chunked", chunked);
    Reply moved{302, "moved"};
    moved.location = "/body";
    server.on("/moved", moved);

    Client client;
    ASSERT_TRUE(client.connect("127.0.10.3"));

    ASSERT_TRUE(client.openRequest("/body"));
    HINTERNET first = client.request;
    Recorder recorder;
    FILE* file = recorder.open();
    EXPECT_TRUE(client.readToFile(file));
    recorder.close(file);
    EXPECT_EQ(client.state, done);
    EXPECT_TRUE(recorder.bytes == body);
#if !defined(_WIN32)
    EXPECT_GE(recorder.writes.size(), 3u);
    for (std::size_t length : recorder.writes)
        EXPECT_LE(length, 20480u);
#endif

    ASSERT_TRUE(client.openRequest("/empty"));
    // WinINet may hand the closed request's handle value out again at once.
    EXPECT_TRUE(client.request == first || !InternetCloseHandle(first))
        << "the previous request is closed";
    Recorder nothing;
    file = nothing.open();
    EXPECT_TRUE(client.readToFile(file));
    nothing.close(file);
    EXPECT_EQ(client.state, done);
    EXPECT_TRUE(nothing.bytes.empty());
    EXPECT_TRUE(nothing.writes.empty());

    auto fetch = [&](const char* path) {
        EXPECT_TRUE(client.openRequest(path)) << path;
        EXPECT_TRUE(client.readToString()) << path;
        return client.response;
    };
    EXPECT_EQ(fetch("/missing"), html);
    EXPECT_TRUE(fetch("/chunked") == chunked.body);
    EXPECT_TRUE(fetch("/moved") == body);
    EXPECT_TRUE(fetch("/big") == big);  // more than the stand-in buffers at once
    if (TestSupport::runningUnderWine())
        EXPECT_LE(server.connections(), 2) << "Wine drops the connection after a redirect";
    else
        EXPECT_EQ(server.connections(), 1);
}

TEST(CAsyncHttp, AStepGivenUpOnCannotDisturbTheNextOnes)
{
    HttpServer server("127.0.10.4");
    const std::string body = patternBytes(30000);
    server.on("/now", {200, body});
    Reply late{200, "late"};
    late.delayMilliseconds = 400;
    server.on("/late", late);
    Reply cut{200, patternBytes(5000)};
    cut.cut = Reply::stall;
    cut.cutAt = 1000;
    cut.stallMilliseconds = 400;
    server.on("/cut", cut);

    Client client(150);
    auto fetchNow = [&] {
        EXPECT_TRUE(client.openRequest("/now"));
        EXPECT_TRUE(client.readToString());
        EXPECT_TRUE(client.response == body);
    };
    // Each answer given up on goes out before the next request starts.
    ASSERT_TRUE(client.connect("127.0.10.4"));
    EXPECT_FALSE(client.openRequest("/late"));
    EXPECT_EQ(client.state, timedOut);
    EXPECT_TRUE(server.waitForReplies(1, 3000));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    fetchNow();

    ASSERT_TRUE(client.openRequest("/cut"));
    EXPECT_FALSE(client.readToString());
    EXPECT_EQ(client.state, timedOut);
    EXPECT_EQ(client.response, cut.body.substr(0, TestSupport::deliveredBeforeCut(1000)));
    EXPECT_TRUE(server.waitForReplies(3, 3000));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    fetchNow();
}

TEST(CAsyncHttp, DestroyedWhileItsStepIsPending)
{
    // A wait that does not wait leaves the send pending when the object goes.
    struct Hasty : CAsyncHttp {
        int waitForCompletion(HANDLE) override { return done; }
    };
    HttpServer server("127.0.10.5");
    Reply slow{200, patternBytes(1000)};
    slow.delayMilliseconds = 100;
    server.on("/slow", slow);
    {
        Hasty client;
        ASSERT_TRUE(client.connect("127.0.10.5"));
        EXPECT_TRUE(client.openRequest("/slow"));
        ASSERT_TRUE(server.waitForRequests(1, 3000));
    }
    EXPECT_TRUE(server.waitForReplies(1, 3000));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}
