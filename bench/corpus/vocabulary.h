// The words and Chinese phrases that generated chat messages are made of.
#pragma once

#include "support/random.h"

// One of 60 English chat words, picked with one draw of random.
const char* randomWord(benchsupport::Random& random);

// One of 20 Chinese chat phrases, picked with one draw of random.
const char* randomChinese(benchsupport::Random& random);
