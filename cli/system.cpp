// SPDX-License-Identifier: MIT
#include "cli/system.h"

#include <sys/stat.h>

#if defined(_WIN32)
// windows.h first: shellapi.h needs its declarations.
#include <windows.h>

#include <shellapi.h>
#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace tool {

#if defined(_WIN32)

namespace {

std::string toUtf8(const wchar_t* text, int length)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size : 0, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring toWide(const std::string& text)
{
    int length = static_cast<int>(text.size());
    int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    std::wstring out(size > 0 ? size : 0, L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), length, out.data(), size);
    return out;
}

}  // namespace

std::vector<std::string> commandLine(int, char**)
{
    std::vector<std::string> words;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide)
        return words;
    for (int i = 1; i < count; ++i)
        words.push_back(toUtf8(wide[i], static_cast<int>(wcslen(wide[i]))));
    LocalFree(wide);
    return words;
}

std::FILE* openForReading(const std::string& name)
{
    return _wfopen(toWide(name).c_str(), L"rb");
}

std::string executablePath()
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return "";
        if (length < buffer.size())
            return toUtf8(buffer.data(), static_cast<int>(length));
        buffer.resize(buffer.size() * 2);  // truncated: try a larger buffer
    }
}

bool openMissingStandardStreams()
{
    return false;
}

#else

std::vector<std::string> commandLine(int argc, char** argv)
{
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

std::FILE* openForReading(const std::string& name)
{
    return std::fopen(name.c_str(), "rb");
}

std::string executablePath()
{
    std::string buffer(256, '\0');
    for (;;) {
        ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return "";
        if (static_cast<std::size_t>(length) < buffer.size())
            return buffer.substr(0, static_cast<std::size_t>(length));
        buffer.resize(buffer.size() * 2);  // perhaps truncated: try a larger buffer
    }
}

bool openMissingStandardStreams()
{
    bool outputClosed = false;
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // open() takes the lowest free number, which is fd: the lower ones
        // are open by now. Standard output is opened for reading only, so
        // that writing to it still fails and is reported.
        open("/dev/null", fd == 2 ? O_WRONLY : O_RDONLY);
        if (fd == 1)
            outputClosed = true;
    }
    return outputClosed;
}

#endif

bool isDirectory(std::FILE* file)
{
    struct stat status;
    return fstat(fileno(file), &status) == 0 && S_ISDIR(status.st_mode);
}

bool isRegularFile(std::FILE* file)
{
    struct stat status;
    return fstat(fileno(file), &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace tool
