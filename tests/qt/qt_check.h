// The rendering check: the library's outputs read by Qt's rich-text engine
// the way the client reads them, and compared with Qt's reading of the
// message itself.
#pragma once

#include <QMap>
#include <QSize>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "api/tessel.h"
#include "support/common.h"
#include "support/http_server.h"

class QImage;

namespace qtcheck {

// What Qt makes of one image of a document: the file it reads it from, the
// size it lays it out at and the pixels it draws.
struct ShownImage {
    QString name;        // the image's source as Qt read it from the markup
    QString file;        // the resource or local file it names; "" when none exists
    QSize size;          // the size Qt lays it out at (0x0 when Qt cannot load it)
    QSize fileSize;      // the pixel size of the file (invalid without one)
    QString drawn;       // pixelsKey() of what Qt draws in the image's place
    QString filePixels;  // pixelsKey() of the file's own pixels ("" without one)

    // Qt found the file, lays it out at the file's size and draws its pixels.
    bool shownAsFile() const;
};

struct Rendering {
    QString plainText;               // QTextDocument::toPlainText(): U+FFFC per image
    std::vector<ShownImage> images;  // in document order
};

Rendering renderHtml(const QString& html);
Rendering renderPlainText(const QString& text);
Rendering renderHtml(const std::string& utf8);
// "WxH:md5" of an image's pixels in one fixed format: equal keys, equal pictures.
QString pixelsKey(const QImage& image);

// Every run of whitespace becomes one "\n" when it holds a line break and one
// " " otherwise; whitespace at both ends goes.
QString normalizeWhitespace(const QString& text);

// Two texts compared after normalizeWhitespace(): each difference is given
// with some context and a "|" at its place in the expected text.
struct TextComparison {
    bool sameCharacters = false;  // equal once all whitespace is removed
    QStringList added;            // a separation the expected text does not have
    QStringList lost;             // a space or line break of the expected text missing or flattened
    bool equal() const { return sameCharacters && added.empty() && lost.empty(); }
};
TextComparison compareText(const QString& expected, const QString& actual);

// text without the images (U+FFFC) whose flag in keep is false.
QString keepImages(const QString& text, const std::vector<bool>& keep);

// Local pictures, remote addresses and missing files to put into messages.
struct MessageAssets {
    QStringList pictures;  // existing local pictures (absolute paths and file: addresses)
    QStringList remote;    // "http://" addresses that the check's server answers
    QStringList missing;   // local paths that name no file
    int emoticons = 36;    // emoticon ids 1..emoticons have resources
};

// What every check shares: the library initialised with the sample
// catalogue, a cache directory, a server with pictures, and local pictures.
class CheckSetup {
public:
    static CheckSetup& get();  // built on first use, after the QGuiApplication

    // "http://127.0.60.N", one address per test, so that tests run side by side.
    QString origin;
    std::string cacheDir;
    MessageAssets assets;
    // pixelsKey() of the picture the server sends for address; "" when it
    // answers with an error.
    QMap<QString, QString> remoteKeys;
    static const char* const Head[3];  // title, sender and date given to the body parser

private:
    CheckSetup();
    TestSupport::TempDir dir;
    TestSupport::HttpServer server;
};

// Everything the library makes of one message that a client shows with Qt.
struct LibraryOutputs {
    std::string richText;                // ParseHtml: the text of callback code 1
    std::vector<std::string> announced;  // ParseHtml: the paths of callback code 2
    std::string resourceRichText;        // ParseHtml with resourceImagesOnly
    std::string rewritten;               // ParseHtml2: the message with local pictures
    std::string richText2;               // GetText after ParseHtml2
    std::string body;                    // GetBody after ParseHtml_Orb
    Tessel::StringPairList images;       // GetImageVector after ParseHtml_Orb
    std::string rebuilt;                 // HtmlFromBody(body, images)
    std::string paragraph;               // EChTextFromBody(body)
};
LibraryOutputs runLibrary(const std::string& message);

// Runs the library over message (UTF-8) and checks its outputs as Qt shows them.
void checkMessage(const std::string& message);

// count messages written by Qt itself (QTextCursor edits saved with
// toHtml()), the same for the same seed on every platform.
std::vector<std::string> makeQtMessages(const MessageAssets& assets, int count, std::uint32_t seed);

}  // namespace qtcheck

// Test failures show a QString as its text.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
