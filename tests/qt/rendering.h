// What Qt's rich-text engine makes of a piece of text: the plain text of the
// document and every image in it, with the file Qt reads it from, the size Qt
// lays it out at and the pixels Qt draws.
#pragma once

#include <QSize>
#include <QString>
#include <ostream>
#include <vector>

class QImage;

namespace qtcheck {

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

// "WxH:md5" of an image's pixels in one fixed format: equal keys, equal pictures.
QString pixelsKey(const QImage& image);

// The resource or local file that an image source names, as Qt's document
// looks for it: ":/" resources, "file:" addresses, and paths relative to the
// working directory (a document without a base address). "" when the source
// names no existing file, as for any "http:" address.
QString fileOfImageSource(const QString& source);

}  // namespace qtcheck

// Test failures show a QString as its text.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
