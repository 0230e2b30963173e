// SPDX-License-Identifier: MIT
// Messages without markup, as clients other than the Qt one send them: what a
// person typed, HTML-escaped, and text thick with character references.
#pragma once

#include <cstddef>
#include <string>

#include "support/random.h"

// A short chat message of 10 to 200 bytes, most of them under 80: words,
// apostrophes and quotes, now and then "&", "<" or ">", emoji and Chinese,
// escaped as a chat client escapes typed text: "&amp;", "&lt;", "&gt;",
// "&quot;", the apostrophe as "&#39;", and some emoji as numeric references
// ("&#x1F600;", "&#128077;").
std::string shortMessage(benchsupport::Random& random);

// About `bytes` bytes of text with a character reference every 8 bytes or so:
// named ones (mostly "&amp;", "&lt;", "&gt;", "&quot;", "&nbsp;"), decimal and
// hexadecimal ones, names that are not in the table and a bare "&" now and then.
std::string entityDenseText(benchsupport::Random& random, std::size_t bytes);
