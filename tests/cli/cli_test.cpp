// SPDX-License-Identifier: MIT
// The tessel tool run as a user runs it: a process with arguments, standard
// input and output, on the bundled sample data and on bad input.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "support/common.h"
#include "support/http_server.h"
#include "tessel/version.h"

namespace {

namespace fs = std::filesystem;

struct Result {
    int status;  // exit status; -1 when killed by a signal
    std::string out, err;
};

std::string shellWord(const std::string& word)
{
    return "'" + word + "'";
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class CliTest : public ::testing::Test {
protected:
    // Runs a shell line; its standard error is captured, and its standard
    // output too unless the line redirects it itself.
    Result execute(const std::string& line, bool captureOut = true)
    {
        std::string command =
            line + (captureOut ? " > " + shellWord(dir / "out") : "") + " 2> " + shellWord(dir / "err");
        int status = std::system(command.c_str());
        Result result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, "", TestSupport::readFile(dir / "err")};
        if (captureOut)
            result.out = TestSupport::readFile(dir / "out");
        return result;
    }
    // The tool run from the repository's top (where the sample message's
    // relative picture paths point), with the cache in the test's directory.
    std::string toolLine(const std::string& args, const std::string& input = "")
    {
        return "cd " + shellWord(std::string(TESSEL_DATA) + "/..") + " && " + shellWord(TESSEL_TOOL) +
               " --cache " + shellWord(dir / "cache") + " " + args + " < " +
               shellWord(dir.write("stdin", input));
    }
    Result tool(const std::string& args, const std::string& input = "")
    {
        return execute(toolLine(args, input));
    }

    // A failure: the exit status, nothing on standard output and exactly
    // the one line expected on standard error.
    void expectError(const Result& run, int status, const std::string& message, const std::string& args)
    {
        EXPECT_EQ(run.status, status) << args << ": " << run.err;
        EXPECT_EQ(run.err, "tessel: " + message + "\n") << args;
        EXPECT_EQ(run.out, "") << args;
    }

    TestSupport::TempDir dir;
    const std::string sample = std::string(TESSEL_DATA) + "/messages/sample.html";
};

TEST_F(CliTest, RichTextAndRewrittenMessage)
{
    Result rich = tool("rich " + shellWord(sample));
    ASSERT_EQ(rich.status, 0) << rich.err;
    EXPECT_TRUE(contains(rich.out, "Tom &amp; Jerry"));
    EXPECT_TRUE(contains(rich.out, "<img src=\":/Res/FaceMgr/em/1.png\"/>"));
    EXPECT_TRUE(contains(rich.out, "<img src=\"data/pictures/sunset.png\"/>"));
    EXPECT_TRUE(contains(rich.err, "picture: :/Res/FaceMgr/em/1.png\n"));

    const std::string pictures = "<p><img src=':/a.png'>b<img src='data/pictures/sunset.png'></p>";
    Result loud = tool("rich", pictures);
    EXPECT_EQ(loud.err, "picture: :/a.png\npicture: data/pictures/sunset.png\n");
    Result quiet = tool("rich --quiet", pictures);
    ASSERT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_EQ(quiet.out, loud.out);
    EXPECT_EQ(quiet.err, "");
    EXPECT_EQ(tool("-q rewrite", pictures).err, "");

    Result only =
        tool("rich --resources-only", "a<img src=\"data/pictures/sunset.png\"><img src=\":/x.png\">");
    ASSERT_EQ(only.status, 0) << only.err;
    EXPECT_EQ(only.out, "a<img src=\":/x.png\"/>\n");

    // rich prints Qt's paragraphs; rewrite keeps the message's own markup.
    const std::string message = "<p>x<img src=':/y.png' width=2></p>";
    Result rewritten = tool("rewrite -", message);
    ASSERT_EQ(rewritten.status, 0) << rewritten.err;
    EXPECT_EQ(rewritten.out, "<p>x<img src=\":/y.png\"/></p>\n");
    EXPECT_EQ(rewritten.err, "picture: :/y.png\n");
    Result richText = tool("rich", message);
    EXPECT_TRUE(contains(richText.out, "-qt-block-indent:0; text-indent:0px;\">x<img src=\":/y.png\"/></p>"))
        << richText.out;
}

TEST_F(CliTest, BodyRoundTrip)
{
    Result body = tool("body --json --title Chat --sender Ann --date today " + shellWord(sample));
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
    Result html =
        tool("html " + shellWord(bodyFile) + " --images " + shellWord(dir.write("body.json", body.out)));
    ASSERT_EQ(html.status, 0) << html.err;
    EXPECT_TRUE(contains(html.out, "<img src=\":/Res/FaceMgr/em/1.png\"/>"));
    EXPECT_TRUE(contains(html.out, "<img src=\"data/pictures/sunset.png\"/>"));
    EXPECT_FALSE(contains(html.out, "title_div"));

    // The list alone, read from standard input, with the body as a file;
    // a deep member other than "images" is passed over.
    const std::string key = json["images"][0][0];
    const std::string list = "{\"body\": " + std::string(100000, '[') + std::string(100000, ']') +
                             ", \"images\": [[\"" + key + "\", \"elsewhere.png\"]]}";
    Result fromInput = tool("html --images - " + shellWord(bodyFile), list);
    ASSERT_EQ(fromInput.status, 0) << fromInput.err;
    EXPECT_TRUE(contains(fromInput.out, "<img src=\"elsewhere.png\"/>"));

    Result plain = tool("body --title Chat --sender Ann --date today " + shellWord(sample));
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.out, bodyText + "\n");

