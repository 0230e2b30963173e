// Image keys remembered across messages. Chat messages show the same few
// emoticons again and again; looking a short source up costs a fraction of
// digesting it.
#pragma once

#include <string>

namespace Tessel {

// imageKey(source), taken from a small table of recent short sources when
// it is there. Safe to call from several threads: a thread that finds the
// table in use digests the source itself.
std::string cachedImageKey(const std::string& source);

}  // namespace Tessel
