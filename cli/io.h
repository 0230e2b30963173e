// SPDX-License-Identifier: MIT
// Reading the tool's input and writing its output, with failures reported
// as one line that names the file and the reason.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace tool {

// A failure of the work (input, catalogue, output): reported on one line,
// exit status 1.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// How messages name a file: "message 'x.html'", or "message from standard
// input" for "-".
std::string describeFile(const std::string& file, const std::string& what);

// The bytes of a file, or of standard input for "-". what names the file's
// role in messages ("message", "catalogue", ...). A directory, or with
// regularOnly anything but a regular file, is refused.
std::string readInput(const std::string& file, const std::string& what, bool regularOnly = false);

// Writes to standard output; throws Failure when the output cannot take it.
void writeOutput(std::string_view text);
// Flushes standard output; throws Failure when that fails.
void finishOutput();
// Makes output failures say that standard output was closed.
void setOutputClosed();

}  // namespace tool
