// The tessel tool run as a user runs it: a process with arguments and
// standard input, on the bundled sample data and on bad input.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

struct Result {
    int status;
    std::string out, err;
};

class CliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() /
              ("tessel-cli-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string write(const std::string& name, const std::string& content)
    {
        std::ofstream(dir / name, std::ios::binary) << content;
        return (dir / name).string();
    }
    static std::string slurp(const fs::path& file)
    {
        std::ifstream in(file, std::ios::binary);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }
    // Runs the tool with the arguments (already quoted for the shell) and
    // the given standard input; the cache goes to the test's directory.
    Result tool(const std::string& args, const std::string& input = "")
    {
        std::string in = write("stdin", input);
        std::string command = std::string("cd '") + TESSEL_DATA + "/..' && '" + TESSEL_TOOL +
                              "' --cache '" + (dir / "cache").string() + "' " + args + " < '" + in +
                              "' > '" + (dir / "out").string() + "' 2> '" + (dir / "err").string() + "'";
        int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(dir / "out"), slurp(dir / "err")};
    }

    fs::path dir;
    const std::string sample = std::string(TESSEL_DATA) + "/messages/sample.html";
};

TEST_F(CliTest, TextAndRichTextOfTheSample)
{
    Result text = tool("text '" + sample + "'");
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("Tom &amp; Jerry"), std::string::npos);
    EXPECT_NE(text.out.find("<img src=\":/Res/FaceMgr/em/1.png\"/>"), std::string::npos);
    EXPECT_NE(text.out.find("<img src=\"data/pictures/sunset.png\"/>"), std::string::npos);
    EXPECT_NE(text.err.find("picture: :/Res/FaceMgr/em/1.png\n"), std::string::npos);

    Result only = tool("text --resources-only", "a<img src=\"data/pictures/sunset.png\"><img src=\":/x.png\">");
    ASSERT_EQ(only.status, 0) << only.err;
    EXPECT_EQ(only.out, "a<img src=\":/x.png\"/>\n");

    Result rich = tool("rich -", "<p>x<img src=':/y.png' width=2></p>");
    ASSERT_EQ(rich.status, 0) << rich.err;
    EXPECT_EQ(rich.out, "<p>x<img src=\":/y.png\"/></p>\n");
    Result richText = tool("rich --text", "<p>x</p>");
    EXPECT_NE(richText.out.find("-qt-block-indent:0; text-indent:0px;\">x</p>"), std::string::npos);
}

TEST_F(CliTest, BodyRoundTrip)
{
    Result body = tool("body --json --title Chat --sender Ann --date today '" + sample + "'");
    ASSERT_EQ(body.status, 0) << body.err;
    auto json = nlohmann::json::parse(body.out);
    std::string bodyText = json["body"];
    EXPECT_EQ(bodyText.rfind("<body style=", 0), 0u);
    EXPECT_NE(bodyText.find("<h1 id=\"title\">Chat</h1><span id=\"sender\">Ann</span>"), std::string::npos);
    EXPECT_EQ(bodyText.find(":/Res/FaceMgr/em/1.png"), std::string::npos);
    ASSERT_GE(json["emoticons"].size(), 2u);
    ASSERT_EQ(json["images"].size(), 2u);  // the sunset picture, used twice
    EXPECT_EQ(json["images"][0][1], "data/pictures/sunset.png");

    std::string bodyFile = write("body.html", bodyText);
    std::string listFile = write("body.json", body.out);
    Result html = tool("html '" + bodyFile + "' --images '" + listFile + "'");
    ASSERT_EQ(html.status, 0) << html.err;
    EXPECT_NE(html.out.find("<img src=\":/Res/FaceMgr/em/1.png\"/>"), std::string::npos);
    EXPECT_NE(html.out.find("<img src=\"data/pictures/sunset.png\"/>"), std::string::npos);
    EXPECT_EQ(html.out.find("title_div"), std::string::npos);

    Result paragraph = tool("paragraph '" + bodyFile + "'");
    ASSERT_EQ(paragraph.status, 0) << paragraph.err;
    EXPECT_EQ(paragraph.out.rfind("<p style=", 0), 0u);
    EXPECT_NE(paragraph.out.find("ChatAnntoday"), std::string::npos);
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

    std::string name = json[1]["name"];
    Result one = tool("emoticon '" + name + "'");
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(one.out, "<img src=\"" + json[1]["path"].get<std::string>() + "\"/>\n");
}

TEST_F(CliTest, BadInputFailsWithOneLine)
{
    auto expectError = [](const Result& run, const std::string& words) {
        EXPECT_NE(run.status, 0);
        EXPECT_NE(run.err.find(words), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
    };
    expectError(tool("text /nonexistent/message.html"), "cannot open '/nonexistent/message.html'");
    expectError(tool("frobnicate"), "frobnicate");
    expectError(tool("text --bogus"), "--bogus");
    expectError(tool("emoticon 'no such emoticon'"), "no emoticon named 'no such emoticon'");

    std::string broken = write("broken.dat", "<face>\n<clasic size=\"1\">\n<em id=\"1\">x</clasic>");
    Result run = tool("--catalogue '" + broken + "' emoticons");
    expectError(run, "is not well-formed XML: line 3");
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
    expectError(tool("--catalogue /nonexistent/emo.dat emoticons"), "cannot be opened");

    std::string body = write("body.html", "<body></body>");
    expectError(tool("html '" + body + "' --images '" + write("bad.json", "{oops") + "'"), "not valid JSON");
    expectError(tool("html '" + body + "' --images '" + write("odd.json", "[[\"k\"]]") + "'"),
                "not a [key, path] pair");
}

}  // namespace
