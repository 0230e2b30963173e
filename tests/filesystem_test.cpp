// SPDX-License-Identifier: MIT
// Paths in Windows form (set explicitly, so on every platform) and in the
// native form of the build; the file-system functions on real temporary
// directories.
#include "fs/filesystem.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "support/common.h"

using namespace Tessel;
using TestSupport::TempDir;
using TestSupport::writeFile;
using Elements = std::vector<std::string>;

namespace {

Path windows(const std::string& text)
{
    Path p;
    p.set(text, windowsPath);
    return p;
}

#if defined(_WIN32)
// CreateDirectoryW reports through GetLastError and leaves the runtime's
// errno as it was, so the message shows whatever errno held before.
constexpr int errnoBefore = 12345;
int reported(int) { return errnoBefore; }
// The rendering of a path written with slashes.
std::string shown(std::string path)
{
    for (char& c : path)
        c = c == '/' ? '\\' : c;
    return path;
}
#else
int reported(int error) { return error; }
std::string shown(const std::string& path) { return path; }
#endif

// The result of createDirectories and what it printed: "true:" or "false:"
// followed by the output.
std::string outcome(const Path& p)
{
#if defined(_WIN32)
    errno = errnoBefore;
#endif
    testing::internal::CaptureStdout();
    bool created = createDirectories(p);
    std::fflush(stdout);
    return (created ? "true:" : "false:") + testing::internal::GetCapturedStdout();
}

std::string failed(const std::string& path, int error)
{
    return "false:create directory '" + shown(path) + "' failed, errno=" + std::to_string(reported(error)) +
           "\n";
}

}  // namespace

TEST(CreateDirectories, CreatesMissingLevelsAndReportsTheOneThatFailed)
{
    TempDir dir;
    const Path deepest(dir / "a/b/c");
    EXPECT_EQ(outcome(deepest), "true:");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "a/b/c"));
    EXPECT_EQ(outcome(deepest), "true:");  // existing: no message
    writeFile(dir / "file", "x");
    EXPECT_EQ(outcome(Path(dir / "file")), "false:");

    int error = 0;
#if defined(_WIN32)
    errno = errnoBefore;
    EXPECT_FALSE(createDirectory(deepest, error));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
#else
    EXPECT_FALSE(createDirectory(deepest, error));
#endif
    EXPECT_EQ(error, reported(EEXIST));

    EXPECT_EQ(outcome(Path(dir / "file/x/y")), failed(dir / "file/x", ENOTDIR));
    const std::string longName(300, 'n');
    EXPECT_EQ(outcome(Path(dir / longName + "/sub/sub")), failed(dir / longName, ENAMETOOLONG));
    EXPECT_EQ(outcome(Path()), failed("", ENOENT));
    // Thousands of missing levels, far past the system's path limit: one
    // message, for the outermost missing level.
    std::string deep = dir / "file";
    for (int i = 0; i < 20000; ++i)
        deep += "/d";
    EXPECT_EQ(outcome(Path(deep)), failed(dir / "file/d", ENOTDIR));
}

TEST(FileQueries, KindSizeAndUtf8Names)
{
    TempDir dir;
    writeFile(dir / "empty", "");
    writeFile(dir / "five", "12345");
    const Path missing(dir / "missing"), empty(dir / "empty"), five(dir / "five"), directory(dir.path());
    EXPECT_FALSE(exists(missing) || isFile(missing) || isDirectory(missing));
    EXPECT_EQ(fileSize(missing, true) + fileSize(missing, false), 0u);
    EXPECT_TRUE(isFile(empty) && isFile(five) && !isDirectory(five));
    EXPECT_EQ(fileSize(empty, true), 0u);
    EXPECT_EQ(fileSize(five, true), 5u);
    EXPECT_EQ(fileSize(five, false), 5u);
    EXPECT_TRUE(exists(directory) && isDirectory(directory) && !isFile(directory));

    // 表情/微笑; the emoji only where paths stay UTF-8 (the wide conversion
    // stops at four-byte sequences).
    std::string nested = dir / "\xE8\xA1\xA8\xE6\x83\x85/\xE5\xBE\xAE\xE7\xAC\x91";
#if !defined(_WIN32)
    nested += "/\xF0\x9F\x98\x80";
#endif
    ASSERT_TRUE(createDirectories(Path(nested)));
    const std::string file = nested + "/\xE5\x9B\xBE.dat";
    writeFile(file, "abc");
    EXPECT_TRUE(isFile(Path(file)));
    EXPECT_EQ(fileSize(Path(file), true), 3u);
    EXPECT_EQ(Path(file).filename().str(), "\xE5\x9B\xBE.dat");
}

