// SPDX-License-Identifier: MIT
// What the tool needs from the operating system beyond standard C++: its
// command line and file names as UTF-8 (the library's encoding for paths),
// its own location, and standard streams that are open.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace tool {

// The arguments after the program name, as UTF-8 (on Windows read from the
// wide command line, since argv is in the ANSI code page there).
std::vector<std::string> commandLine(int argc, char** argv);

// Opens a file named in UTF-8 for reading in binary mode; null with errno
// set on failure.
std::FILE* openForReading(const std::string& name);

// Whether the open file is a directory, or a regular file.
bool isDirectory(std::FILE* file);
bool isRegularFile(std::FILE* file);

// The tool's own executable as an absolute UTF-8 path; empty when the
// system does not tell.
std::string executablePath();

// The separator the system writes between path components; '/' is read as
// one everywhere.
#if defined(_WIN32)
constexpr char pathSeparator = '\\';
#else
constexpr char pathSeparator = '/';
#endif

inline bool isPathSeparator(char c)
{
    return c == '/' || c == pathSeparator;
}

// Puts /dev/null on standard descriptors that the tool was started without,
// so that no file opened later takes their number; a closed standard output
// stays unwritable. Returns whether standard output was closed.
bool openMissingStandardStreams();

}  // namespace tool
