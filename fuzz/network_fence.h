// SPDX-License-Identifier: MIT
// The download target's guard against reaching the network (see
// network_fence.cpp): in this program, only connections to port 80 of one
// IPv4 address succeed, and host names are never looked up.
#pragma once

namespace fuzzing {

// Sets the one address that connections may reach; false when address is
// not dotted IPv4 text.
bool allowOnly(const char* address);

}  // namespace fuzzing
