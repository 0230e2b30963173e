// SPDX-License-Identifier: MIT
#include "corpus/text_corpus.h"

#include <cstdint>

#include "corpus/vocabulary.h"

namespace {

template <typename T, int N>
constexpr int countOf(T (&)[N])
{
    return N;
}

// Typed text that escaping changes: apostrophes, quotes and the three
// characters of markup.
const char* const Marked[] = {"I'm",         "don't",   "it's",   "can't",    "that's",      "let's",
                              "we'll",       "you're",  "\"ok\"", "\"done\"", "Tom & Jerry", "R&D",
                              "Q&A",         "<3",      ">_<",    "a < b",    "x > 0",       "->",
                              "if (a && b)", "<draft>", "5 > 3"};

const char* const Punctuation[] = {"!", "?", ".", "...", ":)", ":-(", ";)", ","};

const std::uint32_t Emoji[] = {0x1F600, 0x1F602, 0x1F44D, 0x1F389, 0x1F64F,
                               0x2764,  0x1F605, 0x1F525, 0x1F440, 0x2705};

std::string utf8(std::uint32_t c)
{
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

std::string hex(std::uint32_t value)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    do {
        out.insert(out.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value);
    return out;
}

// Typed text escaped the way web chat clients escape it.
std::string escaped(const std::string& typed)
{
    std::string out;
    for (char c : typed) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// An emoji as such a client sends it: half of them as hexadecimal
// references, a fifth as decimal ones, the rest as UTF-8.
std::string emoji(benchsupport::Random& random)
{
    const std::uint32_t c = Emoji[random.below(countOf(Emoji))];
    const int form = random.below(10);
    if (form < 5)
        return "&#x" + hex(c) + ";";
    if (form < 7)
        return "&#" + std::to_string(c) + ";";
    return utf8(c);
}

std::string token(benchsupport::Random& random)
{
    const int kind = random.below(100);
    if (kind < 62)
        return pick(random, Vocabulary::words);
    if (kind < 76)
        return escaped(Marked[random.below(countOf(Marked))]);
    if (kind < 84)
        return pick(random, Vocabulary::chinese);
    if (kind < 92)
        return Punctuation[random.below(countOf(Punctuation))];
    return emoji(random);
}

const char* const DenseNamed[] = {"&amp;", "&lt;", "&gt;", "&quot;", "&nbsp;"};
const char* const DenseOther[] = {"&eacute;", "&copy;",  "&hellip;", "&euro;",
                                  "&mdash;",  "&rsquo;", "&times;",  "&Omega;"};
const char* const DenseNumeric[] = {"&#39;",  "&#8217;",  "&#20320;",  "&#128512;",
                                    "&#x27;", "&#x597D;", "&#x1F600;", "&#xE9;"};
const char* const DenseOdd[] = {"&foo;", "&nbspx;", "AT&T", "&amp", "&lt", "& ", "&#;"};

}  // namespace

std::string shortMessage(benchsupport::Random& random)
{
    constexpr std::size_t Shortest = 10;
    constexpr std::size_t Longest = 200;
    const int kind = random.below(100);
    const std::size_t target = static_cast<std::size_t>(kind < 50   ? random.between(10, 50)
                                                        : kind < 85 ? random.between(50, 100)
                                                                    : random.between(100, 200));
    std::string message;
    for (;;) {
        std::string piece = message.empty() ? "" : random.percent(8) ? "\n" : " ";
        piece += token(random);
        if (message.size() + piece.size() > Longest) {
            if (message.size() >= Shortest)
                break;
            continue;
        }
        message += piece;
        if (message.size() >= target && message.size() >= Shortest)
            break;
    }
    return message;
}

std::string entityDenseText(benchsupport::Random& random, std::size_t bytes)
{
    std::string text;
    while (text.size() < bytes) {
        const int letters = random.between(1, 3);
        for (int i = 0; i < letters; ++i)
            text += static_cast<char>('a' + random.below(26));
        text += ' ';
        const int kind = random.below(100);
        if (kind < 45)
            text += DenseNamed[random.below(countOf(DenseNamed))];
        else if (kind < 60)
            text += DenseOther[random.below(countOf(DenseOther))];
        else if (kind < 90)
            text += DenseNumeric[random.below(countOf(DenseNumeric))];
        else
            text += DenseOdd[random.below(countOf(DenseOdd))];
    }
    return text;
}
