// A small HTTP/1.1 server for the tests, on port 80 of one loopback address.
// It keeps connections alive, counts what it accepts and answers every path
// with a scripted reply. Every wait inside it is bounded or ends when the
// server is destroyed, so a test never hangs on it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/socket.h"

namespace TestSupport {

// length bytes of a fixed pseudo-random sequence: any lost, doubled or
// reordered chunk shows when compared.
std::string patternBytes(std::size_t length);

// How much of a body reaches a reader of 20480-byte chunks when the server
// stalls or breaks off after sent bytes. A read completes with what has
// arrived, except under Wine, whose WinINet completes it only when its
// buffer is full or the body has ended, and fails it when the connection
// breaks.
std::size_t deliveredBeforeCut(std::size_t sent);

// Whether the test runs on Wine rather than on Windows (false elsewhere).
bool runningUnderWine();

struct Reply {
    enum Cut { complete, stall, reset };

    Reply(int status = 200, std::string body = "") : status(status), body(std::move(body)) {}

    int status;
    std::string body;
    std::string location;       // sent as Location when not empty
    bool chunked = false;       // the body in chunks of varied sizes
    int delayMilliseconds = 0;  // before anything is sent
    // After cutAt bytes of the body: stall for stallMilliseconds (by default
    // until the server is destroyed) and then send the rest, or reset the
    // connection (after a pause that lets the client take those bytes).
    Cut cut = complete;
    std::size_t cutAt = 0;
    int stallMilliseconds = -1;

    // Hostile answers.
    long long announcedLength = -1;  // Content-Length sent instead of the body's size, if >= 0
    bool untilClose = false;         // no length: the body ends when the server closes
    bool endlessHeaders = false;     // header lines without end after the status line
    bool headless = false;           // the body alone, without status line or headers; then close
    int trickleMilliseconds = 0;     // the body one byte at a time, this pause before each
};

class HttpServer {
public:
    explicit HttpServer(const std::string& address);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Unknown paths are answered 404 with an empty body.
    void on(const std::string& path, const Reply& reply);

    // Every connection accepted from now on is closed at once, unread.
    void closeOnAccept(bool close);

    int connections();
    // Connections that the client has closed (or reset) while the server
    // waited for its next request.
    int closedByClient();
    int requests();
    // Request line and header lines of every request, in arrival order.
    std::vector<std::string> requestHeads();
    // Waits until count requests have arrived; false after timeoutMilliseconds.
    bool waitForRequests(int count, int timeoutMilliseconds);
    // Waits until count replies have been sent in full (or their sending
    // failed); false when that takes longer than timeoutMilliseconds.
    bool waitForReplies(int count, int timeoutMilliseconds);
    // Waits until the client has closed count connections.
    bool waitForClientCloses(int count, int timeoutMilliseconds);

private:
    void acceptLoop();
    void serve(Socket socket);
    bool receive(Socket socket, std::string& buffer);
    bool answer(Socket socket, const Reply& reply);
    bool sendHeadersForever(Socket socket, const std::string& statusLine);
    bool sendAll(Socket socket, const char* data, std::size_t length);
    bool sendAll(Socket socket, const std::string& text);
    bool pause(int milliseconds);
    bool isStopping();

    Socket listener = noSocket;
    std::mutex mutex;
    std::condition_variable changed;
    bool stopping = false;
    std::map<std::string, Reply> replies;
    bool closingOnAccept = false;
    int connectionCount = 0;
    int clientCloseCount = 0;
    int replyCount = 0;
    std::vector<std::string> heads;
    std::thread acceptor;
    std::vector<std::thread> workers;
};

}  // namespace TestSupport