TEST(FileQueries, TextAnswersAsThePathItNames)
{
    // Every tail of up to five bytes out of "ab./\\" after the temporary
    // directory (a file a, a directory b holding a file a), and each tail
    // alone: separators doubled, trailing or back-slashed and "." elements
    // must give the answer of the Path they make.
    TempDir dir;
    writeFile(dir / "a", "x");
    ASSERT_TRUE(createDirectories(Path(dir / "b")));
    writeFile(dir / "b" + "/a", "y");
    std::vector<std::string> tails{""};
    for (std::size_t from = 0, length = 0; length < 5; ++length) {
        const std::size_t to = tails.size();
        for (std::size_t i = from; i < to; ++i)
            for (char c : {'a', 'b', '.', '/', '\\'})
                tails.push_back(tails[i] + c);
        from = to;
    }
    int files = 0;
    for (const std::string& tail : tails) {
        for (const std::string& text : {dir.path() + tail, tail}) {
            const bool expected = isFile(Path(text));
            ASSERT_EQ(isFileNamed(text), expected) << text;
            // A tail of a longer string, as an image source's path is.
            const std::string source = "file://" + text;
            ASSERT_EQ(isFileNamed(std::string_view(source).substr(7)), expected) << text;
            files += expected;
        }
    }
    EXPECT_GT(files, 20);
}

TEST(ExecutablePath, NamesTheRunningTestBinary)
{
    Path exe = executablePath();
    EXPECT_TRUE(exe.absolute);
    EXPECT_TRUE(isFile(exe));
    EXPECT_EQ(exe.filename().str().rfind("filesystem_test", 0), 0u) << exe.str();
    EXPECT_EQ(executablePath().str(), exe.str());
}

TEST(WindowsPath, ParsesAndRenders)
{
    const struct {
        const char* text;
        Elements elements;
        bool absolute;
        const char *str, *posix;
    } cases[] = {
        {"C:/a/b", {"C:", "a", "b"}, true, "C:\\a\\b", "/C:/a/b"},
        {"C:/a/b/", {"C:", "a", "b"}, true, "C:\\a\\b", "/C:/a/b"},
        {"C:\\a\\.\\\\b\\", {"C:", "a", "b"}, true, "C:\\a\\b", "/C:/a/b"},
        {"\\\\server\\share\\x", {UncMarker, "server", "share", "x"}, true,
         "\\\\server\\share\\x", "\\\\server/share/x"},
        {"////", {UncMarker}, true, "\\\\", "\\\\"},  // the marker alone
        {"./a/../b//c/.", {"a", "..", "b", "c"}, false, "a\\..\\b\\c", "a/../b/c"},
        {"/tmp/x", {"tmp", "x"}, false, "tmp\\x", "tmp/x"},  // one leading separator
        {"C:x", {"C:x"}, true, "C:x", "/C:x"},
        {"", {}, false, "", ""}, {"/", {}, false, "", ""}, {"//", {}, false, "", ""},
        {"./.", {}, false, "", ""}, {"\\", {}, false, "", ""},
    };
    for (const auto& c : cases) {
        Path p = windows(c.text);
        EXPECT_EQ(p.elements, c.elements) << c.text;
        EXPECT_EQ(p.absolute, c.absolute) << c.text;
        EXPECT_EQ(p.str(), c.str) << c.text;
        EXPECT_EQ(p.posixStr(), c.posix) << c.text;
        EXPECT_EQ(p.empty(), c.elements.empty()) << c.text;
    }
}

TEST(WindowsPath, AppendFilenameParentAndExtension)
{
    Path cache = windows("C:/cache/");
    cache /= "0abc";
    EXPECT_EQ(cache.str(), "C:\\cache\\0abc");
    cache /= windows("D:/other");
    EXPECT_EQ(cache.str(), "C:\\cache\\0abc");
    Path empty;
    empty /= windows("D:/b");
    EXPECT_EQ(empty.elements, (Elements{"D:", "b"}));
    EXPECT_FALSE(empty.absolute);
    Path twice = windows("a/b");
    twice /= twice;
    EXPECT_EQ(twice.elements, (Elements{"a", "b", "a", "b"}));

    EXPECT_EQ(windows(":/Res/FaceMgr/em/12.png").filename().str(), "12.png");
    EXPECT_TRUE(windows("C:").filename().empty());
    EXPECT_TRUE(windows("////").filename().empty());
    EXPECT_EQ(windows("C:/a/b").parentPath().elements, (Elements{"C:", "a"}));
    EXPECT_TRUE(windows("C:/a/b").parentPath().absolute);
    EXPECT_EQ(windows("").parentPath().elements, Elements{".."});
    EXPECT_TRUE(windows("a").parentPath().empty());

    for (auto [text, extension, result] :
         {std::tuple{"d/pic.old.jpg", ".png", "d\\pic.old.png"}, {"noext", ".png", "noext.png"},
          {"noext", "png", "noext.png"}, {"a.b.c", "", "a.b"}, {"x/C:y.gif", ".png", "x\\C:y.gif"},
          {"////", ".png", "\\\\"}, {"", ".png", ""}})
        EXPECT_EQ(windows(text).replaceExtension(windows(extension)).str(), result) << text;
}

