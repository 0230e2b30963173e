#include "fs/Path.h"

#include <gtest/gtest.h>

using namespace Tessel;
using Elements = std::vector<std::string>;

namespace {

Path windows(const std::string& text)
{
    Path p;
    p.set(text, windowsPath);
    return p;
}

}  // namespace

TEST(WindowsPath, ParsesAndRenders)
{
    for (const char* text : {"C:/a/b", "C:/a/b/", "C:\\a\\b", "C:\\a\\.\\\\b\\"}) {
        EXPECT_EQ(windows(text).elements, (Elements{"C:", "a", "b"})) << text;
        EXPECT_TRUE(windows(text).absolute) << text;
        EXPECT_EQ(windows(text).str(), "C:\\a\\b") << text;
    }
    Path unc = windows("\\\\server\\share\\x");
    EXPECT_EQ(unc.elements, (Elements{UncMarker, "server", "share", "x"}));
    EXPECT_TRUE(unc.absolute);
    EXPECT_EQ(unc.str(), "\\\\server\\share\\x");
    EXPECT_EQ(unc.posixStr(), "\\\\server/share/x");
    EXPECT_EQ(windows("////").str(), "\\\\");  // the marker alone

    EXPECT_EQ(windows("./a/../b//c/.").elements, (Elements{"a", "..", "b", "c"}));
    EXPECT_FALSE(windows("/tmp/x").absolute);  // a single leading separator
    EXPECT_TRUE(windows("C:x").absolute);
    EXPECT_EQ(windows("C:/a").posixStr(), "/C:/a");
    for (const char* text : {"", "/", "//", "./.", "\\"}) {
        EXPECT_TRUE(windows(text).empty()) << text;
        EXPECT_FALSE(windows(text).absolute) << text;
        EXPECT_EQ(windows(text).str(), "") << text;
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

    auto replaced = [](const char* text, const char* extension) {
        return windows(text).replaceExtension(windows(extension)).str();
    };
    EXPECT_EQ(replaced("d/pic.old.jpg", ".png"), "d\\pic.old.png");
    EXPECT_EQ(replaced("noext", ".png"), "noext.png");
    EXPECT_EQ(replaced("noext", "png"), "noext.png");
    EXPECT_EQ(replaced("a.b.c", ""), "a.b");
    EXPECT_EQ(replaced("x/C:y.gif", ".png"), "x\\C:y.gif");
    EXPECT_EQ(replaced("////", ".png"), "\\\\");
    EXPECT_EQ(replaced("", ".png"), "");
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
    const Path source = windows("C:\\a");
    EXPECT_EQ(Path(source).type, windowsPath);
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

TEST(PathScale, ThousandsOfElements)
{
    std::string text;
    for (int i = 0; i < 5000; ++i)
        text += "/d" + std::to_string(i);
    Path p = windows(text);
    ASSERT_EQ(p.elements.size(), 5000u);
    EXPECT_EQ(p.posixStr(), text.substr(1));
    EXPECT_EQ(windows(p.str()).elements, p.elements);
}
