// Where Qt shows an output of the library otherwise than the message itself.
// Each test states both readings, so that a change of the library that ends a
// difference shows here and the check in message_check.cpp can be tightened.
#include <gtest/gtest.h>

#include <QFile>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include "check_setup.h"
#include "library_outputs.h"
#include "rendering.h"
#include "support/temp_dir.h"
#include "text_compare.h"

using namespace qtcheck;

namespace {

const QString Image(QChar(0xFFFC));

Rendering shown(const std::string& html)
{
    return renderHtml(QString::fromUtf8(html.data(), static_cast<int>(html.size())));
}

// A copy of the sample picture (96x64) under name in dir.
QString samplePicture(const testsupport::TempDir& dir, const std::string& name)
{
    QFile sample(TESSEL_SOURCE_DIR "/data/pictures/sunset.png");
    EXPECT_TRUE(sample.open(QIODevice::ReadOnly));
    return QString::fromStdString(dir.write(name, sample.readAll().toStdString()));
}

// A message the way the client's editor writes it: one picture, as Qt saves it.
std::string messageWithPicture(const QTextImageFormat& picture)
{
    QTextDocument document;
    QTextCursor cursor(&document);
    cursor.insertText("look: ");
    cursor.insertImage(picture);
    return document.toHtml().toStdString();
}

}  // namespace

// The library drops the whitespace at the start of every text run: after an
// image and where the format changes. The rewritten message and the round
// trip keep it.
TEST(QtDifferences, SpaceAtTheStartOfATextRunIsLost)
{
    CheckSetup::get();
    std::string message =
        "<html><head><style>p { white-space: pre-wrap; }</style></head><body><p>Hi "
        "<img src=\":/Res/FaceMgr/em/1.png\" /> there,<span style=\" font-weight:600;\"> Ann</span>"
        "</p></body></html>";
    LibraryOutputs out = runLibrary(message);
    EXPECT_EQ(shown(message).plainText, "Hi " + Image + " there, Ann");
    EXPECT_EQ(shown(out.richText).plainText, "Hi " + Image + "there,Ann");
    EXPECT_EQ(shown(out.richText2).plainText, "Hi " + Image + "there,Ann");
    EXPECT_EQ(shown(out.rewritten).plainText, "Hi " + Image + " there, Ann");
    EXPECT_EQ(shown(out.rebuilt).plainText, "Hi " + Image + " there, Ann");
}

// List items and table cells are no block tags for the library: in the rich
// text they run together.
TEST(QtDifferences, ListItemsAndTableCellsRunTogether)
{
    CheckSetup::get();
    std::string message = "<body><ul><li>milk</li><li>eggs</li></ul>"
                          "<table><tr><td>tea</td><td>cake</td></tr></table></body>";
    LibraryOutputs out = runLibrary(message);
    EXPECT_EQ(normalizeWhitespace(shown(message).plainText), "milk\neggs\ntea\ncake");
    EXPECT_EQ(normalizeWhitespace(shown(out.richText).plainText), "milkeggsteacake");
    EXPECT_EQ(normalizeWhitespace(shown(out.rebuilt).plainText), "milk\neggs\ntea\ncake");
}

// A message without markup comes back from ParseHtml with its character
// references decoded: plain text, which Qt misreads as HTML ("<3" opens a
// tag). ParseHtml2's text of the same message stays HTML.
TEST(QtDifferences, MessageWithoutMarkupComesBackAsPlainText)
{
    CheckSetup::get();
    std::string message = "Tom &amp; Jerry &lt;3 caf&eacute;";
    LibraryOutputs out = runLibrary(message);
    QString expected = QString::fromUtf8("Tom & Jerry <3 caf\xc3\xa9");
    EXPECT_EQ(shown(message).plainText, expected);
    EXPECT_EQ(renderPlainText(QString::fromStdString(out.richText)).plainText, expected);
    EXPECT_EQ(shown(out.richText).plainText, "Tom & Jerry ");
    EXPECT_EQ(shown(out.richText2).plainText, expected);
}

// Qt writes "&" in a picture's name as "&amp;". The rich-text parser tests the
// name as written and drops the picture; the body parser decodes it.
TEST(QtDifferences, PictureNameWithAmpersandIsDropped)
{
    CheckSetup::get();
    testsupport::TempDir dir;
    QTextImageFormat picture;
    picture.setName(samplePicture(dir, "salt & pepper.png"));
    std::string message = messageWithPicture(picture);
    ASSERT_NE(message.find("salt &amp; pepper.png"), std::string::npos);
    LibraryOutputs out = runLibrary(message);

    ASSERT_EQ(shown(message).images.size(), 1u);
    EXPECT_TRUE(shown(message).images[0].shownAsFile());
    EXPECT_TRUE(shown(out.richText).images.empty());
    EXPECT_TRUE(shown(out.rewritten).images.empty());
    ASSERT_EQ(shown(out.rebuilt).images.size(), 1u);
    EXPECT_TRUE(shown(out.rebuilt).images[0].shownAsFile());
}