    Result paragraph = tool("paragraph " + shellWord(bodyFile));
    ASSERT_EQ(paragraph.status, 0) << paragraph.err;
    EXPECT_EQ(paragraph.out.rfind("<p style=", 0), 0u);
    EXPECT_TRUE(contains(paragraph.out, "ChatAnntoday"));
}

TEST_F(CliTest, ShowPrintsEveryResult)
{
    Result show = tool("show --title T",
                       "<p>Hi <img src=':/Res/FaceMgr/em/1.png'><img src='data/pictures/sunset.png'></p>");
    ASSERT_EQ(show.status, 0) << show.err;
    const std::string key = show.out.substr(show.out.find("== images\n") + 10, 32);
    EXPECT_EQ(show.out.substr(show.out.find("== body\n")),
              "== body\n<body><div id=\"title_div\"><h1 id=\"title\">T</h1><span id=\"sender\"></span>"
              "<span id=\"date\"></span></div><p>Hi <img id=\"smile\"/><img id=\"" +
                  key +
                  "\"/></p></body>\n"
                  "== emoticons\nsmile\t[smile]\n== images\n" +
                  key + "\tdata/pictures/sunset.png\n");
    EXPECT_EQ(show.out.rfind("== rich text\n<p style=", 0), 0u) << show.out;
    EXPECT_TRUE(contains(
        show.out, "Hi <img src=\":/Res/FaceMgr/em/1.png\"/><img src=\"data/pictures/sunset.png\"/></p>\n"));
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

    Result lines = tool("emoticons");
    ASSERT_EQ(lines.status, 0) << lines.err;
    EXPECT_EQ(std::count(lines.out.begin(), lines.out.end(), '\n'), static_cast<long>(json.size()));
    EXPECT_EQ(lines.out.substr(0, lines.out.find('\n')),
              "0\t" + json[0]["id"].get<std::string>() + "\t" + json[0]["name"].get<std::string>() +
                  "\tclassic\t" + json[0]["path"].get<std::string>());

    Result one = tool("emoticon " + shellWord(json[1]["name"].get<std::string>()));
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(one.out, "<img src=\"" + json[1]["path"].get<std::string>() + "\"/>\n");
}

