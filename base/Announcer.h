// SPDX-License-Identifier: MIT
// The client's result callback together with the user value of the call it
// belongs to. Each conversion carries its own, so that calls on several
// threads never hand one another's value to the client.
#pragma once

#include <cstdint>
#include <string_view>

#include "tessel/types.h"

namespace Tessel {

struct Announcer {
    ParseCallback callback = nullptr;  // null: nothing is announced
    std::int64_t user = 0;

    // Code 1: the finished text of a conversion.
    void text(std::string_view text) const { call(1, text); }
    // Code 2: a local picture path that the output points at. The bytes
    // must be followed by a NUL, which the client may rely on.
    void picture(std::string_view path) const { call(2, path); }

private:
    void call(int code, std::string_view data) const
    {
        if (callback)
            callback(code, data.data(), static_cast<int>(data.size()), user);
    }
};

}  // namespace Tessel
