// SPDX-License-Identifier: MIT
// The socket calls of the in-process web servers (the tests' and the download
// fuzz target's), the same over BSD sockets and Winsock, with the two other
// things of the system that the servers touch. Each system has one
// implementation file (socket_posix.cpp, socket_win32.cpp); the build
// compiles the target's, so that a port to another system is made there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace TestSupport {

// A socket as the system knows it, in one type wide enough for both.
using Socket = std::uintptr_t;
constexpr Socket noSocket = ~Socket(0);

enum SocketEvents : unsigned { readable = 1, writable = 2 };

// A TCP socket listening on port of an IPv4 address (dotted text), not
// inherited by child processes; noSocket, with the reason in error, when it
// cannot be made.
Socket listenOn(const std::string& address, unsigned short port, std::string& error);

// The next connection waiting on listener, or noSocket. The connection does
// not block, so that a send never waits for room, and is not inherited.
Socket acceptConnection(Socket listener);

struct SocketWait {
    Socket socket;
    unsigned events;     // what to wait for: readable, writable or both
    unsigned ready = 0;  // what came; an error or a hang-up counts as both
};

// Waits at most milliseconds for any of the sockets to become ready, and
// fills their ready fields. The number of ready sockets; 0 when none.
int waitForSockets(SocketWait* waits, std::size_t count, int milliseconds);
inline bool waitForSocket(Socket socket, unsigned events, int milliseconds)
{
    SocketWait wait = {socket, events};
    return waitForSockets(&wait, 1, milliseconds) > 0;
}

// Sends what fits without waiting: the bytes sent, 0 when there is no room,
// -1 when the connection has failed. Never raises a signal.
long sendSome(Socket socket, const char* data, std::size_t length);

// The bytes received; 0 when the peer has closed; -1 on failure or when
// nothing has arrived.
long receiveSome(Socket socket, char* data, std::size_t length);

// Sends the end of the stream (FIN) while the socket still receives.
void shutdownSending(Socket socket);
void closeSocket(Socket socket);
// Closes so that the peer sees the connection reset (RST instead of FIN).
void resetSocket(Socket socket);

// The last socket call's error as text.
std::string lastSocketError();

void setEnvironment(const char* name, const char* value);

// Whether the program runs on Wine rather than on Windows (false elsewhere).
bool runningUnderWine();

}  // namespace TestSupport
