#include "fs/filesystem.h"

#include <cerrno>
#include <cstdio>

#include "base/hot.h"

#if defined(_WIN32)
#  include <windows.h>
#  include <fcntl.h>
#  include <io.h>
#  include <share.h>
#  include <sys/stat.h>
#  include <sys/types.h>
#  include <cwchar>
#else
#  include <fcntl.h>
#  include <sys/stat.h>
#  include <unistd.h>
#endif

namespace Tessel {

namespace {

enum class Kind { missing, file, directory };

// The platform layer. Every call takes the path as the UTF-8 bytes of its
// system rendering (see systemText), zero-terminated.
#if defined(_WIN32)

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide calls need UTF-16 wchar_t");

std::string systemText(const Path& p)
{
    return p.str();
}

const wchar_t* wide(const std::u16string& text)
{
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

TESSEL_HOT Kind kindOf(const char* name)
{
    DWORD attributes = GetFileAttributesW(wide(utf8ToUtf16(name)));
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return Kind::missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? Kind::directory : Kind::file;
}

std::uint64_t sizeOf(const char* name, bool refresh)
{
    std::u16string path = utf8ToUtf16(name);
    if (refresh) {
        // Opening the file brings the size kept in its directory entry up to date.
        int descriptor = -1;
        _wsopen_s(&descriptor, wide(path), _O_RDONLY, _SH_DENYNO, 0);
        if (descriptor != -1)
            _close(descriptor);
    }
    struct _stat64 status;
    if (_wstat64(wide(path), &status) != 0)
        return 0;
    return static_cast<std::uint64_t>(status.st_size);
}

bool makeDirectory(const char* name, int& error)
{
    bool made = CreateDirectoryW(wide(utf8ToUtf16(name)), nullptr) != 0;
    error = errno;
    return made;
}

std::u16string executableName()
{
    wchar_t buffer[1024] = {};
    GetModuleFileNameW(nullptr, buffer, 1024);
    return std::u16string(reinterpret_cast<const char16_t*>(buffer), wcsnlen(buffer, 1024));
}

#else

std::string systemText(const Path& p)
{
    return p.posixStr();
}

// Whether text is already the system rendering of Path(text): no
// back-slash, and, after an optional leading '/', no empty and no "."
// element.
TESSEL_HOT bool rendersAsItself(std::string_view text)
{
    std::size_t elementStart = !text.empty() && text[0] == '/' ? 1 : 0;
    if (elementStart == text.size())
        return false;
    for (std::size_t i = elementStart; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '/') {
            const std::size_t length = i - elementStart;
            if (length == 0 || (length == 1 && text[elementStart] == '.'))
                return false;
            elementStart = i + 1;
        } else if (text[i] == '\\') {
            return false;
        }
    }
    return true;
}

Kind kindOf(const char* name)
{
    struct stat status;
    if (stat(name, &status) != 0)
        return Kind::missing;
    return S_ISDIR(status.st_mode) ? Kind::directory : Kind::file;
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

#endif

// One level of createDirectories: an existing entry answers whether it is a
// directory; otherwise the directory is made, with a message on failure
// naming shown (or name when shown is null).
bool createLevel(const char* name, const Path* shown)
{
    Kind kind = kindOf(name);
    if (kind != Kind::missing)
        return kind == Kind::directory;
    int error = 0;
    bool made = makeDirectory(name, error);
    if (!made)
        std::printf("create directory '%s' failed, errno=%d\n",
                    shown ? shown->str().c_str() : name, error);
    return made;
}

}  // namespace

bool exists(const Path& p)
{
    return kindOf(systemText(p).c_str()) != Kind::missing;
}

bool isFile(const Path& p)
{
    return kindOf(systemText(p).c_str()) == Kind::file;
}

TESSEL_HOT bool isFileNamed(std::string_view text)
{
#if !defined(_WIN32)
    if (rendersAsItself(text))
        return kindOf(text.data()) == Kind::file;
#endif
    return isFile(Path(std::string(text)));
}

bool isDirectory(const Path& p)
{
    return kindOf(systemText(p).c_str()) == Kind::directory;
}

std::uint64_t fileSize(const Path& p, bool refresh)
{
    return sizeOf(systemText(p).c_str(), refresh);
}

bool createDirectory(const Path& p, int& error)
{
    return makeDirectory(systemText(p).c_str(), error);
}

// Each ancestor is a prefix of the path, so one rendering serves every level:
// it is cut in place by a temporary zero byte. Missing ancestors are found
// innermost first, then created outermost first, without recursion, so that
// a path of any depth neither exhausts the stack nor is rendered per level.
bool createDirectories(const Path& p)
{
    if (p.empty()) {
        Path parent = p.parentPath();  // ".." for a relative path
        if (!parent.empty() && !exists(parent) && !createDirectories(parent))
            return false;
        return createLevel(systemText(p).c_str(), &p);
    }

    std::string name = systemText(p);
    const std::size_t count = p.elements.size();
    // ends[k]: length of the rendering of the first k + 1 elements.
    std::vector<std::size_t> ends(count);
    std::size_t length = name.size();
    for (std::size_t k = count; k-- > 0;) {
        ends[k] = length;
        if (k > 0)
            length -= p.elements[k].size() + (k == 1 && p.elements[0] == UncMarker ? 0 : 1);
    }
    auto atLevel = [&](std::size_t levelCount, auto&& call) {
        char& end = name[ends[levelCount - 1]];
        char saved = end;
        end = '\0';
        bool result = call(name.c_str());
        end = saved;
        return result;
    };

    std::size_t existing = count - 1;
    while (existing > 0 && !atLevel(existing, [](const char* n) { return kindOf(n) != Kind::missing; }))
        --existing;
    for (std::size_t level = existing + 1; level < count; ++level) {
        if (!atLevel(level, [](const char* n) { return createLevel(n, nullptr); }))
            return false;
    }
    return createLevel(name.c_str(), &p);
}

Path executablePath()
{
    static Path path;
    if (path.elements.empty())
        path = Path(executableName());
    return path;
}

}  // namespace Tessel
