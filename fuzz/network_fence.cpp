// SPDX-License-Identifier: MIT
// Keeps the download target off the network whatever address or redirect an
// input names: the program's own connect() and getaddrinfo() take the place
// of the C library's (libcurl calls them through the dynamic linker, which
// finds the program's first). A connection is made only to the target's
// server; every other one is refused at once. Host names are read as numeric
// addresses only, so that no name is ever looked up.
#include "network_fence.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>

namespace fuzzing {

namespace {

std::atomic<std::uint32_t> allowedAddress{0};  // network byte order; 0: none

bool allowed(const sockaddr* address, socklen_t length)
{
    if (!address || length < static_cast<socklen_t>(sizeof(sa_family_t)))
        return false;
    if (address->sa_family != AF_INET && address->sa_family != AF_INET6)
        return true;  // local sockets of the C library, never the network
    if (address->sa_family != AF_INET || length < static_cast<socklen_t>(sizeof(sockaddr_in)))
        return false;
    sockaddr_in inet;
    std::memcpy(&inet, address, sizeof inet);
    const std::uint32_t wanted = allowedAddress.load();
    return wanted != 0 && inet.sin_addr.s_addr == wanted && inet.sin_port == htons(80);
}

}  // namespace

bool allowOnly(const char* address)
{
    in_addr parsed;
    if (inet_pton(AF_INET, address, &parsed) != 1)
        return false;
    allowedAddress = parsed.s_addr;
    return true;
}

}  // namespace fuzzing

extern "C" int connect(int socket, const sockaddr* address, socklen_t length)
{
    if (!fuzzing::allowed(address, length)) {
        errno = ECONNREFUSED;
        return -1;
    }
    return static_cast<int>(syscall(SYS_connect, socket, address, length));
}

extern "C" int getaddrinfo(const char* node, const char* service, const addrinfo* hints, addrinfo** result)
{
    using Lookup = int (*)(const char*, const char*, const addrinfo*, addrinfo**);
    static const Lookup real = reinterpret_cast<Lookup>(dlsym(RTLD_NEXT, "getaddrinfo"));
    if (!real)
        return EAI_FAIL;
    addrinfo numeric = hints ? *hints : addrinfo();
    if (!hints)
        numeric.ai_family = AF_UNSPEC;
    numeric.ai_flags |= AI_NUMERICHOST;
    return real(node, service, &numeric, result);
}
