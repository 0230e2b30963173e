// SPDX-License-Identifier: MIT
// Randomized checks: generated markup, some of it cut, through the tokenizer
// and the plain-text parser, and the entity decoder against a plain model.
// Deterministic (fixed seed) and quick.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>

#include "html/HtmlParser.h"
#include "html/TextParser.h"
#include "html/entities.h"

using namespace Tessel;

namespace {

const std::string Fragments[] = {
    "<", ">", "</", "<!", "<!--", "-->", "--", "-", "<!DOCTYPE html>", "<p>", "</p>", "<br/>",
    "<div>", "</div>", "<H6 x=1>", "<b>", "</b>", "<img src=\"a.png\">", "<img id='7'", "<IMG src=",
    "<imgx src=b id=c>", " src=", " id=", "=", "\"", "'", "<script>", "</script>", "<style>",
    "</style>", "<SCRIPT>", "</ script >", "text", " ", "\t", "\r\n", "\v", "&", "&amp;", "&lt;",
    "&#65;", "&#x41", "&#", "&#x", "&euro;", "&#2097152;", "&#4294967361;", ";", "#", "x",
    "\xC3\xA9", "\xFF", std::string(1, '\0'), "<aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", "1<2",
};

std::mt19937 rng;
std::size_t below(std::size_t n) { return static_cast<std::size_t>(rng() % n); }

// Fragments and random bytes; with cut, a random stretch is removed, which
// may be the tail, so that tags and references end anywhere.
std::string generate(bool cut)
{
    std::string s;
    for (std::size_t i = below(24); i > 0; --i)
        s += below(6) == 0 ? std::string(1, char(below(256))) : Fragments[below(std::size(Fragments))];
    if (cut && !s.empty())
        s.erase(below(s.size()), 1 + below(s.size()));
    return s;
}

// The tokenizer's text, with or without paragraphs. Each image attribute
// must come from a tag of the input, in order, as a stretch after its '<'.
std::string textOf(std::string_view input, bool paragraphs)
{
    struct Parser : HtmlParser {
        std::string_view in;
        const char* lastTag;
        bool paragraphs;
        Parser(std::string_view in, bool paragraphs) : in(in), lastTag(in.data()), paragraphs(paragraphs) {}
        bool wantParagraphs() override { return paragraphs; }
        void onImgSrc(const char* tag, const std::string& value) override { onImgId(tag, value); }
        void onImgId(const char* tag, const std::string& value) override
        {
            ASSERT_TRUE(tag >= lastTag && tag < in.data() + in.size() && *tag == '<');
            lastTag = tag;
            EXPECT_NE(in.substr(std::size_t(tag - in.data())).find(value), std::string_view::npos);
        }
    } parser(input, paragraphs);
    parser.parse(input.data(), input.size());
    return parser.text;
}

// Whether every byte of small appears in big, in order.
bool isSubsequence(const std::string& small, const std::string& big)
{
    std::size_t j = 0;
    for (char c : big)
        j += j < small.size() && small[j] == c;
    return j == small.size();
}

int byte(char c) { return static_cast<unsigned char>(c); }

// The decoder written the plain way, edit by edit, as the model to compare with.
void decodeModel(std::string& s)
{
    for (std::size_t pos = 0; (pos = s.find('&', pos)) != std::string::npos;) {
        std::size_t q = pos + 1;
        std::uint64_t value = 0;
        if (q < s.size() && s[q] == '#') {
            const bool hex = ++q < s.size() && (s[q] == 'x' || s[q] == 'X');
            q += hex;
            for (; q < s.size() && (hex ? std::isxdigit(byte(s[q])) : std::isdigit(byte(s[q]))); ++q) {
                int digit = std::isdigit(byte(s[q])) ? s[q] - '0' : (s[q] | 0x20) - 'a' + 10;
                value = std::min<std::uint64_t>(value * (hex ? 16 : 10) + digit, 0xFFFFFFFFu);
            }
        } else {
            const std::size_t start = q;
            while (q < s.size() && byte(s[q]) < 128 && std::isalnum(byte(s[q])))
                ++q;
            auto it = EntityTable.find(s.substr(start, q - start));
            value = it != EntityTable.end() ? std::uint32_t(it->second) : 0;
        }
        q += q < s.size() && s[q] == ';';
        if (value == 0) {
            pos = q;
            continue;
        }
        char buffer[4] = {char(value)};
        s.replace(pos, q - pos, buffer, value < 128 ? 1 : encodeUtf8(std::uint32_t(value), buffer));
        pos += 1;
    }
}

}  // namespace

TEST(HtmlRandom, ParsersAndDecoderHoldTheirInvariants)
{
    rng.seed(20240611u);
    TextParser textParser;
    for (int round = 0; round < 4000; ++round) {
        const std::string input = generate(round % 2);
        SCOPED_TRACE(testing::PrintToString(input));

        // Without paragraphs the text is made of pieces of the input, in order;
        // with them, at most one prefix and one suffix per '<'.
        ASSERT_TRUE(isSubsequence(textOf(input, false), input));
        const auto tags = std::count(input.begin(), input.end(), '<');
        ASSERT_LE(textOf(input, true).size(), input.size() + tags * (ParagraphPrefixLength + 4));
        // The plain-text parser never grows the input and trims its front.
        textParser.parse(input.data(), input.size());
        const std::string& text = textParser.text;
        ASSERT_LE(text.size(), input.size());
        ASSERT_TRUE(text.empty() || std::string_view(" \t\n\r").find(text[0]) == std::string_view::npos);

        std::string fast = input, model = input;
        decodeEntities(fast);
        decodeModel(model);
        ASSERT_EQ(fast, model);
    }
}

TEST(HtmlRandom, LargeInputsStayLinear)
{
    rng.seed(7u);
    std::string big;
    while (big.size() < 2000000)
        big += Fragments[below(std::size(Fragments))];
    // Comments without "-->" end at their first '>'; the search for a later
    // "-->" must not be repeated over the whole rest for every one.
    std::string comments;
    for (int i = 0; i < 200000; ++i)
        comments += "<!-- c >t";

    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(isSubsequence(textOf(big, false), big));
    TextParser().parse(big.data(), big.size());
    decodeEntities(big);
    EXPECT_EQ(textOf(comments, false), std::string(200000, 't'));
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(), 5.0);
}
