// Randomized robustness checks: generated and mutated markup through the
// tokenizer, the plain-text parser and the entity decoder. Deterministic
// (fixed seed) and quick.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "html/HtmlParser.h"
#include "html/TextParser.h"
#include "html/entities.h"

using namespace Tessel;

namespace {

const std::string Fragments[] = {
    "<", ">", "</", "<!", "<!--", "-->", "--", "-", "<!DOCTYPE html>", "<p>", "</p>", "<br/>",
    "<div>", "</div>", "<h1>", "<H6 x=1>", "<b>", "</b>", "<img src=\"a.png\">", "<img id='7'",
    "<IMG src=", "<imgx src=b id=c>", " src=", " id=", "=", "\"", "'", "<script>", "</script>",
    "<style>", "</style>", "<SCRIPT>", "</ script >", "text", " ", "\t", "\r\n", "\v", "&", "&amp;",
    "&lt;", "&#65;", "&#x41", "&#", "&#x", "&euro;", "&#2097152;", "&#99999999999;", ";", "#",
    "x", "\xC3\xA9", "\xFF", std::string(1, '\0'), "<aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
    "<p>", "1<2", "a < b", "<!-->", "<!--->",
};

class Rng {
public:
    explicit Rng(std::uint32_t seed) : engine_(seed) {}
    std::size_t below(std::size_t n) { return static_cast<std::size_t>(engine_() % n); }

private:
    std::mt19937 engine_;
};

std::string generate(Rng& rng)
{
    std::string s;
    const std::size_t pieces = rng.below(24);
    for (std::size_t i = 0; i < pieces; ++i) {
        if (rng.below(6) == 0)
            s += static_cast<char>(rng.below(256));
        else
            s += Fragments[rng.below(std::size(Fragments))];
    }
    return s;
}

std::string mutate(Rng& rng, std::string s)
{
    const std::size_t edits = 1 + rng.below(4);
    for (std::size_t i = 0; i < edits && !s.empty(); ++i) {
        const std::size_t at = rng.below(s.size());
        switch (rng.below(4)) {
        case 0: s.resize(at); break;                                   // truncate
        case 1: s[at] = static_cast<char>(rng.below(256)); break;      // flip a byte
        case 2: s.insert(at, 1, "<>\"'=&!-/"[rng.below(9)]); break;    // insert punctuation
        default: s.erase(at, 1 + rng.below(3)); break;                 // delete a few bytes
        }
    }
    return s;
}

// Checks every handler call against the input it came from.
class Checker : public HtmlParser {
public:
    explicit Checker(bool paragraphs) : paragraphs_(paragraphs) {}

    void check(const std::string& input)
    {
        data_ = input.data();
        size_ = input.size();
        lastTag_ = data_;
        text.clear();
        parse(input.data(), input.size());
    }

    void onImgSrc(const char* tagStart, const std::string& value) override { seen(tagStart, value); }
    void onImgId(const char* tagStart, const std::string& value) override { seen(tagStart, value); }
    bool wantParagraphs() override
    {
        ++prefixes;
        return paragraphs_;
    }

    int prefixes = 0;

private:
    void seen(const char* tagStart, const std::string& value)
    {
        ASSERT_GE(tagStart, data_);
        ASSERT_LT(tagStart, data_ + size_);
        EXPECT_EQ(*tagStart, '<');
        EXPECT_GE(tagStart, lastTag_) << "tags are reported in document order";
        lastTag_ = tagStart;
        // The value is a verbatim piece of the tag's tail.
        const std::string_view rest(tagStart, static_cast<std::size_t>(data_ + size_ - tagStart));
        EXPECT_NE(rest.find(value), std::string_view::npos);
    }

