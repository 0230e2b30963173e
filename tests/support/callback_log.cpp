#include "support/callback_log.h"

namespace testsupport {

std::vector<CallbackCall> callbackCalls;

void recordCallback(int code, const char* data, int length, std::int64_t user)
{
    callbackCalls.push_back({code, std::string(data, length), data[length] == '\0', user});
}

}  // namespace testsupport