TEST_F(CliTest, HelpAndVersion)
{
    Result version = tool("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "tessel " TESSEL_VERSION_STRING "\n");
    EXPECT_EQ(tool("rich -V").out, version.out);

    Result help = tool("--help");
    ASSERT_EQ(help.status, 0) << help.err;
    EXPECT_TRUE(contains(help.out, "Exit status: 0 on success, 1 when the work fails"));
    // Every command the help lists has its own help, and the tool knows no
    // command that the help leaves out.
    std::istringstream lines(help.out.substr(help.out.find("Commands:\n") + 10));
    std::vector<std::string> names;
    for (std::string line; std::getline(lines, line) && !line.empty();) {
        std::string name = line.substr(2, line.find_first_of(" ", 2) - 2);
        names.push_back(name);
        Result own = tool(name + " --help");
        EXPECT_EQ(own.status, 0) << name;
        EXPECT_EQ(own.out.rfind("Usage: tessel [OPTIONS] " + name, 0), 0u) << own.out;
        EXPECT_TRUE(contains(own.out, "Global options")) << own.out;
    }
    EXPECT_EQ(names, (std::vector<std::string>{"rich", "rewrite", "body", "html", "paragraph", "emoticons",
                                               "emoticon", "show"}));
    EXPECT_TRUE(contains(tool("rich -h").out, "--resources-only"));
}

TEST_F(CliTest, UsageErrorsExitWith2)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", "no command given (see 'tessel --help')"},
        {"--quiet", "no command given (see 'tessel --help')"},
        {"frobnicate", "unknown command 'frobnicate' (see 'tessel --help')"},
        {"text -", "unknown command 'text' (see 'tessel --help')"},
        {"--bogus rich", "unknown option '--bogus' (see 'tessel --help')"},
        {"rich --bogus", "unknown option '--bogus' for 'rich' (see 'tessel rich --help')"},
        {"rich --json", "unknown option '--json' for 'rich' (see 'tessel rich --help')"},
        {"emoticons --json=yes", "option '--json' takes no value (see 'tessel emoticons --help')"},
        {"emoticons --catalogue",
         "option '--catalogue' needs a value (FILE) (see 'tessel emoticons --help')"},
        {"body --title", "option '--title' needs a value (TEXT) (see 'tessel body --help')"},
        {"--cache= emoticons", "option '--cache' needs a DIR, not an empty word (see 'tessel --help')"},
        {"rich a b", "unexpected argument 'b' (see 'tessel rich --help')"},
        {"emoticons x", "unexpected argument 'x' (see 'tessel emoticons --help')"},
        {"emoticon", "'emoticon' needs a NAME (see 'tessel emoticon --help')"},
        {"html --images -",
         "BODY and --images cannot both be read from standard input (see 'tessel html --help')"},
    };
    for (const auto& [args, message] : cases)
        expectError(tool(args), 2, message, args);
}

