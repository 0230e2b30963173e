// SPDX-License-Identifier: MIT
// The invariants, on what Qt shows: plain text with one U+FFFC per image,
// and the images in order, each known by the pixels of its file or of the
// picture the check's server sends for its address.
//
// An output shows the message's images less those it leaves out by design
// (see kept()); every image the library resolved is shown from a resource,
// an existing file or the cache directory, at the file's size. The rewritten
// message shows exactly the message's text. The other outputs lose the head
// and its "white-space: pre-wrap", so runs of whitespace are collapsed: the
// rebuilt HTML then shows exactly the message's text; rich text and the
// emoticon paragraph show the same characters and no separation the message
// lacks, but lose some (whitespace at the start of a text run; list items
// and table cells are no block tags). ParseHtml drops the tail of a tag cut
// off at the start, and returns a message without markup as plain text.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QUrl>
#include <set>
#include <stdexcept>

#include "qt_check.h"
#include "tessel/tessel.h"

namespace qtcheck {

const char* const CheckSetup::Head[3] = {"Team chat", "Ann", "2026-12-06 09:30"};

QByteArray encodedPicture(const QSize& size, QColor color, const char* format)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    QPainter(&image).fillRect(QRect(QPoint(0, 0), size / 2), Qt::white);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

namespace {

// 127.0.60.N, where N - 1 is the position of the running test in the program.
std::string serverAddress()
{
    const testing::UnitTest& program = *testing::UnitTest::GetInstance();
    int position = 0;
    for (int s = 0; s < program.total_test_suite_count(); ++s)
        for (int t = 0; t < program.GetTestSuite(s)->total_test_count(); ++t, ++position)
            if (program.GetTestSuite(s)->GetTestInfo(t) == program.current_test_info())
                return "127.0.60." + std::to_string(1 + position % 254);
    return "127.0.60.255";
}

// Everything the library makes of one message that a client shows with Qt.
struct LibraryOutputs {
    std::string richText;              // ParseHtml: the text of callback code 1
    std::set<QString> announced;       // ParseHtml: the paths of callback code 2
    std::string resourceRichText;      // ParseHtml with resourceImagesOnly
    std::string rewritten, richText2;  // ParseHtml2 and GetText after it
    std::string body, rebuilt;         // ParseHtml_Orb, then HtmlFromBody with its images
    std::string paragraph;             // EChTextFromBody of the body
};

LibraryOutputs runLibrary(const std::string& message)
{
    using TestSupport::callbackCalls;
    LibraryOutputs out;
    callbackCalls.clear();
    Tessel::ParseHtml(message, TestSupport::recordCallback, 0, false);
    for (const TestSupport::CallbackCall& call : callbackCalls)
        if (call.code == 1)
            out.richText = call.data;
        else if (call.code == 2)
            out.announced.insert(QString::fromStdString(call.data));
    callbackCalls.clear();
    Tessel::ParseHtml(message, TestSupport::recordCallback, 0, true);
    if (!callbackCalls.empty() && callbackCalls.back().code == 1)
        out.resourceRichText = callbackCalls.back().data;
    Tessel::ParseHtml2(out.rewritten, message, nullptr, 0);
    Tessel::GetText(out.richText2);
    Tessel::ParseHtml_Orb(message);
    Tessel::GetBody(out.body);
    Tessel::StringPairList images;
    Tessel::GetImageVector(images);
    Tessel::HtmlFromBody(out.rebuilt, out.body, images);
    Tessel::EChTextFromBody(out.body, out.paragraph);
    return out;
}

bool isResource(const ShownImage& image) { return image.name.startsWith(":/"); }
bool isRemote(const ShownImage& image) { return image.name.startsWith("http://"); }
bool isDownload(const ShownImage& image)
{
    return image.name.startsWith(QString::fromStdString(CheckSetup::get().cacheDir + "/"));
}

// An image's key, and whether Qt shows a picture for it. A remote picture
// that the server does not send and the file the library stores for it (the
// error page) both show nothing: they count as the same.
std::pair<QString, bool> identify(const ShownImage& image)
{
    if (!image.filePixels.isEmpty())
        return {image.filePixels, true};
    const QString remote = CheckSetup::get().remoteKeys.value(image.name);
    if (!remote.isEmpty())
        return {remote, true};
    return {isRemote(image) || isDownload(image) ? "not shown: a remote picture" : "not shown: " + image.name,
            false};
}

// The outputs, by the images of the message that they keep.
enum class Output { richText, resourcesOnly, rewritten, rebuilt, emoticons };
enum class Kept { no, yes, perhaps };

Kept kept(const ShownImage& image, Output output)
{
    const bool file = !image.file.isEmpty();  // a resource or local file that exists
    switch (output) {
    case Output::richText:
        // A remote picture that cannot be fetched stays out, unless the server
        // answered: then the library keeps the error page it stored.
        if (isResource(image) || file || identify(image).second)
            return Kept::yes;
        return isRemote(image) ? Kept::perhaps : Kept::no;
    case Output::resourcesOnly: return isResource(image) ? Kept::yes : Kept::no;
    case Output::rewritten: return isResource(image) || isRemote(image) || file ? Kept::yes : Kept::no;
    case Output::rebuilt: return Kept::yes;
    case Output::emoticons:  // the compiled resources hold exactly the catalogue's emoticons
        return isResource(image) && identify(image).second ? Kept::yes : Kept::no;
    }
    return Kept::no;
}

std::string describe(const Rendering& rendering)
{
    std::string text = "text: \"" + rendering.plainText.toStdString() + "\"\nimages:";
    for (const ShownImage& image : rendering.images)
        text += "\n  " + image.name.toStdString() + " -> " + identify(image).first.toStdString() + " at " +
                std::to_string(image.size.width()) + "x" + std::to_string(image.size.height());
    return text;
}

// Matches the output's images, in order, with the message's images that it
// keeps; where the library resolved one, Qt shows it from its file at the
// file's size, and a fetched picture from the cache directory. Returns the
// message's text less the images that the output does not show.
QString expectImages(const std::string& what, const Rendering& message, Output kind, const Rendering& output)
{
    std::vector<bool> shown;
    std::string expected, found;
    std::size_t next = 0;
    bool matched = true;
    for (const ShownImage& source : message.images) {
        const Kept keep = kept(source, kind);
        const auto [key, known] = identify(source);
        if (keep != Kept::no)
            expected += "\n  " + key.toStdString() + (keep == Kept::perhaps ? " (or left out)" : "");
        const bool same = matched && next < output.images.size() && identify(output.images[next]).first == key;
        matched = matched && (same || keep != Kept::yes);
        shown.push_back(keep != Kept::no && same);
        if (!shown.back())
            continue;
        const ShownImage& image = output.images[next++];
        if (!known || isRemote(image))
            continue;  // left as written: same source, same (lack of) picture
        EXPECT_TRUE(image.shownAsFile()) << what << ": " << image.name.toStdString() << " for "
                                         << source.name.toStdString() << " not shown from its file at its size";
        EXPECT_TRUE(!isRemote(source) || isDownload(image)) << what << ": " << source.name.toStdString()
                                                            << " not shown from the cache directory";
    }
    for (const ShownImage& image : output.images)
        found += "\n  " + identify(image).first.toStdString();
    EXPECT_TRUE(matched && next == output.images.size())
        << what << ": not the message's images\nexpected:" << expected << "\nshown:" << found;
    QString text;
    std::size_t image = 0;
    for (QChar c : message.plainText) {
        const bool isImage = c == QChar(0xFFFC);
        if (!isImage || (image < shown.size() && shown[image]))
            text += c;
        image += isImage;
    }
    return text;
}

// Every run of whitespace as one "\n" when it holds a line break, else one " ".
QString collapse(const QString& text)
{
    QString result;
    for (int i = 0; i < text.size();) {
        bool space = false, lineBreak = false;
        for (; i < text.size() && text[i].isSpace(); ++i, space = true)
            lineBreak = lineBreak || text[i] == '\n' || text[i] == QChar::ParagraphSeparator ||
                        text[i] == QChar::LineSeparator;
        result += space ? QString(lineBreak ? '\n' : ' ') : QString(text[i++]);
    }
    return result.trimmed();
}

// The output's images and then its text: the same characters as the
// message's and no separation that the message lacks; unless loose, no
// separation lost either. Differences are shown with "|" at their place.
void expectShown(const std::string& what, const Rendering& message, Output kind, const Rendering& output,
                 bool loose, const QString& head = "")
{
    const QString e = collapse(head + expectImages(what, message, kind, output));
    const QString a = collapse(output.plainText);
    const std::string texts = "\nexpected: \"" + e.toStdString() + "\"\nshown:    \"" + a.toStdString() + "\"";
    auto characters = [](QString text) { return text.remove(' ').remove('\n').toStdString(); };
    ASSERT_EQ(characters(e), characters(a)) << what << ": other characters than the message's" << texts;
    // The same characters in the same order: every difference is at a separation.
    QStringList added, lost;
    for (int i = 0, j = 0; i < e.size() || j < a.size();) {
        const bool eSpace = i < e.size() && e[i].isSpace(), aSpace = j < a.size() && a[j].isSpace();
        if (eSpace != aSpace || (eSpace && e[i] != a[j]))
            (!eSpace || (aSpace && a[j] == '\n') ? added : lost)
                << QString(e.mid(qMax(0, i - 16), qMin(i, 16)) + "|" + e.mid(i, 16)).replace('\n', "\\n");
        i += eSpace || !aSpace;
        j += aSpace || !eSpace;
    }
    EXPECT_TRUE(added.empty()) << what << ": separations the message lacks: " << added.join(" / ").toStdString();
    EXPECT_TRUE(loose || lost.empty()) << what << ": separations lost: " << lost.join(" / ").toStdString()
                                       << texts;
}

}  // namespace

CheckSetup& CheckSetup::get()
{
    static CheckSetup setup;
    return setup;
}

CheckSetup::CheckSetup() : origin(QString::fromStdString("http://" + serverAddress())), server(serverAddress())
{
    Tessel::Init("", TESSEL_SOURCE_DIR "/data/emo.dat");
    cacheDir = dir / "cache";
    Tessel::SetCachePath(cacheDir.c_str());
    Tessel::SetCustomHead(Head[0], Head[1], Head[2]);
    const std::pair<const char*, QByteArray> served[] = {
        {"/pictures/remote.png", encodedPicture(QSize(40, 30), Qt::darkGreen, "PNG")},
        {"/photos/tile.jpg", encodedPicture(QSize(33, 17), Qt::darkBlue, "JPG")}};
    for (const auto& [path, bytes] : served) {
        server.on(path, TestSupport::Reply(200, bytes.toStdString()));
        remoteKeys.insert(origin + path, pixelsKey(bytes));
        assets.remote << origin + path;
    }
    assets.remote << origin + "/pictures/gone.png";  // answered 404

    // The sample picture under names that Qt writes in different ways.
    const std::string sunset = TestSupport::readFile(TESSEL_SOURCE_DIR "/data/pictures/sunset.png");
    if (sunset.empty())
        throw std::runtime_error("cannot read data/pictures/sunset.png");
    for (const char* name : {"sunset.png", "my pictures/beach day.png",
                             "\xe5\x9b\xbe\xe7\x89\x87/\xe6\x97\xa5\xe8\x90\xbd.png"}) {
        const QString path = QString::fromStdString(dir.write(std::string("pictures/") + name, sunset));
        assets.pictures << path << QUrl::fromLocalFile(path).toString();
    }
    assets.missing << QString::fromStdString(dir / "pictures/missing.png");
}

void checkMessage(const std::string& message)
{
    const LibraryOutputs out = runLibrary(message);
    const Rendering original = renderHtml(message);
    SCOPED_TRACE("message as Qt shows it:\n" + describe(original));

    // ParseHtml: rich text, or plain text for a message without markup.
    const std::size_t at = message.find_first_of("<>");
    const bool markup = at != std::string::npos;
    const Rendering cut = !markup ? renderHtml("<p style=\"white-space: pre-wrap;\">" + message + "</p>")
                                  : renderHtml(message[at] == '>' ? message.substr(at + 1) : message);
    auto load = [&](const std::string& text) { return markup ? renderHtml(text) : renderPlainText(text); };
    const Rendering rich = load(out.richText);
    expectShown("ParseHtml", cut, Output::richText, rich, true);
    std::set<QString> shownNames;
    for (const ShownImage& image : rich.images)
        shownNames.insert(image.file.isEmpty() ? image.name : image.file);
    EXPECT_TRUE(shownNames == out.announced) << "ParseHtml: the images shown are not those announced";
    expectShown("ParseHtml, resources only", cut, Output::resourcesOnly, load(out.resourceRichText), true);

    // ParseHtml2, and the round trip: body, then HTML rebuilt with the body's
    // image list; the paragraph of the body starts with the title div's strings.
    expectShown("ParseHtml2 text", original, Output::richText, renderHtml(out.richText2), true);
    const Rendering rewritten = renderHtml(out.rewritten);
    EXPECT_EQ(rewritten.plainText.toStdString(),
              expectImages("ParseHtml2", original, Output::rewritten, rewritten).toStdString())
        << "ParseHtml2: the rewritten message shows another text";
    expectShown("HtmlFromBody", original, Output::rebuilt, renderHtml(out.rebuilt), false);
    const char* const* h = CheckSetup::Head;
    const QString head = QString("%1\n%2\n%3\n").arg(h[0], h[1], h[2]);
    expectShown("EChTextFromBody", original, Output::emoticons, renderHtml(out.paragraph), true, head);
}

}  // namespace qtcheck
