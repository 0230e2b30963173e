// Records the calls of the library's result callback.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct CallbackCall {
    int code;
    std::string data;
    bool nulTerminated;
    std::int64_t user;
};

// Every call of recordCallback() since it was last cleared.
extern std::vector<CallbackCall> callbackCalls;

void recordCallback(int code, const char* data, int length, std::int64_t user);

}  // namespace testsupport
