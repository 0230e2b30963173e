// The invariants, stated on what Qt shows (QTextDocument::toPlainText(), one
// U+FFFC per image, and the images in document order):
//
// Images. Each image is known by the pixels of the file Qt loads for it, or,
// for an "http://" address, by the picture the test server sends. An output
// shows the message's images in the message's order, less the ones that it
// leaves out by design: rich text keeps resources, existing local files and
// fetched pictures (a remote picture the server answers with an error comes
// as the stored error page, which Qt shows as nothing, like the address
// itself); the rewritten message also keeps the tags of remote pictures it
// could not fetch, as written; the rebuilt HTML keeps every image; the
// emoticon paragraph keeps the emoticons only. Every image that the library
// resolved is shown by Qt from a resource, an existing file or a file in the
// cache directory, at the file's pixel size, with the file's pixels.
//
// Text. The rewritten message is the message with image tags replaced, so Qt
// shows exactly the message's text. The other outputs lose the message's
// head, and with it its "white-space: pre-wrap" style, so Qt collapses runs
// of whitespace in them: their text is compared after collapsing every run
// of whitespace into one space, or one line break when it holds one. The
// rebuilt HTML then shows exactly the message's text. The rich text and the
// emoticon paragraph show the same characters in the same order, and never
// a separation that the message lacks; they do lose some: the library drops
// the whitespace at the start of every text run (after an image, at a change
// of format), rich text has no line breaks for list items and table cells,
// and the paragraph has none at all. Those losses are collected as findings.
//
// Reference. The message as Qt reads it. ParseHtml drops the tail of a tag
// cut off at the start of a message (the bytes up to a '>' that comes before
// any '<'), so its reference is Qt's reading of the rest. A message without
// any markup comes back from ParseHtml as plain text with its character
// references decoded, so that output is loaded as plain text, not as HTML,
// and its reference is the message read with its line feeds as line breaks
// ("white-space: pre-wrap"), as a plain-text message is meant.
#include "message_check.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "check_setup.h"
#include "library_outputs.h"
#include "rendering.h"

namespace qtcheck {

namespace {

QString fromUtf8(const std::string& bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<int>(bytes.size()));
}

bool hasMarkup(const std::string& message)
{
    return message.find_first_of("<>") != std::string::npos;
}

// What ParseHtml's output is compared with.
QString parseHtmlReference(const std::string& message)
{
    std::size_t at = message.find_first_of("<>");
    if (at == std::string::npos)
        return "<p style=\"white-space: pre-wrap;\">" + fromUtf8(message) + "</p>";
    return fromUtf8(message[at] == '>' ? message.substr(at + 1) : message);
}

struct Identity {
    QString key;
    bool known;  // a file Qt loads, or a picture the server sends
};

bool isResource(const ShownImage& image) { return image.name.startsWith(":/"); }
bool isRemote(const ShownImage& image) { return image.name.startsWith("http://"); }
bool isDownload(const ShownImage& image)
{
    return image.name.startsWith(QString::fromStdString(CheckSetup::get().cacheDir() + "/"));
}

// A remote picture that the server does not send and the file the library
// stores for it (the error page) both show nothing: they count as the same.
Identity identify(const ShownImage& image)
{
    if (!image.filePixels.isEmpty())
        return {image.filePixels, true};
    QString remote = CheckSetup::get().remoteKey(image.name);
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
    bool file = !image.file.isEmpty();  // a resource or local file that exists
    switch (output) {
    case Output::richText:
        // A remote picture that cannot be fetched stays out, unless the server
        // answered: then the library keeps the error page it stored.
        if (isResource(image) || file || identify(image).known)
            return Kept::yes;
        return isRemote(image) ? Kept::perhaps : Kept::no;
    case Output::resourcesOnly: return isResource(image) ? Kept::yes : Kept::no;
    case Output::rewritten: return isResource(image) || isRemote(image) || file ? Kept::yes : Kept::no;
    case Output::rebuilt: return Kept::yes;
    case Output::emoticons:
        // The compiled resources hold exactly the catalogue's emoticons.
        return isResource(image) && identify(image).known ? Kept::yes : Kept::no;
    }
    return Kept::no;
}

std::string describe(const Rendering& rendering)
{
    std::string text = "text: \"" + rendering.plainText.toStdString() + "\"\nimages:";
    for (const ShownImage& image : rendering.images)
        text += "\n  " + image.name.toStdString() + " -> " + identify(image).key.toStdString() +
                " at " + std::to_string(image.size.width()) + "x" +
                std::to_string(image.size.height());
    return text;
}

// Where the library resolved an image, Qt shows it from its file at the
// file's size, and a fetched picture from the cache directory.
void expectResolved(const std::string& what, const ShownImage& source, const ShownImage& shown)
{
    if (!identify(source).known || isRemote(shown))
        return;  // left as written: same source, same (lack of) picture
    EXPECT_TRUE(shown.shownAsFile())
        << what << ": " << shown.name.toStdString() << " for " << source.name.toStdString()
        << " is not shown from its file at its size";
    if (isRemote(source)) {
        EXPECT_TRUE(isDownload(shown)) << what << ": " << source.name.toStdString()
                                       << " shown from " << shown.name.toStdString()
                                       << ", not from the cache directory";
    }
}

// Matches the output's images, in order, with the message's images that it
// keeps. Returns, per image of the message, whether the output shows it.
std::vector<bool> expectImages(const std::string& what, const Rendering& message, Output kind,
                               const Rendering& output)
{
    std::vector<bool> shown(message.images.size(), false);
    std::string expected, found;
    std::size_t next = 0;
    bool matched = true;
    for (std::size_t i = 0; i < message.images.size(); ++i) {
        const ShownImage& source = message.images[i];
        Kept keep = kept(source, kind);
        if (keep == Kept::no)
            continue;
        QString key = identify(source).key;
        expected += "\n  " + key.toStdString() + (keep == Kept::perhaps ? " (or left out)" : "");
        bool same = matched && next < output.images.size() && identify(output.images[next]).key == key;
        if (keep == Kept::perhaps && !same)
            continue;
        matched = matched && same;
        if (!same)
            continue;
        shown[i] = true;
        expectResolved(what, source, output.images[next++]);
    }
    for (const ShownImage& image : output.images)
        found += "\n  " + identify(image).key.toStdString();
    EXPECT_TRUE(matched && next == output.images.size())
        << what << ": not the message's images\nexpected:" << expected << "\nshown:" << found;
    return shown;
}

// Same characters, no separation that the message lacks; the losses are findings.
void expectLooseText(const std::string& what, const QString& expected, const Rendering& output,
                     Findings& findings)
{
    TextComparison comparison = compareText(expected, output.plainText);
    EXPECT_TRUE(comparison.sameCharacters)
        << what << ": other characters than the message's\nexpected: \""
        << expected.toStdString() << "\"\nshown:    \"" << output.plainText.toStdString() << "\"";
    EXPECT_TRUE(comparison.added.empty())
        << what << ": separations the message lacks: " << comparison.added.join(" / ").toStdString();
    findings.add(what, comparison);
}

}  // namespace

