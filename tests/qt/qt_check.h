// SPDX-License-Identifier: MIT
// The rendering check: the library's outputs read by Qt's rich-text engine
// the way the client reads them, and compared with Qt's reading of the
// message itself.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QMap>
#include <QSize>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <string>
#include <vector>

#include "support/common.h"
#include "support/http_server.h"

namespace qtcheck {

// One image of a document as Qt shows it.
struct ShownImage {
    QString name;        // the source as Qt read it from the markup
    QString file;        // the resource or local file it names; "" when none exists
    QSize size;          // the size Qt lays it out at (0x0 when Qt cannot load it)
    QSize fileSize;      // the pixel size of the file (invalid without one)
    QString filePixels;  // "WxH:md5" of the file's pixels ("" without one)

    bool shownAsFile() const { return !file.isEmpty() && fileSize.isValid() && size == fileSize; }
};

struct Rendering {
    QString plainText;               // QTextDocument::toPlainText(): U+FFFC per image
    std::vector<ShownImage> images;  // in document order
};

Rendering renderHtml(const std::string& utf8);
// A picture of the given size, encoded as format ("PNG", "JPG").
QByteArray encodedPicture(const QSize& size, QColor color, const char* format);
Rendering renderPlainText(const std::string& utf8);
QString pixelsKey(const QByteArray& encodedImage);

// Local pictures, remote addresses and missing files to put into messages.
struct MessageAssets {
    QStringList pictures;  // existing local pictures (paths and file: addresses)
    QStringList remote;    // "http://" addresses of the check's server
    QStringList missing;   // local paths that name no file
    int emoticons = 36;    // emoticon ids 1..emoticons have resources
};

// The library initialised with the sample catalogue, a cache directory, a
// server with pictures at "http://127.0.60.N" (one address per test, so that
// tests run side by side), and local pictures.
class CheckSetup {
public:
    static CheckSetup& get();  // built on first use, after the QGuiApplication

    QString origin;
    std::string cacheDir;
    MessageAssets assets;
    QMap<QString, QString> remoteKeys;  // pixels of the picture served at an address
    static const char* const Head[3];   // title, sender and date of the body

private:
    CheckSetup();
    TestSupport::TempDir dir;
    TestSupport::HttpServer server;
};

// Runs the library over message (UTF-8) and checks its outputs as Qt shows them.
void checkMessage(const std::string& message);

// count messages written by Qt itself, the same for a seed on every platform.
std::vector<std::string> makeQtMessages(const MessageAssets& assets, int count, std::uint64_t seed);

}  // namespace qtcheck
