#include "support/http_server.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <stdexcept>

namespace TestSupport {

namespace {

constexpr int pollMilliseconds = 50;

// The tests talk to their own servers only, never through a proxy that the
// environment may name. Set before main, while there is one thread.
const bool noProxy = [] {
    setEnvironment("no_proxy", "*");
    setEnvironment("NO_PROXY", "*");
    return true;
}();

const char* reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 302: return "Found";
    case 404: return "Not Found";
    default: return "Status";
    }
}

bool sendAll(Socket socket, const char* data, std::size_t length)
{
    while (length > 0) {
        int sent = sendSome(socket, data, length);
        if (sent <= 0)
            return false;
        data += sent;
        length -= static_cast<std::size_t>(sent);
    }
    return true;
}

bool sendAll(Socket socket, const std::string& text)
{
    return sendAll(socket, text.data(), text.size());
}

}  // namespace

std::string patternBytes(std::size_t length)
{
    std::string bytes(length, '\0');
    std::uint32_t x = 12345;
    for (char& byte : bytes) {
        x = x * 1103515245u + 12345u;
        byte = static_cast<char>(x >> 16);
    }
    return bytes;
}

std::size_t deliveredBeforeCut(std::size_t sent)
{
#if defined(_WIN32)
    return sent - sent % 20480;
#else
    return sent;
#endif
}

bool runningUnderWine()
{
#if defined(_WIN32)
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
    return false;
#endif
}

HttpServer::HttpServer(const std::string& address)
{
    (void)noProxy;
    startSockets();
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_port = htons(80);
    if (inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1)
        throw std::invalid_argument("not an IPv4 address: " + address);
    listener = openStreamSocket();
#if !defined(_WIN32)
    // Winsock's SO_REUSEADDR would let a second server take the same address.
    int on = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
#endif
    if (bind(listener, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        listen(listener, 16) != 0) {
        std::string error = lastSocketError();
        closeSocket(listener);
        throw std::runtime_error("cannot listen on " + address + ":80: " + error);
    }
    acceptor = std::thread([this] { acceptLoop(); });
}

HttpServer::~HttpServer()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    acceptor.join();
    for (std::thread& worker : workers)
        worker.join();
    closeSocket(listener);
}

void HttpServer::on(const std::string& path, const Reply& reply)
{
    std::lock_guard<std::mutex> lock(mutex);
    replies[path] = reply;
}

int HttpServer::connections()
{
    std::lock_guard<std::mutex> lock(mutex);
    return connectionCount;
}

int HttpServer::requests()
{
    std::lock_guard<std::mutex> lock(mutex);
    return static_cast<int>(heads.size());
}

std::vector<std::string> HttpServer::requestHeads()
{
    std::lock_guard<std::mutex> lock(mutex);
    return heads;
}

bool HttpServer::waitForRequests(int count, int timeoutMilliseconds)
{
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, std::chrono::milliseconds(timeoutMilliseconds),
                            [&] { return static_cast<int>(heads.size()) >= count; });
}

bool HttpServer::waitForReplies(int count, int timeoutMilliseconds)
{
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, std::chrono::milliseconds(timeoutMilliseconds),
                            [&] { return replyCount >= count; });
}

void HttpServer::acceptLoop()
{
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (stopping)
                return;
        }
        if (!readable(listener, pollMilliseconds))
            continue;
        Socket socket = acceptSocket(listener);
        if (socket == noSocket)
            continue;
        std::lock_guard<std::mutex> lock(mutex);
        ++connectionCount;
        workers.emplace_back([this, socket] { serve(socket); });
    }
}

void HttpServer::serve(Socket socket)
{
    std::string buffer;
    for (;;) {
        std::size_t end;
        while ((end = buffer.find("\r\n\r\n")) == std::string::npos)
            if (!receive(socket, buffer)) {
                closeSocket(socket);
                return;
            }
        std::string head = buffer.substr(0, end);
        buffer.erase(0, end + 4);
        std::size_t pathStart = head.find(' ') + 1;
        std::string path = head.substr(pathStart, head.find(' ', pathStart) - pathStart);
        Reply reply;
        reply.status = 404;
        {
            std::lock_guard<std::mutex> lock(mutex);
            heads.push_back(head);
            auto it = replies.find(path);
            if (it != replies.end())
                reply = it->second;
        }
        changed.notify_all();
        bool keepOpen = answer(socket, reply);
        {
            std::lock_guard<std::mutex> lock(mutex);
            ++replyCount;
        }
        changed.notify_all();
        if (!keepOpen)
            return;  // answer has closed the socket
    }
}

bool HttpServer::receive(Socket socket, std::string& buffer)
{
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (stopping)
                return false;
        }
        if (!readable(socket, pollMilliseconds))
            continue;
        char chunk[4096];
        int received = receiveSome(socket, chunk, sizeof chunk);
        if (received <= 0)
            return false;
        buffer.append(chunk, static_cast<std::size_t>(received));
        return true;
    }
}

// Sends the reply; false when the connection is closed afterwards.
bool HttpServer::answer(Socket socket, const Reply& reply)
{
    bool ok = pause(reply.delayMilliseconds);
    std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " + reason(reply.status) +
                       "\r\nContent-Type: application/octet-stream\r\n";
    if (!reply.location.empty())
        head += "Location: " + reply.location + "\r\n";
    head += reply.chunked ? "Transfer-Encoding: chunked\r\n\r\n"
                          : "Content-Length: " + std::to_string(reply.body.size()) + "\r\n\r\n";
    ok = ok && sendAll(socket, head);
    if (reply.chunked) {
        static const std::size_t sizes[] = {1, 4000, 777, 20480, 9};
        for (std::size_t at = 0, i = 0; ok && at < reply.body.size(); ++i) {
            std::size_t n = std::min(sizes[i % 5], reply.body.size() - at);
            char size[32];
            std::snprintf(size, sizeof size, "%zx\r\n", n);
            ok = sendAll(socket, size) && sendAll(socket, reply.body.data() + at, n) &&
                 sendAll(socket, "\r\n");
            at += n;
        }
        ok = ok && sendAll(socket, "0\r\n\r\n");
    } else {
        std::size_t length = reply.cut == Reply::complete ? reply.body.size() : reply.cutAt;
        ok = ok && sendAll(socket, reply.body.data(), length);
    }
    if (ok && reply.cut == Reply::stall) {
        ok = pause(reply.stallMilliseconds < 0 ? INT_MAX : reply.stallMilliseconds) &&
             sendAll(socket, reply.body.data() + reply.cutAt, reply.body.size() - reply.cutAt);
    } else if (ok && reply.cut == Reply::reset) {
        pause(200);
        linger abort = {1, 0};  // close with RST instead of FIN
        setsockopt(socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort),
                   sizeof abort);
        ok = false;
    }
    if (!ok)
        closeSocket(socket);
    return ok;
}

// Sleeps, but returns false at once when the server is being destroyed.
bool HttpServer::pause(int milliseconds)
{
    if (milliseconds <= 0)
        return true;
    std::unique_lock<std::mutex> lock(mutex);
    return !changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                             [this] { return stopping; });
}

}  // namespace TestSupport
