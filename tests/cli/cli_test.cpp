// The tessel tool run as a user runs it: a process with arguments and
// standard input, on the bundled sample data and on bad input.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>

#include "support/common.h"

namespace {

struct Result {
    int status;
    std::string out, err;
};

class CliTest : public ::testing::Test {
protected:
    // Runs the tool with the arguments (already quoted for the shell) and
    // the given standard input; the cache goes to the test's directory.
    Result tool(const std::string& args, const std::string& input = "")
    {
        std::string command = std::string("cd '") + TESSEL_DATA + "/..' && '" + TESSEL_TOOL + "' --cache '" +
                              (dir / "cache") + "' " + args + " < '" + dir.write("stdin", input) + "' > '" +
                              (dir / "out") + "' 2> '" + (dir / "err") + "'";
        int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, TestSupport::readFile(dir / "out"),
                TestSupport::readFile(dir / "err")};
    }
    static bool contains(const std::string& text, const std::string& part)
    {
        return text.find(part) != std::string::npos;
    }

    TestSupport::TempDir dir;
    const std::string sample = std::string(TESSEL_DATA) + "/messages/sample.html";
};

TEST_F(CliTest, TextAndRichTextOfTheSample)
{
    Result text = tool("text '" + sample + "'");
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_TRUE(contains(text.out, "Tom &amp; Jerry"));
    EXPECT_TRUE(contains(text.out, "<img src=\":/Res/FaceMgr/em/1.png\"/>"));
    EXPECT_TRUE(contains(text.out, "<img src=\"data/pictures/sunset.png\"/>"));
    EXPECT_TRUE(contains(text.err, "picture: :/Res/FaceMgr/em/1.png\n"));

    Result only = tool("text --resources-only", "a<img src=\"data/pictures/sunset.png\"><img src=\":/x.png\">");
    ASSERT_EQ(only.status, 0) << only.err;
    EXPECT_EQ(only.out, "a<img src=\":/x.png\"/>\n");
    Result rich = tool("rich -", "<p>x<img src=':/y.png' width=2></p>");
    ASSERT_EQ(rich.status, 0) << rich.err;
    EXPECT_EQ(rich.out, "<p>x<img src=\":/y.png\"/></p>\n");
    EXPECT_TRUE(contains(tool("rich --text", "<p>x</p>").out, "-qt-block-indent:0; text-indent:0px;\">x</p>"));
}

TEST_F(CliTest, BodyRoundTrip)
{
    Result body = tool("body --json --title Chat --sender Ann --date today '" + sample + "'");
    ASSERT_EQ(body.status, 0) << body.err;
    auto json = nlohmann::json::parse(body.out);
    std::string bodyText = json["body"];
    EXPECT_EQ(bodyText.rfind("<body style=", 0), 0u);
    EXPECT_TRUE(contains(bodyText, "<h1 id=\"title\">Chat</h1><span id=\"sender\">Ann</span>"));
    EXPECT_FALSE(contains(bodyText, ":/Res/FaceMgr/em/1.png"));
    ASSERT_GE(json["emoticons"].size(), 2u);
    ASSERT_EQ(json["images"].size(), 2u);  // the sunset picture, used twice
    EXPECT_EQ(json["images"][0][1], "data/pictures/sunset.png");

    std::string bodyFile = dir.write("body.html", bodyText);
    Result html = tool("html '" + bodyFile + "' --images '" + dir.write("body.json", body.out) + "'");
    ASSERT_EQ(html.status, 0) << html.err;
    EXPECT_TRUE(contains(html.out, "<img src=\":/Res/FaceMgr/em/1.png\"/>"));
    EXPECT_TRUE(contains(html.out, "<img src=\"data/pictures/sunset.png\"/>"));
    EXPECT_FALSE(contains(html.out, "title_div"));

    Result paragraph = tool("paragraph '" + bodyFile + "'");
    ASSERT_EQ(paragraph.status, 0) << paragraph.err;
    EXPECT_EQ(paragraph.out.rfind("<p style=", 0), 0u);
    EXPECT_TRUE(contains(paragraph.out, "ChatAnntoday"));
}

TEST_F(CliTest, Catalogue)
{
    Result list = tool("emoticons --json");
    ASSERT_EQ(list.status, 0) << list.err;
    auto json = nlohmann::json::parse(list.out);
    ASSERT_GE(json.size(), 2u);
    EXPECT_EQ(json[0]["index"], 0);
    EXPECT_EQ(json[0]["group"], "classic");
    EXPECT_EQ(json[0]["path"], ":/Res/FaceMgr/em/" + json[0]["id"].get<std::string>() + ".png");
    EXPECT_EQ(json.back()["group"], "other");

    Result one = tool("emoticon '" + json[1]["name"].get<std::string>() + "'");
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(one.out, "<img src=\"" + json[1]["path"].get<std::string>() + "\"/>\n");
}

TEST_F(CliTest, BadInputFailsWithOneLine)
{
    const std::string body = dir.write("body.html", "<body></body>");
    const std::pair<std::string, std::string> cases[] = {
        {"text /nonexistent/message.html", "cannot open '/nonexistent/message.html'"},
        {"frobnicate", "frobnicate"},
        {"text --bogus", "--bogus"},
        {"emoticon 'no such emoticon'", "no emoticon named 'no such emoticon'"},
        {"--catalogue '" + dir.write("broken.dat", "<face>\n<clasic size=\"1\">\n<em id=\"1\">x</clasic>") +
             "' emoticons", "is not well-formed XML: line 3"},
        {"--catalogue /nonexistent/emo.dat emoticons", "cannot be opened"},
        {"html '" + body + "' --images '" + dir.write("bad.json", "{oops") + "'", "not valid JSON"},
        {"html '" + body + "' --images '" + dir.write("odd.json", "[[\"k\"]]") + "'", "not a [key, path] pair"},
    };
    for (const auto& [args, words] : cases) {
        Result run = tool(args);
        EXPECT_NE(run.status, 0) << args;
        EXPECT_TRUE(contains(run.err, words)) << args << ": " << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << args << ": " << run.err;
        EXPECT_TRUE(run.out.empty()) << args << ": " << run.out;
    }
}

}  // namespace
