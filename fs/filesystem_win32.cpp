// SPDX-License-Identifier: MIT
// The system calls of fs/system.h on Windows: the wide calls, with names
// converted from UTF-8.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <bcrypt.h>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cwchar>

#include "base/hot.h"
#include "fs/system.h"

namespace Tessel {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide calls need UTF-16 wchar_t");

const PathType nativePathType = windowsPath;

namespace {

const wchar_t* wide(const std::u16string& text)
{
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

}  // namespace

std::string systemText(const Path& p)
{
    return p.str();
}

TESSEL_HOT EntryKind kindOf(const char* name)
{
    DWORD attributes = GetFileAttributesW(wide(utf8ToUtf16(name)));
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return EntryKind::missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryKind::directory : EntryKind::file;
}

std::uint64_t sizeOf(const char* name, bool refresh)
{
    std::u16string path = utf8ToUtf16(name);
    if (refresh) {
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

std::string executableName()
{
    wchar_t buffer[1024] = {};
    GetModuleFileNameW(nullptr, buffer, 1024);
    return utf16ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(buffer), wcsnlen(buffer, 1024)));
}

std::FILE* openForReading(const Path& p)
{
    return _wfopen(wide(p.wstr()), L"rb");
}

std::FILE* createNewFile(const char* name, bool& nameTaken)
{
    // CREATE_NEW fails on any existing entry; with the reparse-point flag a
    // link counts as an entry of its own and is never followed.
    HANDLE handle = CreateFileW(wide(utf8ToUtf16(name)), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        nameTaken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
        return nullptr;
    }
    nameTaken = false;
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (descriptor == -1) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = _fdopen(descriptor, "wb");
    if (!file)
        _close(descriptor);
    return file;
}

bool removeFile(const char* name)
{
    return DeleteFileW(wide(utf8ToUtf16(name))) != 0;
}

bool secureRandom(void* buffer, std::size_t size)
{
    return BCryptGenRandom(nullptr, static_cast<PUCHAR>(buffer), static_cast<ULONG>(size),
                           BCRYPT_USE_SYSTEM_PREFERRED_RNG) == 0;
}

// "file:///C:/x.png" names C:/x.png: the prefix goes whole.
std::size_t fileUrlPrefixLength(std::string_view)
{
    return 8;
}

}  // namespace Tessel