TEST_F(CliTest, WorkFailuresExitWith1)
{
    const std::string body = dir.write("body.html", "<body></body>");
    const std::string html = "html " + shellWord(body) + " --images ";
    const std::string deepJson = std::string(100000, '[') + std::string(100000, ']');
    std::string deepXml = "<face>";
    for (int i = 0; i < 60000; ++i)
        deepXml += "<a>";
    const std::string broken =
        dir.write("broken.dat", "<face>\n<clasic size=\"1\">\n<em id=\"1\">x</clasic>");
    const std::string deep = dir.write("deep.dat", deepXml);
    const std::string huge =
        dir.write("huge.dat", "<face><clasic size=\"16777216\"><em id=\"1\">a</em></clasic></face>");
    const std::string empty = dir.write("empty.dat", "");
    const std::string longName(300, 'c');
    const std::pair<std::string, std::string> cases[] = {
        {"rich /nonexistent/message.html",
         "cannot read message '/nonexistent/message.html': No such file or directory"},
        {"rich data", "cannot read message 'data': it is a directory"},
        {"paragraph " + shellWord(dir.path()), "cannot read body '" + dir.path() + "': it is a directory"},
        {"emoticon 'no such emoticon'", "the catalogue has no emoticon named 'no such emoticon'"},
        {"--cache " + longName + " rich",
         "cache directory '" + longName + "' is too long: the library takes at most 259 bytes"},
        // Catalogues: missing, not a file, empty (the library would read
        // another one instead), broken, and nested deeper than the parser's
        // stack allows.
        {"--catalogue /nonexistent/emo.dat emoticons",
         "cannot read catalogue '/nonexistent/emo.dat': No such file or directory"},
        {"--catalogue data emoticons", "cannot read catalogue 'data': it is a directory"},
        {"--catalogue /dev/null emoticons", "cannot read catalogue '/dev/null': it is not a regular file"},
        {"--catalogue " + shellWord(empty) + " emoticons", "catalogue '" + empty + "' is empty"},
        {"--catalogue " + shellWord(broken) + " emoticons",
         "catalogue '" + broken + "' is not well-formed XML: line 3, column 22: unexpected end of data"},
        {"--catalogue " + shellWord(deep) + " emoticons",
         "catalogue '" + deep + "' is not well-formed XML: line 1, column 3076: element nesting too deep"},
        {"--catalogue " + shellWord(huge) + " emoticons",
         "catalogue '" + huge +
             "' cannot be loaded: the group sizes it declares need more memory than allowed"},
        // Image lists.
        {html + shellWord(dir.path()), "cannot read image list '" + dir.path() + "': it is a directory"},
        {html + shellWord(dir.write("bad.json", "{oops")),
         "image list '" + (dir / "bad.json") +
             "' is not valid JSON: line 1, column 2: syntax error while parsing object key - invalid "
             "literal"},
        {html + shellWord(dir.write("utf8.json", "[[\"k\", \"\xff\"]]")),
         "image list '" + (dir / "utf8.json") +
             "' is not valid JSON: line 1, column 9: syntax error while parsing value - invalid string: "
             "ill-formed UTF-8 byte"},
        {html + shellWord(dir.write("odd.json", "[[\"a\", \"b\"], [\"k\"]]")),
         "image list '" + (dir / "odd.json") + "': entry 2 is not a [key, path] pair of strings"},
        {html + shellWord(dir.write("number.json", "{\"images\": [[\"k\", 1]]}")),
         "image list '" + (dir / "number.json") + "': entry 1 is not a [key, path] pair of strings"},
        {html + shellWord(dir.write("three.json", "[[\"a\", \"b\", \"c\"]]")),
         "image list '" + (dir / "three.json") + "': entry 1 is not a [key, path] pair of strings"},
        {html + shellWord(dir.write("inner.json", "[[\"a\", {}]]")),
         "image list '" + (dir / "inner.json") + "': entry 1 is not a [key, path] pair of strings"},
        {html + shellWord(dir.write("flat.json", "[\"a\", \"b\"]")),
         "image list '" + (dir / "flat.json") + "': entry 1 is not a [key, path] pair of strings"},
        {html + shellWord(dir.write("scalar.json", "true")),
         "image list '" + (dir / "scalar.json") +
             "' must be an array of [key, path] pairs, or what 'tessel body --json' prints"},
        {html + shellWord(dir.write("images-object.json", "{\"images\": {}}")),
         "image list '" + (dir / "images-object.json") +
             "' must be an array of [key, path] pairs, or what 'tessel body --json' prints"},
        {html + shellWord(dir.write("object.json", "{\"body\": \"<body></body>\"}")),
         "image list '" + (dir / "object.json") +
             "' must be an array of [key, path] pairs, or what 'tessel body --json' prints"},
        {html + shellWord(dir.write("deep.json", deepJson)),
         "image list '" + (dir / "deep.json") + "': entry 1 is not a [key, path] pair of strings"},
        {html + shellWord(dir.write("deep-images.json", "{\"images\": [" + deepJson + "]}")),
         "image list '" + (dir / "deep-images.json") + "': entry 1 is not a [key, path] pair of strings"},
    };
    for (const auto& [args, message] : cases)
        expectError(tool(args), 1, message, args);
}

TEST_F(CliTest, OutputThatCannotBeWritten)
{
    const std::string full = "cannot write the output: No space left on device";
    const std::string closed = "cannot write the output: standard output is closed";
    const std::pair<std::string, std::string> cases[] = {
        {toolLine("emoticons") + " > /dev/full", full},
        {toolLine("--help") + " > /dev/full", full},
        {toolLine("rich", "<img src=':/a.png'>") + " >&-", closed},
        {toolLine("--version") + " >&-", closed},
    };
    for (const auto& [line, message] : cases) {
        Result run = execute(line, false);
        EXPECT_EQ(run.status, 1) << line;
        std::string errors;  // standard error without the picture lines
        std::istringstream lines(run.err);
        for (std::string text; std::getline(lines, text);)
            if (text.rfind("picture: ", 0) != 0)
                errors += text + "\n";
        EXPECT_EQ(errors, "tessel: " + message + "\n") << line;
    }
}

