// SPDX-License-Identifier: MIT
// Every picture the library points at loads in Qt, whatever its file is
// called: downloaded pictures, whose random names hold '#' or '%' followed
// by hex digits a third of the time, and local files named with the marks
// of that alphabet and with the characters a URL gives a meaning to. Each
// picture has a size of its own, so that the size Qt loads tells which file
// it read. Through ParseHtml, ParseHtml2 (its text and its rewritten
// message) and a body's round trip through ParseHtml_Orb and HtmlFromBody.
#include <gtest/gtest.h>

#include <QColor>
#include <QSize>

#include <string>
#include <vector>

#include "qt_check.h"
#include "tessel/tessel.h"

using namespace qtcheck;

namespace {

struct Expected {
    std::string source;  // as the message's img tag holds it
    QSize size;          // of the picture it names
};

// A message whose img tags hold the sources as they stand: the rich-text
// parsers take a source as its bytes.
std::string messageOf(const std::vector<Expected>& pictures)
{
    std::string message = "<html><body><p>";
    for (const Expected& picture : pictures)
        message += "<img src='" + picture.source + "' /> ";
    return message + "</p></body></html>";
}

// The same message as Qt writes it, every source escaped as an attribute
// value: the body parser reads "&amp;" back as "&".
std::string qtMessageOf(const std::vector<Expected>& pictures)
{
    std::string message = "<html><body><p>";
    for (const Expected& picture : pictures)
        message +=
            "<img src=\"" + QString::fromStdString(picture.source).toHtmlEscaped().toStdString() + "\" /> ";
    return message + "</p></body></html>";
}

// Every image of html loads, in order, at the size of its own picture.
void expectLoaded(const char* what, const std::string& html, const std::vector<Expected>& pictures)
{
    SCOPED_TRACE(what);
    const Rendering shown = renderHtml(html);
    ASSERT_EQ(shown.images.size(), pictures.size());
    int broken = 0;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const ShownImage& image = shown.images[i];
        const bool loaded = image.shownAsFile() && image.fileSize == pictures[i].size;
        broken += !loaded;
        EXPECT_TRUE(loaded) << pictures[i].source << " shown as " << image.name.toStdString() << " from '"
                            << image.file.toStdString() << "' at " << image.fileSize.width() << "x"
                            << image.fileSize.height();
    }
    EXPECT_EQ(broken, 0);
}

// The pictures through every conversion that points at files.
void expectEveryOutputLoads(const std::vector<Expected>& pictures)
{
    const std::string message = messageOf(pictures);
    TestSupport::callbackCalls.clear();
    ASSERT_TRUE(Tessel::ParseHtml(message, TestSupport::recordCallback, 0, false));
    ASSERT_FALSE(TestSupport::callbackCalls.empty());
    expectLoaded("ParseHtml", TestSupport::callbackCalls.back().data, pictures);

    std::string rewritten, text, body, rebuilt;
    ASSERT_TRUE(Tessel::ParseHtml2(rewritten, message, nullptr, 0));
    Tessel::GetText(text);
    expectLoaded("ParseHtml2, rich text", text, pictures);
    expectLoaded("ParseHtml2, rewritten message", rewritten, pictures);

    // The body names the pictures by key; the image list gives the paths
    // back. (A source the body parser leaves as written, such as one whose
    // '"' Qt wrote as "&quot;", is read by Qt as it was written.)
    Tessel::StringPairList images;
    ASSERT_TRUE(Tessel::ParseHtml_Orb(qtMessageOf(pictures)));
    Tessel::GetBody(body);
    Tessel::GetImageVector(images);
    ASSERT_TRUE(Tessel::HtmlFromBody(rebuilt, body, images));
    expectLoaded("ParseHtml_Orb and HtmlFromBody", rebuilt, pictures);
}

QSize sizeOf(int i)
{
    return QSize(3 + i % 19, 2 + i / 19);
}

}  // namespace

TEST(PictureNames, EveryDownloadedPictureLoads)
{
    CheckSetup::get();  // the library initialised, its cache directory set
    TestSupport::HttpServer server("127.0.61.1");
    std::vector<Expected> pictures;
    for (int i = 0; i < 200; ++i) {
        const std::string path = "/p/" + std::to_string(i) + ".png";
        server.on(path,
                  TestSupport::Reply(200, encodedPicture(sizeOf(i), Qt::darkCyan, "PNG").toStdString()));
        pictures.push_back({"http://127.0.61.1" + path, sizeOf(i)});
    }
    const std::string message = messageOf(pictures);

    // ParseHtml and ParseHtml2 download each picture anew, so that both
    // meet a fresh set of random names.
    TestSupport::callbackCalls.clear();
    ASSERT_TRUE(Tessel::ParseHtml(message, TestSupport::recordCallback, 0, false));
    ASSERT_EQ(TestSupport::callbackCalls.size(), 201u);
    expectLoaded("ParseHtml", TestSupport::callbackCalls.back().data, pictures);
    std::string rewritten;
    ASSERT_TRUE(Tessel::ParseHtml2(rewritten, message, nullptr, 0));
    expectLoaded("ParseHtml2", rewritten, pictures);
}

TEST(PictureNames, LocalFilesLoadWhateverTheirNames)
{
    CheckSetup::get();
    TestSupport::TempDir dir;
    std::vector<std::string> names;
    for (char mark : std::string("@#$%^&()_[]{}~`"))
        names.push_back(std::string("mark") + mark + ".png");
    // '%' with hex digits, a query, quotes; and two files whose names read
    // alike once character references are decoded.
    for (const char* name : {"x%41y.png", "what?.png", "say \"cheese\".png", "a&amp;b.png", "a&b.png"})
        names.push_back(name);
    std::vector<Expected> pictures;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const QSize size = sizeOf(static_cast<int>(i) * 7);
        const std::string path = dir.write(names[i], encodedPicture(size, Qt::darkRed, "PNG").toStdString());
        pictures.push_back({path, size});
    }
    // Resources still resolve as they did: the sample emoticons are compiled in.
    pictures.push_back({":/Res/FaceMgr/em/1.png", QSize(24, 24)});

    expectEveryOutputLoads(pictures);
}
