// SPDX-License-Identifier: MIT
// A small HTTP/1.1 server for the tests, on port 80 of one loopback address.
// It keeps connections alive, counts what it accepts and answers every path
// with a scripted reply. Every wait inside it is bounded or ends when the
// server is destroyed, so a test never hangs on it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/socket.h"  // runningUnderWine

namespace TestSupport {

// length bytes of a fixed pseudo-random sequence: any lost, doubled or
// reordered chunk shows when compared.
std::string patternBytes(std::size_t length);

// How much of a body reaches a reader of 20480-byte chunks when the server
// stalls or breaks off after sent bytes: all of it, except under Wine, whose
// WinINet completes a read only when its buffer is full or the body has
// ended, and fails it when the connection breaks.
std::size_t deliveredBeforeCut(std::size_t sent);

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
    bool endless = false;            // the body sent again and again until the client goes away
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
    int requests();
    // Connections that the client closed while the server waited for a request.
    int closedByClient();
    // Request line and header lines of every request, in arrival order.
    std::vector<std::string> requestHeads();

    // Wait until count requests have arrived, count replies have been sent in
    // full (or their sending failed), or the client has closed count
    // connections; false after timeoutMilliseconds.
    bool waitForRequests(int count, int timeoutMilliseconds);
    bool waitForReplies(int count, int timeoutMilliseconds);
    bool waitForClientCloses(int count, int timeoutMilliseconds);

    struct State;

private:
    std::unique_ptr<State> state;
};

}  // namespace TestSupport
