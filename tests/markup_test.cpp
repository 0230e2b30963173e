// SPDX-License-Identifier: MIT
// Paths and names written into produced markup: Qt reads an image's source
// as a URL after decoding character references, so a file path must come
// back as exactly that path, and nothing a sender puts into a source may
// leave its attribute value.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "base/markup.h"
#include "html/HtmlParser.h"
#include "support/common.h"
#include "tessel/tessel.h"

using namespace Tessel;
using namespace TestSupport;

namespace {

std::string tagOf(const std::string& path)
{
    std::string out;
    appendImageTag(out, path);
    return out;
}

// The same tag written around the path where it stands in a buffer.
std::string tagAround(const std::string& path)
{
    std::vector<char> buffer(ImageTagOpen + path.size() + ImageTagClose, '*');
    std::copy(path.begin(), path.end(), buffer.begin() + ImageTagOpen);
    std::string out = "x";
    appendImageTagAround(out, buffer.data(), path.size());
    return out.substr(1);
}

// The names of the elements (start tags) that an HTML reader finds in markup: quoted
// attribute values are passed over whole, as a browser or Qt passes them.
std::vector<std::string> elements(const std::string& html)
{
    std::vector<std::string> names;
    for (std::size_t at = 0; (at = html.find('<', at)) != std::string::npos;) {
        std::size_t p = at + 1;
        std::size_t nameEnd = p;
        while (nameEnd < html.size() && std::isalnum(static_cast<unsigned char>(html[nameEnd])))
            ++nameEnd;
        if (nameEnd > p)
            names.push_back(html.substr(p, nameEnd - p));
        for (p = nameEnd; p < html.size() && html[p] != '>'; ++p) {
            if (html[p] == '"' || html[p] == '\'')
                p = std::min(html.find(html[p], p + 1), html.size() - 1);
        }
        at = p;
    }
    return names;
}

}  // namespace

TEST(Markup, FilePathsAreWrittenAsQtReadsThemBack)
{
    // The marks of a downloaded picture's name, and those of local names.
    EXPECT_EQ(tagOf("/c/@#$%^&()_[]{}~`.png"), "<img src=\"/c/@%23$%25^&amp;()_[]{}~`.png\"/>");
    EXPECT_EQ(tagOf("/c/a%41?b<c>\"d\".jpg"), "<img src=\"/c/a%2541%3Fb&lt;c&gt;&quot;d&quot;.jpg\"/>");
    EXPECT_EQ(tagOf("/c/a&amp;b.png"), "<img src=\"/c/a&amp;amp;b.png\"/>");
    EXPECT_EQ(tagOf("C:\\pics\\x #1.png"), "<img src=\"C:\\pics\\x %231.png\"/>");
    EXPECT_EQ(tagOf("/plain/path.png"), "<img src=\"/plain/path.png\"/>");
    EXPECT_EQ(tagOf(""), "<img src=\"\"/>");

    // A resource is the sender's attribute value: only its '"' changes.
    EXPECT_EQ(tagOf(":/Res/a%41#&amp;.png"), "<img src=\":/Res/a%41#&amp;.png\"/>");
    EXPECT_EQ(tagOf(":/x\"/><a href=\"y\">"), "<img src=\":/x&quot;/><a href=&quot;y&quot;>\"/>");

    // Every mark, and its neighbours that are not escaped, at every place of
    // paths of every length around the 16 bytes searched at a time: the
    // writer agrees with the test's own, one byte at a time.
    for (std::size_t length = 1; length <= 40; ++length)
        for (std::size_t at = 0; at < length; ++at)
            for (char mark : std::string("!\"#$%&'<=>?@;")) {
                std::string path(length, 'a');
                path[at] = mark;
                ASSERT_EQ(tagOf("/" + path), imageTag("/" + path)) << path;
                ASSERT_EQ(tagOf(":/" + path), imageTag(":/" + path)) << path;
            }

    std::string out = "<";
    appendQuotedValue(out, "say \"hi\" & go");
    EXPECT_EQ(out, "<say &quot;hi&quot; & go");
}

TEST(Markup, EveryMarkIsEscapedWhereverItStands)
{
    // Paths shorter and longer than the blocks they are searched in, each
    // with one mark at every position, against the byte-by-byte rule.
    auto escapedByRule = [](const std::string& path) {
        const bool resource = path.compare(0, 2, ":/") == 0;
        std::string written;
        for (char c : path) {
            const char* replacement = c == '"'   ? "&quot;"
                                      : resource ? nullptr
                                      : c == '%' ? "%25"
                                      : c == '#' ? "%23"
                                      : c == '?' ? "%3F"
                                      : c == '&' ? "&amp;"
                                      : c == '<' ? "&lt;"
                                      : c == '>' ? "&gt;"
                                                 : nullptr;
            written += replacement ? std::string(replacement) : std::string(1, c);
        }
        return "<img src=\"" + written + "\"/>";
    };
    for (const std::string start : {"/", ":/"}) {
        for (std::size_t length = start.size(); length <= 40; ++length) {
            const std::string plain = start + std::string(length - start.size(), 'a');
            ASSERT_EQ(tagOf(plain), escapedByRule(plain));
            ASSERT_EQ(tagAround(plain), escapedByRule(plain));
            for (std::size_t at = start.size(); at < length; ++at) {
                for (char mark : {'"', '%', '#', '?', '&', '<', '>', '$', '\xA2'}) {
                    std::string path = plain;
                    path[at] = mark;
                    ASSERT_EQ(tagOf(path), escapedByRule(path)) << path;
                    ASSERT_EQ(tagAround(path), escapedByRule(path)) << path;
                }
            }
        }
    }
}

class Injection : public ::testing::Test {
protected:
    static void SetUpTestSuite() { initWithSampleCatalogue(""); }
    void SetUp() override { callbackCalls.clear(); }

    TempDir dir;
};

TEST_F(Injection, ASourceCannotLeaveItsAttribute)
{
    const std::string hostile = "<p>see <img src=':/x\"/><a href=\"http://evil.example/\">click</a>'/></p>";
    const std::vector<std::string> shown = {"p", "img"};

    ASSERT_TRUE(ParseHtml(hostile, recordCallback, 1, false));
    ASSERT_FALSE(callbackCalls.empty());
    EXPECT_EQ(elements(callbackCalls.back().data), shown) << callbackCalls.back().data;
    // The client is told the path itself.
    EXPECT_EQ(callbackCalls.front().data, ":/x\"/><a href=\"http://evil.example/\">click</a>");

    std::string out, text;
    ASSERT_TRUE(ParseHtml2(out, hostile, nullptr, 0));
    GetText(text);
    EXPECT_EQ(elements(text), shown) << text;
    EXPECT_EQ(elements(out), shown) << out;

    // A body whose image list names a path that carries markup, and, where
    // file names may hold '"', '<' and '>' (not on Windows), a local file so
    // named.
    const std::string path = dir.path() + "/x\"><a href=\"e\">y.png";
    std::string html;
    ASSERT_TRUE(HtmlFromBody(html, "<body><img id=\"k\"/></body>", {{"k", path}}));
    EXPECT_EQ(elements(html), (std::vector<std::string>{"body", "img"})) << html;
#if !defined(_WIN32)
    const std::string file = dir.write("x\"><a href=\"e\">y.png", "png");
    callbackCalls.clear();
    ASSERT_TRUE(ParseHtml("<p><img src='" + file + "'></p>", recordCallback, 1, false));
    EXPECT_EQ(elements(callbackCalls.back().data), shown) << callbackCalls.back().data;
    EXPECT_EQ(callbackCalls.front().data, file);
#endif
}
