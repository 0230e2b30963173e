// SPDX-License-Identifier: MIT
#include "fs/filesystem.h"

#include <cstdio>
#include <cstring>

#include "base/hot.h"
#include "fs/system.h"

namespace Tessel {

namespace {

// One level of createDirectories: an existing entry answers whether it is a
// directory; otherwise the directory is made, with a message on failure
// naming shown (or name when shown is null).
bool createLevel(const char* name, const Path* shown)
{
    EntryKind kind = kindOf(name);
    if (kind != EntryKind::missing)
        return kind == EntryKind::directory;
    int error = 0;
    bool made = makeDirectory(name, error);
    if (!made)
        std::printf("create directory '%s' failed, errno=%d\n", shown ? shown->str().c_str() : name, error);
    return made;
}

// Whether text is already systemText(Path(text)), so that it can be handed
// to the system as it stands: in POSIX syntax, no back-slash and, after an
// optional leading '/', no empty and no "." element. False when unsure.
TESSEL_IN_LINE bool rendersAsItself(std::string_view text)
{
    if (nativePathType != posixPath)
        return false;
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

}  // namespace

bool exists(const Path& p)
{
    return kindOf(systemText(p).c_str()) != EntryKind::missing;
}

bool isFile(const Path& p)
{
    return kindOf(systemText(p).c_str()) == EntryKind::file;
}

TESSEL_HOT bool isFileNamed(std::string_view text)
{
    // The system would read such a name only up to its NUL: another file.
    if (std::memchr(text.data(), '\0', text.size()))
        return false;
    if (rendersAsItself(text))
        return kindOf(text.data()) == EntryKind::file;
    return isFile(Path(std::string(text)));
}

bool isDirectory(const Path& p)
{
    return kindOf(systemText(p).c_str()) == EntryKind::directory;
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
    while (existing > 0 && !atLevel(existing, [](const char* n) { return kindOf(n) != EntryKind::missing; }))
        --existing;
    for (std::size_t level = existing + 1; level < count; ++level) {
        if (!atLevel(level, [](const char* n) { return createLevel(n, nullptr); }))
            return false;
    }
    return createLevel(name.c_str(), &p);
}

Path executablePath()
{
    // Worked out by the first caller; others wait for it.
    static const Path path(executableName());
    return path;
}

}  // namespace Tessel