TEST_F(CliTest, OddMessagesConvert)
{
    Result empty = tool("rich", "");
    EXPECT_EQ(empty.status, 0) << empty.err;
    EXPECT_EQ(empty.out, "\n");

    Result directory = execute(toolLine("rich") + " < /");
    expectError(directory, 1, "cannot read message from standard input: Is a directory", "rich < /");

    Result closedInput = execute(toolLine("rich") + " <&-");
    EXPECT_EQ(closedInput.status, 0) << closedInput.err;
    EXPECT_EQ(closedInput.out, "\n");

    // Bytes that are not UTF-8 pass through as they are, and JSON output
    // replaces them.
    Result bytes = tool("rich -- -", "a\xff\xfe b");
    EXPECT_EQ(bytes.status, 0) << bytes.err;
    EXPECT_EQ(bytes.out, "a\xff\xfe b\n");
    Result json = tool("body --json", "<p>a\xff</p>");
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_TRUE(contains(nlohmann::json::parse(json.out)["text"], "a\xef\xbf\xbd"));
}

// The tool looks for its catalogue at ../share/tessel/emo.dat from its own
// directory, wherever it is installed and whatever the working directory.
TEST_F(CliTest, FindsItsCatalogueBesideItself)
{
    // The freshly built tool finds the build tree's copy of the sample.
    Result built = execute("cd / && " + shellWord(TESSEL_TOOL) + " emoticon wink");
    EXPECT_EQ(built.status, 0) << built.err;
    EXPECT_EQ(built.out, "<img src=\":/Res/FaceMgr/em/3.png\"/>\n");

    // No path of the source tree is compiled into the tool.
    EXPECT_FALSE(contains(TestSupport::readFile(TESSEL_TOOL), TESSEL_DATA));

    // The prefix lies deep, so that the tool's own path is longer than a
    // first guess of its length.
    const fs::path prefix = fs::path(dir.path()) / std::string(120, 'd') / std::string(120, 'e') / "prefix";
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "lib");
    fs::copy_file(TESSEL_TOOL, prefix / "bin" / "tessel");
    fs::copy_file(TESSEL_LIBRARY, prefix / "lib" / fs::path(TESSEL_LIBRARY).filename());
    const std::string moved = shellWord((prefix / "bin" / "tessel").string());

    Result missing = execute("cd / && " + moved + " emoticons");
    expectError(missing, 1,
                "no catalogue '" + (prefix / "share/tessel/emo.dat").string() +
                    "' (the sample installed with the tool); name one with --catalogue FILE",
                "emoticons");

    fs::create_directories(prefix / "share/tessel");
    TestSupport::writeFile((prefix / "share/tessel/emo.dat").string(),
                           "<face><clasic size=\"1\"><em id=\"7\">installed</em></clasic></face>");
    Result found = execute("cd / && " + moved + " emoticons");
    EXPECT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(found.out, "0\t7\tinstalled\tclassic\t:/Res/FaceMgr/em/7.png\n");
}

}  // namespace

TEST_F(CliTest, PicturesGoToTheUsersCacheDirectory)
{
    // Without --cache: $XDG_CACHE_HOME/tessel, else ~/.cache/tessel, else
    // tessel-cache in the working directory.
    TestSupport::HttpServer server("127.0.73.1");
    server.on("/p.png", {200, "picture"});
    const std::string message = dir.write("message.html", "<p><img src=\"http://127.0.73.1/p.png\"></p>");
    fs::create_directories(dir / "cwd");
    const struct {
        std::string environment, cache, announced;
    } cases[] = {
        {"XDG_CACHE_HOME=" + shellWord(dir / "xdg") + " HOME=" + shellWord(dir / "home"), dir / "xdg/tessel",
         dir / "xdg/tessel/"},
        {"XDG_CACHE_HOME= HOME=" + shellWord(dir / "home"), dir / "home/.cache/tessel",
         dir / "home/.cache/tessel/"},
        {"XDG_CACHE_HOME= HOME=", dir / "cwd/tessel-cache", "tessel-cache/"},
    };
    for (const auto& [environment, cache, announced] : cases) {
        const Result run =
            execute("cd " + shellWord(dir / "cwd") + " && env " + environment + " " + shellWord(TESSEL_TOOL) +
                    " --catalogue " + shellWord(std::string(TESSEL_DATA) + "/emo.dat") + " rich " +
                    shellWord(message));
        ASSERT_EQ(run.status, 0) << environment << ": " << run.err;
        ASSERT_TRUE(fs::is_directory(cache)) << environment;
        EXPECT_EQ(std::distance(fs::directory_iterator(cache), fs::directory_iterator()), 1) << environment;
        EXPECT_TRUE(contains(run.err, "picture: " + announced)) << run.err;
    }
}