    bool paragraphs_;
    const char* data_ = nullptr;
    std::size_t size_ = 0;
    const char* lastTag_ = nullptr;
};

// Whether every byte of small appears in big, in order.
bool isSubsequence(const std::string& small, const std::string& big)
{
    std::size_t j = 0;
    for (char c : big)
        if (j < small.size() && small[j] == c)
            ++j;
    return j == small.size();
}

// The decoder written the plain way, edit by edit, as the model to compare with.
void decodeModel(std::string& s)
{
    std::size_t pos = 0;
    while ((pos = s.find('&', pos)) != std::string::npos) {
        std::size_t q = pos + 1;
        std::uint64_t value = 0;
        auto digit = [&](char c, int base) -> int {
            if (c >= '0' && c <= '9')
                return c - '0';
            if (base == 16 && c >= 'a' && c <= 'f')
                return c - 'a' + 10;
            if (base == 16 && c >= 'A' && c <= 'F')
                return c - 'A' + 10;
            return -1;
        };
        if (q < s.size() && s[q] == '#') {
            int base = 10;
            if (++q < s.size() && (s[q] == 'x' || s[q] == 'X')) {
                base = 16;
                ++q;
            }
            for (int d; q < s.size() && (d = digit(s[q], base)) >= 0; ++q)
                value = std::min<std::uint64_t>(value * static_cast<unsigned>(base) + static_cast<unsigned>(d), 0xFFFFFFFFu);
        } else {
            std::size_t start = q;
            while (q < s.size() && std::isalnum(static_cast<unsigned char>(s[q])) &&
                   static_cast<unsigned char>(s[q]) < 128)
                ++q;
            auto it = EntityTable.find(s.substr(start, q - start));
            if (it != EntityTable.end())
                value = static_cast<std::uint32_t>(it->second);
        }
        if (q < s.size() && s[q] == ';')
            ++q;
        if (value == 0) {
            pos = q;
            continue;
        }
        std::string replacement;
        if (value < 128) {
            replacement = std::string(1, static_cast<char>(value));
        } else {
            char buffer[4];
            replacement.assign(buffer, static_cast<std::size_t>(encodeUtf8(static_cast<std::uint32_t>(value), buffer)));
        }
        s.replace(pos, q - pos, replacement);
        pos += 1;
    }
}

std::size_t count(const std::string& s, char c)
{
    return static_cast<std::size_t>(std::count(s.begin(), s.end(), c));
}

}  // namespace

TEST(HtmlRandom, ParsersAndDecoderHoldTheirInvariants)
{
    const auto started = std::chrono::steady_clock::now();
    Rng rng(20240611u);
    Checker plain(false);
    Checker rich(true);
    TextParser textParser;
    std::string previous;

    for (int round = 0; round < 4000; ++round) {
        const std::string input = round % 2 ? mutate(rng, previous) : generate(rng);
        previous = input.empty() ? generate(rng) : input;
        SCOPED_TRACE(testing::PrintToString(input));

        // Without paragraphs the text is made of pieces of the input, in order.
        plain.check(input);
        ASSERT_LE(plain.text.size(), input.size());
        ASSERT_TRUE(isSubsequence(plain.text, input));

        // With paragraphs at most one prefix and one suffix per '<'.
        rich.prefixes = 0;
        rich.check(input);
        ASSERT_LE(rich.text.size(), input.size() + count(input, '<') * (ParagraphPrefixLength + 4));

        textParser.parse(input.data(), input.size());
        ASSERT_LE(textParser.text.size(), input.size());
        if (!textParser.text.empty()) {
            ASSERT_EQ(std::string(" \t\n\r").find(textParser.text[0]), std::string::npos);
        }

        std::string fast = input;
        std::string model = input;
        decodeEntities(fast);
        decodeModel(model);
        ASSERT_EQ(fast, model);
        ASSERT_LE(fast.size(), input.size());
    }

    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_LT(seconds, 5.0);
}

TEST(HtmlRandom, LargeInputsStayLinear)
{
    Rng rng(7u);
    std::string big;
    while (big.size() < 2000000)
        big += Fragments[rng.below(std::size(Fragments))];
    big += "<p>end";

    const auto started = std::chrono::steady_clock::now();
    Checker plain(false);
    plain.check(big);
    TextParser textParser;
    textParser.parse(big.data(), big.size());
    std::string decoded = big;
    decodeEntities(decoded);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_LT(seconds, 3.0);
    EXPECT_TRUE(isSubsequence(plain.text, big));
}

TEST(HtmlRandom, ManyUnclosedCommentsStayLinear)
{
    // Each comment lacks "-->", so it ends at its first '>'; the search for a
    // later "-->" must not be repeated over the whole rest for every one.
    std::string input;
    for (int i = 0; i < 200000; ++i)
        input += "<!-- c >t";
    const auto started = std::chrono::steady_clock::now();
    Checker plain(false);
    plain.check(input);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_LT(seconds, 2.0);
    EXPECT_EQ(plain.text, std::string(200000, 't'));
}
