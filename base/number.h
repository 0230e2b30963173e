// SPDX-License-Identifier: MIT
// Decimal numbers read the way atoi reads them, without its undefined
// behaviour on overflow.
#pragma once

#include <string_view>

namespace Tessel {

// Leading white space, an optional sign, then decimal digits up to the first
// other byte; 0 when there are no digits. Values beyond int saturate.
int readNumber(const char* text);

// The same for text that need not end with a NUL: the end of text stops the
// reading as a NUL would.
int readNumber(std::string_view text);

}  // namespace Tessel