// The rewritten image tags keep no width or height: a picture the message
// scales shows at the size of its file.
TEST(QtDifferences, ScaledPictureShowsAtItsFileSize)
{
    CheckSetup::get();
    testsupport::TempDir dir;
    QTextImageFormat picture;
    picture.setName(samplePicture(dir, "sunset.png"));
    picture.setWidth(48);
    picture.setHeight(32);
    LibraryOutputs out = runLibrary(messageWithPicture(picture));

    for (const std::string* html : {&out.richText, &out.rewritten, &out.rebuilt}) {
        Rendering rendering = shown(*html);
        ASSERT_EQ(rendering.images.size(), 1u) << *html;
        EXPECT_EQ(rendering.images[0].size, QSize(96, 64)) << *html;
    }
    EXPECT_EQ(shown(messageWithPicture(picture)).images[0].size, QSize(48, 32));
}

// The body leaves out the message's head and its "white-space: pre-wrap"
// style: after the round trip Qt collapses runs of spaces and tabs.
TEST(QtDifferences, RoundTripCollapsesRunsOfWhitespace)
{
    CheckSetup::get();
    QTextDocument document;
    document.setPlainText("two  spaces\tand a tab");
    LibraryOutputs out = runLibrary(document.toHtml().toStdString());
    EXPECT_EQ(shown(document.toHtml().toStdString()).plainText, "two  spaces\tand a tab");
    EXPECT_EQ(shown(out.rewritten).plainText, "two  spaces\tand a tab");
    EXPECT_EQ(shown(out.rebuilt).plainText, "two spaces and a tab");
}

// A document title is part of the head, which Qt does not show; the library
// takes its text as message text.
TEST(QtDifferences, DocumentTitleBecomesText)
{
    CheckSetup::get();
    QTextDocument document;
    document.setPlainText("agreed");
    document.setMetaInformation(QTextDocument::DocumentTitle, "Minutes");
    std::string message = document.toHtml().toStdString();
    LibraryOutputs out = runLibrary(message);
    EXPECT_EQ(shown(message).plainText, "agreed");
    EXPECT_EQ(normalizeWhitespace(shown(out.richText).plainText), "Minutes\nagreed");
}

// A picture that the server answers with an error status stays in the rich
// text as the cache file holding the error page: an image Qt cannot show.
TEST(QtDifferences, PictureAnsweredWithAnErrorIsABrokenImage)
{
    CheckSetup& setup = CheckSetup::get();
    std::string message =
        "<p>gone: <img src=\"" + setup.origin().toStdString() + "/pictures/gone.png\" /></p>";
    Rendering rich = shown(runLibrary(message).richText);
    ASSERT_EQ(rich.images.size(), 1u);
    EXPECT_EQ(rich.images[0].name.toStdString().rfind(setup.cacheDir() + "/", 0), 0u);
    EXPECT_FALSE(rich.images[0].file.isEmpty());
    EXPECT_EQ(rich.images[0].size, QSize(0, 0));
}

// Qt writes a local picture given as a "file:" address with "%" escaped as
// "%25"; the library takes the path after "file:///" as written and misses
// the file. The body keeps the tag as written, which Qt then resolves.
TEST(QtDifferences, FileAddressIsNotPercentDecoded)
{
    CheckSetup::get();
    testsupport::TempDir dir;
    QTextImageFormat picture;
    picture.setName(QUrl::fromLocalFile(samplePicture(dir, "50% off.png")).toString());
    std::string message = messageWithPicture(picture);
    ASSERT_NE(message.find("50%25 off.png"), std::string::npos);
    LibraryOutputs out = runLibrary(message);

    ASSERT_EQ(shown(message).images.size(), 1u);
    EXPECT_TRUE(shown(message).images[0].shownAsFile());
    EXPECT_TRUE(shown(out.richText).images.empty());
    EXPECT_TRUE(shown(out.rewritten).images.empty());
    ASSERT_EQ(shown(out.rebuilt).images.size(), 1u);
    EXPECT_TRUE(shown(out.rebuilt).images[0].shownAsFile());
}
