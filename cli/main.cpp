// SPDX-License-Identifier: MIT
// tessel: converts chat messages with the Tessel library from the command line.
// Exit status: 0 on success, 1 when the work fails, 2 on a usage error; every
// error is one line on standard error.
#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/io.h"
#include "cli/system.h"
#include "tessel/version.h"

namespace {

void report(const std::string& message)
{
    std::string line = "tessel: " + message + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

int run(const tool::Arguments& arguments)
{
    if (arguments.help)
        tool::writeOutput(tool::helpText(arguments.command));
    else if (arguments.version)
        tool::writeOutput("tessel " TESSEL_VERSION_STRING "\n");
    else
        tool::runCommand(arguments);
    tool::finishOutput();
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (tool::openMissingStandardStreams())
        tool::setOutputClosed();
    tool::Arguments arguments;
    try {
        arguments = tool::parseArguments(tool::commandLine(argc, argv));
    } catch (const tool::UsageError& e) {
        std::string help = e.command.empty() ? "tessel --help" : "tessel " + e.command + " --help";
        report(std::string(e.what()) + " (see '" + help + "')");
        return 2;
    }
    try {
        return run(arguments);
    } catch (const tool::Failure& e) {
        report(e.what());
    } catch (const std::bad_alloc&) {
        report("out of memory");
    } catch (const std::exception& e) {
        report(e.what());
    }
    return 1;
}
