// SPDX-License-Identifier: MIT
// The commands of the tessel tool.
#pragma once

#include "cli/arguments.h"

namespace tool {

// Runs the command the arguments name and writes its result to standard
// output. Throws Failure for errors to report on one line.
void runCommand(const Arguments& arguments);

}  // namespace tool
