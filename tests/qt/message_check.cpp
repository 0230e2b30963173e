// The invariants, stated on what Qt shows (plain text with one U+FFFC per
// image, and the images in document order).
//
// Images. Each is known by the pixels of the file Qt loads for it or, for an
// "http://" address, of the picture the check's server sends. An output shows
// the message's images in order, less those it leaves out by design: rich
// text keeps resources, existing local files and fetched pictures (an address
// answered with an error comes as the stored error page, which Qt shows as
// nothing, like the address itself); the rewritten message also keeps remote
// tags it could not fetch, as written; the rebuilt HTML keeps every image;
// the emoticon paragraph only the emoticons. Every image that the library
// resolved is shown from a resource, an existing file or the cache
// directory, at the file's size, with the file's pixels.
//
// Text. The rewritten message shows exactly the message's text. The other
// outputs lose the message's head and its "white-space: pre-wrap", so their
// text is compared with runs of whitespace collapsed: the rebuilt HTML then
// shows exactly the message's text; the rich text and the emoticon
// paragraph show the same characters in order and never a separation the
// message lacks, but they may lose some (the library drops the whitespace at
// the start of every text run; list items and table cells get no breaks).
//
// ParseHtml drops the tail of a tag cut off at the start of a message, so
// its reference is Qt's reading of the rest; a message without markup comes
// back from it as plain text with references decoded, which is loaded as
// plain text and compared with the message read with its line feeds kept.
#include <gtest/gtest.h>

#include <set>

#include "qt_check.h"

namespace qtcheck {

namespace {

QString fromUtf8(const std::string& bytes) { return QString::fromUtf8(bytes.data(), int(bytes.size())); }

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
    QString remote = CheckSetup::get().remoteKeys.value(image.name);
    if (!remote.isEmpty())
        return {remote, true};
    if (isRemote(image) || isDownload(image))
        return {"not shown: a remote picture", false};
    return {"not shown: " + image.name, false};
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
        text += "\n  " + image.name.toStdString() + " -> " + identify(image).first.toStdString() +
                " at " + std::to_string(image.size.width()) + "x" + std::to_string(image.size.height());
    return text;
}

// Matches the output's images, in order, with the message's images that it
// keeps; where the library resolved one, Qt shows it from its file at the
// file's size, and a fetched picture from the cache directory. Returns, per
// image of the message, whether the output shows it.
std::vector<bool> expectImages(const std::string& what, const Rendering& message, Output kind,
                               const Rendering& output)
{
    std::vector<bool> shown(message.images.size(), false);
    std::string expected, found;
    std::size_t next = 0;
    bool matched = true;
    for (std::size_t i = 0; i < message.images.size(); ++i) {
        const ShownImage& source = message.images[i];
        const Kept keep = kept(source, kind);
        if (keep == Kept::no)
            continue;
        const auto [key, known] = identify(source);
        expected += "\n  " + key.toStdString() + (keep == Kept::perhaps ? " (or left out)" : "");
        const bool same = matched && next < output.images.size() && identify(output.images[next]).first == key;
        if (keep == Kept::perhaps && !same)
            continue;
        matched = matched && same;
        if (!same)
            continue;
        shown[i] = true;
        const ShownImage& image = output.images[next++];
        if (!known || isRemote(image))
            continue;  // left as written: same source, same (lack of) picture
        EXPECT_TRUE(image.shownAsFile()) << what << ": " << image.name.toStdString() << " for "
                                         << source.name.toStdString() << " is not shown from its file at its size";
        EXPECT_TRUE(!isRemote(source) || isDownload(image))
            << what << ": " << source.name.toStdString() << " shown from " << image.name.toStdString()
            << ", not from the cache directory";
    }
    for (const ShownImage& image : output.images)
        found += "\n  " + identify(image).first.toStdString();
    EXPECT_TRUE(matched && next == output.images.size())
        << what << ": not the message's images\nexpected:" << expected << "\nshown:" << found;
    return shown;
}

// The images of the message that the output keeps, then its text: exactly
// the message's, or, when loose, the same characters and no separation that
// the message lacks.
void expectShown(const std::string& what, const Rendering& message, Output kind, const Rendering& output,
                 bool loose, const QString& head = "")
{
    const QString expected = head + keepImages(message.plainText, expectImages(what, message, kind, output));
    const TextComparison comparison = compareText(expected, output.plainText);
    const std::string texts = "\nexpected: \"" + expected.toStdString() + "\"\nshown:    \"" +
                              output.plainText.toStdString() + "\"";
    if (!loose) {
        EXPECT_TRUE(comparison.equal()) << what << ": another text than the message's" << texts;
    }
    EXPECT_TRUE(comparison.sameCharacters) << what << ": other characters than the message's" << texts;
    EXPECT_TRUE(comparison.added.empty())
        << what << ": separations the message lacks: " << comparison.added.join(" / ").toStdString();
}

}  // namespace

void checkMessage(const std::string& message)
{
    const LibraryOutputs out = runLibrary(message);
    const Rendering original = renderHtml(message);
    SCOPED_TRACE("message as Qt shows it:\n" + describe(original));

    // ParseHtml: rich text, or plain text for a message without markup.
    const std::size_t at = message.find_first_of("<>");
    const bool markup = at != std::string::npos;
    const Rendering cut =
        !markup ? renderHtml("<p style=\"white-space: pre-wrap;\">" + fromUtf8(message) + "</p>")
                : renderHtml(message[at] == '>' ? message.substr(at + 1) : message);
    auto load = [&](const std::string& text) {
        return markup ? renderHtml(text) : renderPlainText(fromUtf8(text));
    };
    const Rendering rich = load(out.richText);
    expectShown("ParseHtml", cut, Output::richText, rich, true);
    std::set<QString> shownNames, announced;
    for (const ShownImage& image : rich.images)
        shownNames.insert(image.name);
    for (const std::string& path : out.announced)
        announced.insert(fromUtf8(path));
    EXPECT_TRUE(shownNames == announced) << "ParseHtml: the images shown are not those announced";
    expectShown("ParseHtml, resources only", cut, Output::resourcesOnly, load(out.resourceRichText), true);

    // ParseHtml2, and the round trip: body, then HTML rebuilt with the body's
    // image list; the paragraph of the body starts with the title div's strings.
    expectShown("ParseHtml2 text", original, Output::richText, renderHtml(out.richText2), true);
    const Rendering rewritten = renderHtml(out.rewritten);
    const QString originalText = keepImages(
        original.plainText, expectImages("ParseHtml2", original, Output::rewritten, rewritten));
    EXPECT_EQ(rewritten.plainText.toStdString(), originalText.toStdString())
        << "ParseHtml2: the rewritten message shows another text";
    expectShown("HtmlFromBody", original, Output::rebuilt, renderHtml(out.rebuilt), false);
    const QString head = QString("%1\n%2\n%3\n").arg(CheckSetup::Head[0], CheckSetup::Head[1], CheckSetup::Head[2]);
    expectShown("EChTextFromBody", original, Output::emoticons, renderHtml(out.paragraph), true, head);
}

}  // namespace qtcheck
