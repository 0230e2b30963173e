// SPDX-License-Identifier: MIT
// The web server of the download target: port 80 of one loopback address,
// one thread, every connection served from one poll loop. An input hands it
// the replies to give, in the order requests arrive; the server sends each
// one at once and then ends it as scripted, so that no reply keeps a client
// waiting: it is complete, or the connection closes after it.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/socket.h"

namespace fuzzing {

struct ScriptedReply {
    enum End { keepOpen, close, reset };

    std::string wire;          // status line, headers and framed body
    std::size_t sendUpTo = 0;  // bytes of wire sent: all, or fewer to cut it
    std::string body;          // what a client stores of it when sent whole
    // False when the client may read the body as a reply of its own (after
    // an informational status, or a status line from the input): what it
    // stores is then not known.
    bool bodyKnown = true;
    int delayMilliseconds = 0;  // before the first byte
    int pauseMilliseconds = 0;  // after the last byte, before the end
    End end = close;            // keepOpen: wait for the next request
};

class ReplyServer {
public:
    // Listens on address:80; aborts when it cannot.
    explicit ReplyServer(const std::string& address);
    ~ReplyServer();
    ReplyServer(const ReplyServer&) = delete;
    ReplyServer& operator=(const ReplyServer&) = delete;

    // Starts an input: requests from now on take the replies in order, and
    // those past the last one find their connection closed. Connections
    // left from the last input are closed.
    void begin(std::shared_ptr<const std::vector<ScriptedReply>> replies);

    // The indexes of this input's replies that have been sent, or begun.
    std::vector<std::size_t> served();
    // The request heads of this input, in arrival order.
    std::vector<std::string> requestHeads();

private:
    struct Connection;

    void run();
    // The generation of the current input, or ~0u once the server stops.
    unsigned currentGeneration();
    // Takes the next reply for a whole request head; false when there is none.
    bool takeReply(Connection& connection, std::string head);
    // Moves the connection on as far as it can go now: reads, sends, pauses
    // and ends its reply. False once it is closed.
    bool advance(Connection& connection, unsigned ready);

    TestSupport::Socket listener_;
    std::thread thread_;
    std::mutex mutex_;
    bool stopping_ = false;
    unsigned generation_ = 0;
    std::shared_ptr<const std::vector<ScriptedReply>> replies_;
    std::vector<std::size_t> served_;
    std::vector<std::string> heads_;
};

}  // namespace fuzzing
