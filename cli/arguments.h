// SPDX-License-Identifier: MIT
// The tool's command line: what it asks for, and the help that describes it.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace tool {

// A command line that asks for nothing the tool does: reported on one line,
// exit status 2. command is the command named before the error, if any.
struct UsageError : std::runtime_error {
    UsageError(const std::string& message, std::string command)
        : std::runtime_error(message), command(std::move(command))
    {
    }
    std::string command;
};

struct Arguments {
    std::string command;  // empty only with help or version
    bool help = false;
    bool version = false;
    bool quiet = false;       // no picture lines on standard error
    std::string catalogue;    // empty: the sample installed with the tool
    std::string cache;        // empty: the user's cache directory
    std::string input = "-";  // FILE or BODY; "-" is standard input
    std::string name;         // NAME of "emoticon"
    std::string images;       // --images LIST; empty: none
    std::string title, sender, date;
    bool json = false;
    bool resourcesOnly = false;
};

// Reads the words after the program name. Throws UsageError.
Arguments parseArguments(const std::vector<std::string>& words);

// The help of the tool, or of one command when command names one.
std::string helpText(const std::string& command);

}  // namespace tool
