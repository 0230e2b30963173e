// SPDX-License-Identifier: MIT
// What the companion's tests share: the sample data, a recorder of a
// renderer's signals, and the images a document shows.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTextDocument>
#include <ostream>
#include <vector>

#include "tessel/qt/MessageRenderer.h"

// GoogleTest shows QStrings as text.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace QtTests {

// A file of the source tree's data/ folder.
QString dataFile(const QString& name);

// Every signal of a renderer, in the order they were emitted.
class Recorder : public QObject {
public:
    struct Result {
        QString kind;  // "initialized", "rendered", "body", "html", "paragraph" or "failed"
        quint64 id;
        QString text;          // rich text, body, html, paragraph or failure reason
        QStringList pictures;  // rendered: the announced pictures
        TesselQt::MessageBody body;
    };

    explicit Recorder(TesselQt::MessageRenderer& renderer);
    std::vector<quint64> ids() const;
    // Runs the event loop until the request's result has arrived, or for at
    // most timeoutMilliseconds; the result, or null.
    const Result* waitFor(quint64 id, int timeoutMilliseconds = 20000);

    std::vector<Result> results;
};

// One image of a document as Qt lays it out.
struct ShownImage {
    QString name;  // the source as Qt read it from the markup
    QSize size;    // the size Qt lays it out at
    QImage image;  // the picture the document loaded for it (null when none)
};
std::vector<ShownImage> shownImages(QTextDocument& document);

// Whether two pictures have the same size and pixels.
bool samePixels(const QImage& one, const QImage& other);

// Whether an image shows the file's picture at the file's size.
bool showsFile(const ShownImage& shown, const QString& file);

}  // namespace QtTests
