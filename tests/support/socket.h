// The few socket calls of the test web server, on BSD sockets or Winsock.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <string>

#if defined(_WIN32)
#  ifndef NOMINMAX
#    define NOMINMAX
#  endif
#  include <winsock2.h>
#  include <ws2tcpip.h>
#else
#  include <arpa/inet.h>
#  include <cerrno>
#  include <cstring>
#  include <netinet/in.h>
#  include <poll.h>
#  include <sys/socket.h>
#  include <unistd.h>
#endif

namespace TestSupport {

#if defined(_WIN32)

using Socket = SOCKET;
const Socket noSocket = INVALID_SOCKET;

// Winsock needs starting once per process; it stays up until exit.
inline void startSockets()
{
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}

inline void closeSocket(Socket socket) { closesocket(socket); }
inline Socket openStreamSocket() { return ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP); }

// Accepted sockets do not block, so that a send never waits for room.
inline Socket acceptSocket(Socket listener)
{
    Socket socket = ::accept(listener, nullptr, nullptr);
    u_long nonBlocking = 1;
    if (socket != noSocket)
        ioctlsocket(socket, FIONBIO, &nonBlocking);
    return socket;
}

// What fits at once; -1 with sendWouldBlock() when nothing does.
inline int sendNow(Socket socket, const char* data, std::size_t length)
{
    return ::send(socket, data, static_cast<int>(length), 0);
}

inline bool sendWouldBlock() { return WSAGetLastError() == WSAEWOULDBLOCK; }

inline int receiveSome(Socket socket, char* data, std::size_t length)
{
    return ::recv(socket, data, static_cast<int>(length), 0);
}

// True when socket becomes readable (writable) within milliseconds.
inline bool readable(Socket socket, int milliseconds)
{
    WSAPOLLFD waiting = {socket, POLLRDNORM, 0};
    return WSAPoll(&waiting, 1, milliseconds) > 0;
}

inline bool writable(Socket socket, int milliseconds)
{
    WSAPOLLFD waiting = {socket, POLLWRNORM, 0};
    return WSAPoll(&waiting, 1, milliseconds) > 0;
}

inline std::string lastSocketError() { return "Winsock error " + std::to_string(WSAGetLastError()); }

inline void setEnvironment(const char* name, const char* value) { _putenv_s(name, value); }

#else

using Socket = int;
const Socket noSocket = -1;

inline void startSockets() {}
inline void closeSocket(Socket socket) { ::close(socket); }
inline Socket openStreamSocket() { return ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0); }
inline Socket acceptSocket(Socket listener) { return ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC); }

inline int sendNow(Socket socket, const char* data, std::size_t length)
{
    return static_cast<int>(::send(socket, data, length, MSG_NOSIGNAL | MSG_DONTWAIT));
}

inline bool sendWouldBlock() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR; }

inline int receiveSome(Socket socket, char* data, std::size_t length)
{
    return static_cast<int>(::recv(socket, data, length, 0));
}

inline bool readable(Socket socket, int milliseconds)
{
    pollfd waiting = {socket, POLLIN, 0};
    return ::poll(&waiting, 1, milliseconds) > 0;
}

inline bool writable(Socket socket, int milliseconds)
{
    pollfd waiting = {socket, POLLOUT, 0};
    return ::poll(&waiting, 1, milliseconds) > 0;
}

inline std::string lastSocketError() { return std::strerror(errno); }

inline void setEnvironment(const char* name, const char* value) { ::setenv(name, value, 1); }

#endif

}  // namespace TestSupport
