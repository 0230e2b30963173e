// SPDX-License-Identifier: MIT
// What generated chat messages are made of: words, Chinese phrases, emoji,
// texts that HTML escaping changes, tricky texts and colours.
#pragma once

#include "support/random.h"

enum class Vocabulary {
    words,         // 60 English chat words
    chinese,       // 20 Chinese chat phrases
    emoji,         // 10 common emoji, in UTF-8
    escapedTexts,  // 10 texts with "&", "<", ">" or '"', which Qt writes as entities
    // 19 texts that test how a reader keeps what was typed: entities and tags
    // typed as text, accents, Chinese with full-width punctuation, emoji alone
    // and with a skin tone, a no-break space, two spaces, a tab
    trickyTexts,
    colours,  // 6 text colours, "#rrggbb"
};

// One entry of a list, picked with one draw of random, so that a generator's
// sequence of draws does not depend on the lists' contents.
const char* pick(benchsupport::Random& random, Vocabulary list);
