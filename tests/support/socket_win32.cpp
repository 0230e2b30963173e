// SPDX-License-Identifier: MIT
// The servers' socket calls on Winsock.
#include "support/socket.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
// Winsock 2 before windows.h, which would bring the older winsock.h.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <cstdlib>
#include <vector>

namespace TestSupport {

namespace {

SOCKET native(Socket socket)
{
    return static_cast<SOCKET>(socket);
}
Socket wrap(SOCKET socket)
{
    return socket == INVALID_SOCKET ? noSocket : static_cast<Socket>(socket);
}

short pollEvents(unsigned events)
{
    return static_cast<short>(((events & readable) ? POLLRDNORM : 0) |
                              ((events & writable) ? POLLWRNORM : 0));
}

unsigned readyEvents(short revents)
{
    if (revents & (POLLERR | POLLHUP | POLLNVAL))
        return readable | writable;
    return ((revents & POLLRDNORM) ? readable : 0u) | ((revents & POLLWRNORM) ? writable : 0u);
}

bool startWinsock()
{
    static const bool started = [] {  // once per process, up until exit
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

}  // namespace

Socket listenOn(const std::string& address, unsigned short port, std::string& error)
{
    startWinsock();
    // Winsock sockets are not inherited unless asked for. No SO_REUSEADDR:
    // on Winsock it would let a second server take the same address.
    const SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET) {
        error = lastSocketError();
        return noSocket;
    }
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    if (inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) {
        error = "not an IPv4 address";
        closesocket(listener);
        return noSocket;
    }
    if (bind(listener, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 || listen(listener, 16) != 0) {
        error = lastSocketError();
        closesocket(listener);
        return noSocket;
    }
    return wrap(listener);
}

Socket acceptConnection(Socket listener)
{
    const SOCKET socket = ::accept(native(listener), nullptr, nullptr);
    u_long nonBlocking = 1;
    // A reply's head and body go out in separate writes: without this the
    // body would wait for the client's delayed acknowledgement of the head.
    const BOOL noDelay = TRUE;
    if (socket != INVALID_SOCKET) {
        ioctlsocket(socket, FIONBIO, &nonBlocking);
        setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
    }
    return wrap(socket);
}

int waitForSockets(SocketWait* waits, std::size_t count, int milliseconds)
{
    std::vector<WSAPOLLFD> polled(count);
    for (std::size_t i = 0; i < count; ++i)
        polled[i] = {native(waits[i].socket), pollEvents(waits[i].events), 0};
    const int result = WSAPoll(polled.data(), static_cast<ULONG>(polled.size()), milliseconds);
    for (std::size_t i = 0; i < count; ++i)
        waits[i].ready = result > 0 ? readyEvents(polled[i].revents) : 0u;
    return result > 0 ? result : 0;
}

long sendSome(Socket socket, const char* data, std::size_t length)
{
    const int sent = ::send(native(socket), data, static_cast<int>(length), 0);
    if (sent != SOCKET_ERROR)
        return sent;
    return WSAGetLastError() == WSAEWOULDBLOCK ? 0 : -1;
}

long receiveSome(Socket socket, char* data, std::size_t length)
{
    return ::recv(native(socket), data, static_cast<int>(length), 0);
}

void shutdownSending(Socket socket)
{
    ::shutdown(native(socket), SD_SEND);
}

void closeSocket(Socket socket)
{
    closesocket(native(socket));
}

void resetSocket(Socket socket)
{
    linger abort = {1, 0};
    setsockopt(native(socket), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
    closesocket(native(socket));
}

std::string lastSocketError()
{
    return "Winsock error " + std::to_string(WSAGetLastError());
}

void setEnvironment(const char* name, const char* value)
{
    _putenv_s(name, value);
}

bool runningUnderWine()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

}  // namespace TestSupport
