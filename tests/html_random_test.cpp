// Randomized robustness checks: generated and mutated markup through the
// tokenizer, the plain-text parser and the entity decoder. Deterministic
// (fixed seed) and quick.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstring>
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
    "<div>", "</div>", "<h1>", "<H6 x=1>", "<b>", "</b>", "<img src=\"a.png\">", "<img id='7'",
    "<IMG src=", "<imgx src=b id=c>", " src=", " id=", "=", "\"", "'", "<script>", "</script>",
    "<style>", "</style>", "<SCRIPT>", "</ script >", "text", " ", "\t", "\r\n", "\v", "&", "&amp;",
    "&lt;", "&#65;", "&#x41", "&#", "&#x", "&euro;", "&#2097152;", "&#99999999999;", ";", "#",
    "x", "\xC3\xA9", "\xFF", std::string(1, '\0'), "<aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
    "1<2", "a < b", "<!-->", "<!--->",
};

std::mt19937 rng;
std::size_t below(std::size_t n) { return static_cast<std::size_t>(rng() % n); }

std::string generate()
{
    std::string s;
    for (std::size_t i = below(24); i > 0; --i)
        s += below(6) == 0 ? std::string(1, char(below(256))) : Fragments[below(std::size(Fragments))];
    return s;
}

// Truncates, flips, inserts or deletes a few bytes.
std::string mutate(std::string s)
{
    for (std::size_t i = 1 + below(4); i > 0 && !s.empty(); --i) {
        const std::size_t at = below(s.size());
        switch (below(4)) {
        case 0: s.resize(at); break;
        case 1: s[at] = static_cast<char>(below(256)); break;
        case 2: s.insert(at, 1, "<>\"'=&!-/"[below(9)]); break;
        default: s.erase(at, 1 + below(3)); break;
        }
    }
    return s;
}

// Checks every handler call against the input it came from: a tag start
// inside it, in document order, and a value copied from the tag's tail.
class Checker : public HtmlParser {
public:
    explicit Checker(bool paragraphs) : paragraphs(paragraphs) {}
    void check(const std::string& input)
    {
        data = lastTag = input.data();
        size = input.size();
        text.clear();
        parse(input.data(), input.size());
    }
    void onImgSrc(const char* tag, const std::string& value) override { seen(tag, value); }
    void onImgId(const char* tag, const std::string& value) override { seen(tag, value); }
    bool wantParagraphs() override { return paragraphs; }

private:
    void seen(const char* tag, const std::string& value)
    {
        ASSERT_TRUE(tag >= lastTag && tag < data + size && *tag == '<');
        lastTag = tag;
        EXPECT_NE(std::string_view(tag, std::size_t(data + size - tag)).find(value), std::string_view::npos);
    }
    bool paragraphs;
    const char* data = nullptr;
    const char* lastTag = nullptr;
    std::size_t size = 0;
};

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

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TEST(HtmlRandom, ParsersAndDecoderHoldTheirInvariants)
{
    rng.seed(20240611u);
    Checker plain(false), rich(true);
    TextParser textParser;
    std::string previous;
    for (int round = 0; round < 4000; ++round) {
        const std::string input = round % 2 ? mutate(previous) : generate();
        previous = input.empty() ? generate() : input;
        SCOPED_TRACE(testing::PrintToString(input));

        // Without paragraphs the text is made of pieces of the input, in order;
        // with them, at most one prefix and one suffix per '<'.
        plain.check(input);
        ASSERT_TRUE(isSubsequence(plain.text, input));
        rich.check(input);
        const auto tags = std::count(input.begin(), input.end(), '<');
        ASSERT_LE(rich.text.size(), input.size() + tags * (ParagraphPrefixLength + 4));

        textParser.parse(input.data(), input.size());
        ASSERT_LE(textParser.text.size(), input.size());
        const std::string& text = textParser.text;
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
    Checker plain(false);
    plain.check(big);
    EXPECT_TRUE(isSubsequence(plain.text, big));
    TextParser textParser;
    textParser.parse(big.data(), big.size());
    decodeEntities(big);
    plain.check(comments);
    EXPECT_EQ(plain.text, std::string(200000, 't'));
    EXPECT_LT(secondsSince(started), 5.0);
}
