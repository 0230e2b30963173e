// SPDX-License-Identifier: MIT
// The system calls of fs/system.h on POSIX systems.
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/hot.h"
#include "fs/system.h"

namespace Tessel {

const PathType nativePathType = posixPath;

std::string systemText(const Path& p)
{
    return p.posixStr();
}

TESSEL_HOT EntryKind kindOf(const char* name)
{
    struct stat status;
    if (stat(name, &status) != 0)
        return EntryKind::missing;
    return S_ISDIR(status.st_mode) ? EntryKind::directory : EntryKind::file;
}

std::uint64_t sizeOf(const char* name, bool refresh)
{
    if (refresh) {
        // Non-blocking, so that a FIFO of that name cannot hang the call.
        int descriptor = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (descriptor >= 0)
            close(descriptor);
    }
    struct stat status;
    if (stat(name, &status) != 0)
        return 0;
    return static_cast<std::uint64_t>(status.st_size);
}

bool makeDirectory(const char* name, int& error)
{
    bool made = mkdir(name, 0777) == 0;
    error = errno;
    return made;
}

std::string executableName()
{
    std::string buffer(256, '\0');
    for (;;) {
        ssize_t length = readlink("/proc/self/exe", &buffer[0], buffer.size());
        if (length < 0)
            return std::string();
        if (static_cast<std::size_t>(length) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(length));
            return buffer;
        }
        if (buffer.size() >= 65536)
            return std::string();
        buffer.resize(buffer.size() * 2);
    }
}

std::FILE* openForReading(const Path& p)
{
    return std::fopen(p.posixStr().c_str(), "rb");
}

std::FILE* createNewFile(const char* name, bool& nameTaken)
{
    // O_EXCL fails on any existing entry, a symbolic link included, even one
    // that points nowhere.
    const int descriptor = open(name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    nameTaken = descriptor < 0 && errno == EEXIST;
    if (descriptor < 0)
        return nullptr;
    std::FILE* file = fdopen(descriptor, "wb");
    if (!file)
        close(descriptor);
    return file;
}

bool removeFile(const char* name)
{
    return unlink(name) == 0;
}

bool secureRandom(void* buffer, std::size_t size)
{
    auto* at = static_cast<unsigned char*>(buffer);
    while (size > 0) {
        const ssize_t got = getrandom(at, size, 0);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        at += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

// "file:///srv/x.png" names /srv/x.png: only "file://" goes, and a fourth
// slash is the root's own ("file:////srv/x.png" names it too).
std::size_t fileUrlPrefixLength(std::string_view address)
{
    return address.compare(7, 2, "//") == 0 ? 8 : 7;
}

}  // namespace Tessel
