// SPDX-License-Identifier: MIT
#include "reply_server.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace fuzzing {

using namespace TestSupport;

namespace {

using Clock = std::chrono::steady_clock;

// The longest wait of the loop when nothing happens: how soon the server
// notices a new input or its end without any traffic.
constexpr int idleMilliseconds = 50;
// A request head that has not ended within this many bytes is not answered.
constexpr std::size_t maxHead = 64 * 1024;

int millisecondsUntil(Clock::time_point when, Clock::time_point now)
{
    if (when <= now)
        return 0;
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(when - now).count();
    return static_cast<int>((left + 999) / 1000);
}

}  // namespace

struct ReplyServer::Connection {
    enum Phase { reading, delaying, sending, pausing, draining };

    Connection(Socket socket, unsigned generation) : socket(socket), generation(generation) {}

    Socket socket;
    unsigned generation;
    Phase phase = reading;
    std::string received;
    std::shared_ptr<const std::vector<ScriptedReply>> replies;
    const ScriptedReply* reply = nullptr;
    std::size_t sent = 0;
    Clock::time_point until;  // the end of the delay or of the pause
};

ReplyServer::ReplyServer(const std::string& address)
    : replies_(std::make_shared<const std::vector<ScriptedReply>>())
{
    std::string error;
    listener_ = listenOn(address, 80, error);
    if (listener_ == noSocket) {
        std::fprintf(stderr, "download fuzz target: cannot listen on %s:80: %s\n", address.c_str(),
                     error.c_str());
        std::abort();
    }
    thread_ = std::thread([this] { run(); });
}

ReplyServer::~ReplyServer()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    thread_.join();
    closeSocket(listener_);
}

void ReplyServer::begin(std::shared_ptr<const std::vector<ScriptedReply>> replies)
{
    std::lock_guard<std::mutex> lock(mutex_);
    ++generation_;
    replies_ = std::move(replies);
    served_.clear();
    heads_.clear();
}

std::vector<std::size_t> ReplyServer::served()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return served_;
}

std::vector<std::string> ReplyServer::requestHeads()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return heads_;
}

unsigned ReplyServer::currentGeneration()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return stopping_ ? ~0u : generation_;
}

void ReplyServer::run()
{
    std::vector<Connection> connections;
    std::vector<SocketWait> waits;
    for (;;) {
        const Clock::time_point now = Clock::now();
        int timeout = idleMilliseconds;
        waits.assign(1, SocketWait{listener_, readable});
        for (const Connection& c : connections) {
            unsigned events = 0;
            if (c.phase == Connection::reading || c.phase == Connection::draining)
                events = readable;
            else if (c.phase == Connection::sending)
                events = writable;
            else
                timeout = std::min(timeout, millisecondsUntil(c.until, now));
            waits.push_back(SocketWait{c.socket, events});
        }
        waitForSockets(waits.data(), waits.size(), timeout);

        // Connections of an earlier input are closed before anything of the
        // current one is read or accepted.
        const unsigned generation = currentGeneration();
        if (generation == ~0u)
            break;
        std::vector<Connection> kept;
        for (std::size_t i = 0; i < connections.size(); ++i) {
            Connection& c = connections[i];
            if (c.generation == generation && advance(c, waits[i + 1].ready))
                kept.push_back(std::move(c));
            else if (c.generation != generation)
                closeSocket(c.socket);
        }
        connections.swap(kept);
        if (waits[0].ready & readable) {
            const Socket accepted = acceptConnection(listener_);
            if (accepted != noSocket) {
                connections.emplace_back(accepted, generation);
                if (!advance(connections.back(), 0))
                    connections.pop_back();
            }
        }
    }
    for (Connection& c : connections)
        closeSocket(c.socket);
}

bool ReplyServer::takeReply(Connection& connection, std::string head)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (connection.generation != generation_)
        return false;
    const std::size_t index = heads_.size();
    heads_.push_back(std::move(head));
    if (index >= replies_->size())
        return false;
    served_.push_back(index);
    connection.replies = replies_;
    connection.reply = &(*replies_)[index];
    return true;
}

bool ReplyServer::advance(Connection& c, unsigned ready)
{
    for (;;) {
        const Clock::time_point now = Clock::now();
        switch (c.phase) {
        case Connection::reading:
        case Connection::draining: {
            if (ready & readable) {
                ready &= ~readable;
                char chunk[8192];
                const long n = receiveSome(c.socket, chunk, sizeof chunk);
                if (n <= 0) {
                    closeSocket(c.socket);
                    return false;
                }
                if (c.phase == Connection::reading)
                    c.received.append(chunk, static_cast<std::size_t>(n));
            }
            if (c.phase == Connection::draining)
                return true;
            const std::size_t end = c.received.find("\r\n\r\n");
            if (end == std::string::npos) {
                if (c.received.size() <= maxHead)
                    return true;
                closeSocket(c.socket);
                return false;
            }
            std::string head = c.received.substr(0, end);
            c.received.erase(0, end + 4);
            if (!takeReply(c, std::move(head))) {
                closeSocket(c.socket);
                return false;
            }
            c.sent = 0;
            c.phase = Connection::delaying;
            c.until = now + std::chrono::milliseconds(c.reply->delayMilliseconds);
            break;
        }
        case Connection::delaying:
            if (now < c.until)
                return true;
            c.phase = Connection::sending;
            break;
        case Connection::sending: {
            const ScriptedReply& reply = *c.reply;
            if (c.sent < reply.sendUpTo) {
                const long n = sendSome(c.socket, reply.wire.data() + c.sent, reply.sendUpTo - c.sent);
                if (n < 0) {
                    closeSocket(c.socket);
                    return false;
                }
                c.sent += static_cast<std::size_t>(n);
                if (c.sent < reply.sendUpTo)
                    return true;  // for room to send the rest
            }
            c.phase = Connection::pausing;
            c.until = now + std::chrono::milliseconds(reply.pauseMilliseconds);
            break;
        }
        case Connection::pausing:
            if (now < c.until)
                return true;
            switch (c.reply->end) {
            case ScriptedReply::keepOpen:
                c.phase = Connection::reading;
                c.reply = nullptr;
                c.replies.reset();
                break;
            case ScriptedReply::close:
                // The client reads to the end of the stream, then closes.
                shutdownSending(c.socket);
                c.phase = Connection::draining;
                return true;
            case ScriptedReply::reset:
                resetSocket(c.socket);
                return false;
            }
            break;
        }
    }
}

}  // namespace fuzzing
