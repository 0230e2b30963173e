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

TEST(Tokenize, DropsEmptyAndDotPieces)
{
    EXPECT_EQ(tokenize("a/./b//c", "/\\"), (Elements{"a", "b", "c"}));
    EXPECT_EQ(tokenize("/\\//", "/\\"), Elements{});
    EXPECT_EQ(tokenize("", "/"), Elements{});
    EXPECT_EQ(tokenize(".", "/"), Elements{});
    EXPECT_EQ(tokenize("./x/.", "/"), Elements{"x"});
    EXPECT_EQ(tokenize("../.../a.", "/"), (Elements{"..", "...", "a."}));
    EXPECT_EQ(tokenize("x", "/"), Elements{"x"});
    EXPECT_EQ(tokenize("a\\b/c", "/"), (Elements{"a\\b", "c"}));
}

TEST(WindowsPath, ParsesDrivesUncAndRelativeTexts)
{
    for (const char* text : {"C:/a/b", "C:/a/b/", "C:\\a\\b", "C:\\a\\b\\"}) {
        Path p = windows(text);
        EXPECT_EQ(p.elements, (Elements{"C:", "a", "b"})) << text;
        EXPECT_TRUE(p.absolute) << text;
        EXPECT_EQ(p.str(), "C:\\a\\b") << text;
    }

    Path unc = windows("\\\\server\\share\\x");
    EXPECT_EQ(unc.elements, (Elements{UncMarker, "server", "share", "x"}));
    EXPECT_TRUE(unc.absolute);
    EXPECT_EQ(unc.str(), "\\\\server\\share\\x");
    EXPECT_EQ(unc.posixStr(), "\\\\server/share/x");
    EXPECT_EQ(windows("//server/share").str(), "\\\\server\\share");

    Path relative = windows("a/./b//c");
    EXPECT_EQ(relative.elements, (Elements{"a", "b", "c"}));
    EXPECT_FALSE(relative.absolute);
    EXPECT_EQ(relative.str(), "a\\b\\c");
    EXPECT_EQ(windows("a/../b").elements, (Elements{"a", "..", "b"}));

    Path driveRelative = windows("C:x");
    EXPECT_EQ(driveRelative.elements, Elements{"C:x"});
    EXPECT_TRUE(driveRelative.absolute);

    // A leading single separator is not absolute in Windows form.
    EXPECT_FALSE(windows("/tmp/x").absolute);
    EXPECT_EQ(windows("/tmp/x").str(), "tmp\\x");
    EXPECT_EQ(windows("C:/a").posixStr(), "/C:/a");
}

TEST(WindowsPath, EmptyAndSeparatorOnlyTexts)
{
    Path empty = windows("");
    EXPECT_TRUE(empty.empty());
    EXPECT_FALSE(empty.absolute);
    EXPECT_EQ(empty.str(), "");

    EXPECT_TRUE(windows("//").empty());
    EXPECT_FALSE(windows("//").absolute);
    // Three or more separators make a UNC path with nothing after the marker.
    Path marker = windows("////");
    EXPECT_EQ(marker.elements, Elements{UncMarker});
    EXPECT_TRUE(marker.absolute);
    EXPECT_EQ(marker.str(), "\\\\");
    EXPECT_TRUE(windows("./.").empty());
}

TEST(WindowsPath, AppendFilenameParentAndExtension)
{
    Path cache = windows("C:/cache/");
    EXPECT_EQ(cache.str(), "C:\\cache");
    cache /= "0abc";
    EXPECT_EQ(cache.str(), "C:\\cache\\0abc");
    EXPECT_EQ(cache.type, windowsPath);

    Path left = windows("C:/a");
    left /= windows("D:/b");
    EXPECT_EQ(left.str(), "C:\\a");

    Path empty;
    empty /= windows("D:/b");
    EXPECT_EQ(empty.elements, (Elements{"D:", "b"}));
    EXPECT_FALSE(empty.absolute);

    Path twice = windows("a/b");
    twice /= twice;
    EXPECT_EQ(twice.elements, (Elements{"a", "b", "a", "b"}));

    EXPECT_EQ(windows(":/Res/FaceMgr/em/12.png").filename().str(), "12.png");
    EXPECT_TRUE(windows("C:").filename().empty());
    EXPECT_TRUE(windows("C:/dir/D:x").filename().empty());
    EXPECT_TRUE(windows("////").filename().empty());
    EXPECT_TRUE(Path().filename().empty());

    Path parent = windows("C:/a/b").parentPath();
    EXPECT_EQ(parent.elements, (Elements{"C:", "a"}));
    EXPECT_TRUE(parent.absolute);
    EXPECT_EQ(windows("").parentPath().elements, Elements{".."});
    EXPECT_TRUE(windows("a").parentPath().empty());
    EXPECT_FALSE(windows("a").parentPath().absolute);
    Path emptyAbsolute;
    emptyAbsolute.absolute = true;
    EXPECT_TRUE(emptyAbsolute.parentPath().empty());

    EXPECT_EQ(windows("d/pic.old.jpg").replaceExtension(windows(".png")).str(), "d\\pic.old.png");
    EXPECT_EQ(windows("noext").replaceExtension(windows(".png")).str(), "noext.png");
    EXPECT_EQ(windows("noext").replaceExtension(windows("png")).str(), "noext.png");
    EXPECT_EQ(windows("a.b.c").replaceExtension(Path()).str(), "a.b");
    EXPECT_EQ(windows("C:").replaceExtension(windows(".png")).str(), "C:");
    EXPECT_EQ(windows("x/C:y.gif").replaceExtension(windows(".png")).str(), "x\\C:y.gif");
    EXPECT_EQ(windows("////").replaceExtension(windows(".png")).str(), "\\\\");
    EXPECT_TRUE(Path().replaceExtension(windows(".png")).empty());
}

