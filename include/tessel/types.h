// The types that cross Tessel's interface besides strings: the result
// callback and the lists of string pairs.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace Tessel {

// code 1: finished text of ParseHtml; code 2: a local picture path.
// data points at length bytes followed by a NUL, valid during the call only.
typedef void (*ParseCallback)(int code, const char* data, int length, std::int64_t user);

typedef std::vector<std::pair<std::string, std::string>> StringPairList;

}  // namespace Tessel
