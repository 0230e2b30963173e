// SPDX-License-Identifier: MIT
// The servers' socket calls on BSD sockets, with Linux's flags for
// close-on-exec, non-blocking accepts and sends without SIGPIPE.
#include "support/socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace TestSupport {

namespace {

int fd(Socket socket)
{
    return static_cast<int>(socket);
}
Socket wrap(int fd)
{
    return fd < 0 ? noSocket : static_cast<Socket>(fd);
}

short pollEvents(unsigned events)
{
    return static_cast<short>(((events & readable) ? POLLIN : 0) | ((events & writable) ? POLLOUT : 0));
}

unsigned readyEvents(short revents)
{
    if (revents & (POLLERR | POLLHUP | POLLNVAL))
        return readable | writable;
    return ((revents & POLLIN) ? readable : 0u) | ((revents & POLLOUT) ? writable : 0u);
}

}  // namespace

Socket listenOn(const std::string& address, unsigned short port, std::string& error)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0) {
        error = lastSocketError();
        return noSocket;
    }
    // A server started again at once takes its address back from the
    // connections of the last one that are still closing.
    int on = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    if (inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) {
        error = "not an IPv4 address";
        ::close(listener);
        return noSocket;
    }
    if (bind(listener, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 || listen(listener, 16) != 0) {
        error = lastSocketError();
        ::close(listener);
        return noSocket;
    }
    return wrap(listener);
}

Socket acceptConnection(Socket listener)
{
    const int socket = ::accept4(fd(listener), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    // A reply's head and body go out in separate writes: without this the
    // body would wait for the client's delayed acknowledgement of the head.
    const int on = 1;
    if (socket >= 0)
        ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return wrap(socket);
}

int waitForSockets(SocketWait* waits, std::size_t count, int milliseconds)
{
    std::vector<pollfd> polled(count);
    for (std::size_t i = 0; i < count; ++i)
        polled[i] = {fd(waits[i].socket), pollEvents(waits[i].events), 0};
    const int result = ::poll(polled.data(), polled.size(), milliseconds);
    for (std::size_t i = 0; i < count; ++i)
        waits[i].ready = result > 0 ? readyEvents(polled[i].revents) : 0u;
    return result > 0 ? result : 0;
}

long sendSome(Socket socket, const char* data, std::size_t length)
{
    const ssize_t sent = ::send(fd(socket), data, length, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent >= 0)
        return static_cast<long>(sent);
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
}

long receiveSome(Socket socket, char* data, std::size_t length)
{
    return static_cast<long>(::recv(fd(socket), data, length, 0));
}

void shutdownSending(Socket socket)
{
    ::shutdown(fd(socket), SHUT_WR);
}

void closeSocket(Socket socket)
{
    ::close(fd(socket));
}

void resetSocket(Socket socket)
{
    linger abort = {1, 0};
    setsockopt(fd(socket), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    ::close(fd(socket));
}

std::string lastSocketError()
{
    return std::strerror(errno);
}

void setEnvironment(const char* name, const char* value)
{
    ::setenv(name, value, 1);
}

bool runningUnderWine()
{
    return false;
}

}  // namespace TestSupport