#if !defined(_WIN32)
TEST(NativePath, PosixTextsStayAbsoluteWithSlashes)
{
    Path p("/tmp/cache/x.png");
    EXPECT_EQ(p.type, posixPath);
    EXPECT_EQ(p.str(), "/tmp/cache/x.png");
    EXPECT_EQ(p.parentPath().str(), "/tmp/cache");
    p /= "a\\b";
    EXPECT_EQ(p.str(), "/tmp/cache/x.png/a/b");
    EXPECT_EQ(Path("rel/./x/").str(), "rel/x");
    EXPECT_TRUE(Path(static_cast<const char*>(nullptr)).empty());

    // Assignment re-parses the rendering natively; copying keeps the type.
    Path target("/old");
    target = windows("C:\\a\\b");
    EXPECT_EQ(target.type, posixPath);
    EXPECT_EQ(target.elements, (Elements{"C:", "a", "b"}));
    EXPECT_FALSE(target.absolute);
    EXPECT_EQ(Path(windows("C:\\a")).type, windowsPath);
}
#else
TEST(NativePath, TextsAreWindowsPaths)
{
    Path cache("C:/cache/");
    EXPECT_EQ(cache.type, windowsPath);
    EXPECT_EQ(cache.str(), "C:\\cache");
    cache /= "0abc";
    EXPECT_EQ(cache.str(), "C:\\cache\\0abc");
    EXPECT_EQ(Path().type, windowsPath);
    EXPECT_EQ(Path(u"\\\\server\\share/x").str(), "\\\\server\\share\\x");
    EXPECT_EQ(Path(":/Res/FaceMgr/em/12.png").filename().str(), "12.png");
    EXPECT_EQ(Path("C:/a/b").parentPath().str(), "C:\\a");

    // Without a drive or UNC marker a text is relative, even after a slash.
    Path rooted("/tmp/cache/x.png");
    EXPECT_FALSE(rooted.absolute);
    EXPECT_EQ(rooted.str(), "tmp\\cache\\x.png");

    // Assignment re-parses the rendering as a Windows path; copying keeps the type.
    Path posix;
    posix.set("/a/b", posixPath);
    Path target("C:/old");
    target = posix;
    EXPECT_EQ(target.type, windowsPath);
    EXPECT_EQ(target.elements, (Elements{"a", "b"}));
    EXPECT_FALSE(target.absolute);
    EXPECT_EQ(Path(posix).type, posixPath);
    EXPECT_EQ(Path(posix).str(), "/a/b");
}
#endif

TEST(Utf, ConvertsUpToTheFirstInvalidSequence)
{
    EXPECT_EQ(utf8ToUtf16("a\xC3\xA9\xE4\xB8\xAD"), (std::u16string{u'a', 0xE9, 0x4E2D}));
    EXPECT_EQ(utf8ToUtf16("ab\xF0\x9F\x98\x80" "cd"), u"ab");
    EXPECT_EQ(utf8ToUtf16("a\x80" "b"), u"a");
    EXPECT_EQ(utf8ToUtf16("a\xE4\xB8"), u"a");
    EXPECT_EQ(utf8ToUtf16("\xC0\x80"), std::u16string(1, u'\0'));  // overlong forms pass
    EXPECT_EQ(utf16ToUtf8(std::u16string{0x7F, 0x80, 0x7FF, 0x800, 0xFFFF}),
              "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF");
    EXPECT_EQ(utf16ToUtf8(u"\U0001F600"), "\xED\xA0\xBD\xED\xB8\x80");

    Path chinese = windows("C:/\xE7\x9B\xAE\xE5\xBD\x95/\xE5\x9B\xBE.png");  // 目录/图.png
    EXPECT_EQ(chinese.wstr(), u"C:\\\u76EE\u5F55\\\u56FE.png");
    EXPECT_EQ(Path(chinese.wstr()).elements, chinese.elements);
}
