// SPDX-License-Identifier: MIT
#include "cli/io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "cli/system.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace tool {

namespace {

bool outputClosed = false;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string readAll(std::FILE* file, const std::string& name)
{
    std::string bytes;
    char chunk[64 * 1024];
    for (;;) {
        std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
        bytes.append(chunk, got);
        if (got < sizeof chunk)
            break;
    }
    if (std::ferror(file))
        throw Failure("cannot read " + name + ": " + std::strerror(errno));
    return bytes;
}

[[noreturn]] void outputFailed(int error)
{
    if (outputClosed)
        throw Failure("cannot write the output: standard output is closed");
    throw Failure(std::string("cannot write the output: ") + std::strerror(error));
}

}  // namespace

std::string describeFile(const std::string& file, const std::string& what)
{
    return file == "-" ? what + " from standard input" : what + " '" + file + "'";
}

std::string readInput(const std::string& file, const std::string& what, bool regularOnly)
{
    const std::string name = describeFile(file, what);
    try {
        if (file == "-") {
#if defined(_WIN32)
            _setmode(_fileno(stdin), _O_BINARY);  // the bytes as they are, CR LF included
#endif
            return readAll(stdin, name);
        }
        std::unique_ptr<std::FILE, FileCloser> in(openForReading(file));
        if (!in)
            throw Failure("cannot read " + name + ": " + std::strerror(errno));
        if (isDirectory(in.get()))
            throw Failure("cannot read " + name + ": it is a directory");
        if (regularOnly && !isRegularFile(in.get()))
            throw Failure("cannot read " + name + ": it is not a regular file");
        return readAll(in.get(), name);
    } catch (const std::bad_alloc&) {
        throw Failure(name + " is too large to hold in memory");
    } catch (const std::length_error&) {
        throw Failure(name + " is too large to hold in memory");
    }
}

void writeOutput(std::string_view text)
{
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size())
        outputFailed(errno);
}

void finishOutput()
{
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        outputFailed(errno);
}

void setOutputClosed()
{
    outputClosed = true;
}

}  // namespace tool