void Findings::add(const std::string& output, const TextComparison& comparison)
{
    Losses& entry = losses[output];
    entry.spaces += comparison.lostSpaces.size();
    entry.breaks += comparison.lostBreaks.size();
    entry.flattened += comparison.flattened.size();
    for (const QString& place : comparison.lostSpaces + comparison.lostBreaks)
        if (entry.examples.size() < 3)
            entry.examples << place;
}

void Findings::print(std::ostream& out) const
{
    for (const auto& [output, entry] : losses) {
        if (entry.spaces + entry.breaks + entry.flattened == 0)
            continue;
        out << output << ": " << entry.spaces << " spaces and " << entry.breaks
            << " line breaks lost, " << entry.flattened << " line breaks shown as spaces";
        for (const QString& example : entry.examples)
            out << "\n    \"" << example.toStdString() << "\"";
        out << "\n";
    }
}

void checkMessage(const std::string& message, Findings& findings)
{
    LibraryOutputs out = runLibrary(message);
    Rendering original = renderHtml(fromUtf8(message));
    Rendering cut = renderHtml(parseHtmlReference(message));
    SCOPED_TRACE("message as Qt shows it:\n" + describe(original));

    // ParseHtml and ParseHtml2: rich text.
    auto loadRichText = [&](const std::string& text) {
        return hasMarkup(message) ? renderHtml(fromUtf8(text)) : renderPlainText(fromUtf8(text));
    };
    Rendering rich = loadRichText(out.richText);
    std::vector<bool> shown = expectImages("ParseHtml", cut, Output::richText, rich);
    expectLooseText("ParseHtml", keepImages(cut.plainText, shown), rich, findings);
    std::set<QString> shownNames, announced;
    for (const ShownImage& image : rich.images)
        shownNames.insert(image.name);
    for (const std::string& path : out.announced)
        announced.insert(fromUtf8(path));
    EXPECT_TRUE(shownNames == announced) << "ParseHtml: the images shown are not those announced";

    Rendering resources = loadRichText(out.resourceRichText);
    shown = expectImages("ParseHtml, resources only", cut, Output::resourcesOnly, resources);
    expectLooseText("ParseHtml, resources only", keepImages(cut.plainText, shown), resources,
                    findings);

    Rendering rich2 = renderHtml(fromUtf8(out.richText2));
    shown = expectImages("ParseHtml2 text", original, Output::richText, rich2);
    expectLooseText("ParseHtml2 text", keepImages(original.plainText, shown), rich2, findings);

    Rendering rewritten = renderHtml(fromUtf8(out.rewritten));
    shown = expectImages("ParseHtml2", original, Output::rewritten, rewritten);
    EXPECT_EQ(rewritten.plainText.toStdString(), keepImages(original.plainText, shown).toStdString())
        << "ParseHtml2: the rewritten message shows another text";

    // The round trip: body, then HTML rebuilt with the body's image list.
    Rendering rebuilt = renderHtml(fromUtf8(out.rebuilt));
    expectImages("HtmlFromBody", original, Output::rebuilt, rebuilt);
    TextComparison comparison = compareText(original.plainText, rebuilt.plainText);
    EXPECT_TRUE(comparison.equal())
        << "HtmlFromBody: another text than the message's\nexpected: \""
        << original.plainText.toStdString() << "\"\nshown:    \""
        << rebuilt.plainText.toStdString() << "\"";

    // The paragraph of the body: the title div's strings, then the text with
    // the emoticons.
    Rendering paragraph = renderHtml(fromUtf8(out.paragraph));
    shown = expectImages("EChTextFromBody", original, Output::emoticons, paragraph);
    QString head = QString("%1\n%2\n%3\n").arg(CheckSetup::HeadTitle, CheckSetup::HeadSender,
                                               CheckSetup::HeadDate);
    expectLooseText("EChTextFromBody", head + keepImages(original.plainText, shown), paragraph,
                    findings);
}

}  // namespace qtcheck