#if !defined(_WIN32)
TEST(NativePath, PosixTextsStayAbsoluteWithSlashes)
{
    Path p("/tmp/cache/x.png");
    EXPECT_EQ(p.type, posixPath);
    EXPECT_TRUE(p.absolute);
    EXPECT_EQ(p.str(), "/tmp/cache/x.png");
    EXPECT_EQ(p.parentPath().str(), "/tmp/cache");
    EXPECT_EQ(p.filename().str(), "x.png");
    EXPECT_EQ(Path(std::string("rel/./x/")).str(), "rel/x");
    EXPECT_EQ(Path("a\\b").elements, (Elements{"a", "b"}));
    EXPECT_EQ(Path("/").str(), "");

    Path defaulted;
    EXPECT_EQ(defaulted.type, posixPath);
    EXPECT_FALSE(defaulted.absolute);
    EXPECT_TRUE(Path(static_cast<const char*>(nullptr)).empty());

    Path dir("/var/tmp");
    dir /= "a/b";
    EXPECT_EQ(dir.str(), "/var/tmp/a/b");
    dir /= "/etc";
    EXPECT_EQ(dir.str(), "/var/tmp/a/b");
}

TEST(NativePath, AssignmentReparsesTheRendering)
{
    Path target("/old");
    target = windows("C:\\a\\b");
    EXPECT_EQ(target.type, posixPath);
    EXPECT_EQ(target.elements, (Elements{"C:", "a", "b"}));
    EXPECT_FALSE(target.absolute);

    const Path source = windows("C:\\a");
    Path copy(source);
    EXPECT_EQ(copy.type, windowsPath);
    EXPECT_TRUE(copy.absolute);

    Path self("/x/y");
    const Path& alias = self;
    self = alias;
    EXPECT_EQ(self.str(), "/x/y");
}
#endif

TEST(Utf, ConvertsUpToTheFirstInvalidSequence)
{
    EXPECT_EQ(utf8ToUtf16("a\xC3\xA9\xE4\xB8\xAD"), (std::u16string{u'a', 0xE9, 0x4E2D}));
    EXPECT_EQ(utf8ToUtf16(std::string("a\0b", 3)), (std::u16string{u'a', 0, u'b'}));
    EXPECT_EQ(utf8ToUtf16("ab\xF0\x9F\x98\x80" "cd"), u"ab");
    EXPECT_EQ(utf8ToUtf16("a\x80" "b"), u"a");
    EXPECT_EQ(utf8ToUtf16("a\xE4\xB8"), u"a");
    EXPECT_EQ(utf8ToUtf16("a\xE4\xB8z"), u"a");
    EXPECT_EQ(utf8ToUtf16("\xC3"), u"");
    EXPECT_EQ(utf8ToUtf16("\xFF" "abc"), u"");
    // No check for overlong forms.
    EXPECT_EQ(utf8ToUtf16("\xC0\x80"), std::u16string(1, u'\0'));

    EXPECT_EQ(utf16ToUtf8(std::u16string{0x7F, 0x80, 0x7FF, 0x800, 0xFFFF}),
              "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF");
    EXPECT_EQ(utf16ToUtf8(u"\U0001F600"), "\xED\xA0\xBD\xED\xB8\x80");
    EXPECT_EQ(utf16ToUtf8(u""), "");

    const std::string chinese = "C:/\xE7\x9B\xAE\xE5\xBD\x95/\xE5\x9B\xBE.png";  // 目录/图.png
    Path p = windows(chinese);
    EXPECT_EQ(p.wstr(), u"C:\\\u76EE\u5F55\\\u56FE.png");
    EXPECT_EQ(Path(p.wstr()).elements, (Elements{"C:", "\xE7\x9B\xAE\xE5\xBD\x95", "\xE5\x9B\xBE.png"}));
}

TEST(PathScale, ThousandsOfElements)
{
    std::string text;
    for (int i = 0; i < 5000; ++i)
        text += "/d" + std::to_string(i);
    Path p = windows(text);
    ASSERT_EQ(p.elements.size(), 5000u);
    EXPECT_EQ(p.elements.back(), "d4999");
    EXPECT_EQ(p.posixStr(), text.substr(1));
    EXPECT_EQ(p.parentPath().elements.size(), 4999u);
    Path joined = p;
    joined /= p;
    EXPECT_EQ(joined.elements.size(), 10000u);
    Path reparsed;
    reparsed.set(p.str(), windowsPath);
    EXPECT_EQ(reparsed.elements, p.elements);
}
