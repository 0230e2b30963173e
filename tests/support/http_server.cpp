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

bool runningUnderWine()
{
#if defined(_WIN32)
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
    return false;
#endif
}

std::size_t deliveredBeforeCut(std::size_t sent)
{
    return runningUnderWine() ? sent - sent % 20480 : sent;
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

void HttpServer::closeOnAccept(bool close)
{
    std::lock_guard<std::mutex> lock(mutex);
    closingOnAccept = close;
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

int HttpServer::closedByClient()
{
    std::lock_guard<std::mutex> lock(mutex);
    return clientCloseCount;
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

bool HttpServer::waitForClientCloses(int count, int timeoutMilliseconds)
{
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, std::chrono::milliseconds(timeoutMilliseconds),
                            [&] { return clientCloseCount >= count; });
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
        if (closingOnAccept)
            closeSocket(socket);
        else
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
        if (received <= 0) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                ++clientCloseCount;
            }
            changed.notify_all();
            return false;
        }
        buffer.append(chunk, static_cast<std::size_t>(received));
        return true;
    }
}

// Sends the reply; false when the connection is closed afterwards.
bool HttpServer::answer(Socket socket, const Reply& reply)
{
    bool ok = pause(reply.delayMilliseconds);
    std::string statusLine =
        "HTTP/1.1 " + std::to_string(reply.status) + " " + reason(reply.status) + "\r\n";
    long long length = reply.announcedLength >= 0 ? reply.announcedLength
                                                  : static_cast<long long>(reply.body.size());
    std::string head = statusLine + "Content-Type: application/octet-stream\r\n";
    if (!reply.location.empty())
        head += "Location: " + reply.location + "\r\n";
    if (reply.chunked)
        head += "Transfer-Encoding: chunked\r\n\r\n";
    else if (reply.untilClose)
        head += "Connection: close\r\n\r\n";
    else
        head += "Content-Length: " + std::to_string(length) + "\r\n\r\n";
    if (reply.endlessHeaders)
        ok = ok && sendHeadersForever(socket, statusLine);
    else if (!reply.headless)
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
        std::size_t upTo = reply.cut == Reply::complete ? reply.body.size() : reply.cutAt;
        if (reply.trickleMilliseconds > 0)
            for (std::size_t at = 0; ok && at < upTo; ++at)
                ok = pause(reply.trickleMilliseconds) && sendAll(socket, reply.body.data() + at, 1);
        else
            ok = ok && sendAll(socket, reply.body.data(), upTo);
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
    if (reply.untilClose || reply.headless)
        ok = false;
    if (!ok)
        closeSocket(socket);
    return ok;
}

// Header lines until the client goes away or the server is destroyed;
// always false.
bool HttpServer::sendHeadersForever(Socket socket, const std::string& statusLine)
{
    if (!sendAll(socket, statusLine))
        return false;
    std::string lines;
    for (int i = 0; i < 100; ++i)
        lines += "X-Filler-" + std::to_string(i) + ": " + std::string(60, 'f') + "\r\n";
    while (sendAll(socket, lines)) {
    }
    return false;
}

// Sends everything, waiting for room in bounded steps: false when the
// connection fails or the server is being destroyed.
bool HttpServer::sendAll(Socket socket, const char* data, std::size_t length)
{
    while (length > 0) {
        if (isStopping())
            return false;
        if (!writable(socket, pollMilliseconds))
            continue;
        int sent = sendNow(socket, data, length);
        if (sent < 0 && sendWouldBlock())
            continue;
        if (sent <= 0)
            return false;
        data += sent;
        length -= static_cast<std::size_t>(sent);
    }
    return true;
}

bool HttpServer::sendAll(Socket socket, const std::string& text)
{
    return sendAll(socket, text.data(), text.size());
}

bool HttpServer::isStopping()
{
    std::lock_guard<std::mutex> lock(mutex);
    return stopping;
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
