// SPDX-License-Identifier: MIT
// Writes the benchmark corpus into a directory:
//   qt.msgs       chat messages as the Qt client sends them (toHtml() output)
//   plain.msgs    messages without markup
//   short.msgs    short messages without markup, escaped as typed text
//   dense.msgs    text with a character reference every 8 bytes or so
//   large.html    one message of about 1 MB
//   emo1000.dat, emo5000.dat   emoticon catalogues
//   pictures/     the local pictures that the messages show
// The output depends only on the fixed seed and the Qt version.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QTextDocument>
#include <QUrl>

#include <cstdio>
#include <fstream>
#include <string>
#include <utility>

#include "corpus/catalogue_writer.h"
#include "corpus/message_builder.h"
#include "corpus/text_corpus.h"
#include "support/corpus.h"

namespace {

constexpr std::uint64_t Seed = 20261206;
constexpr int MessageCount = 2000;
constexpr int PlainCount = 500;
constexpr int ShortCount = 2000;
constexpr int DenseCount = 500;
constexpr int LargeBytes = 1 << 20;
constexpr int PictureCount = 12;

void writeFile(const QString& path, const std::string& content)
{
    std::ofstream out(path.toStdString(), std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.toStdString());
}

// Small PNG files; every fourth message picture is written as a file:///
// address, and one name of the list is never created (a deleted picture).
QStringList makePictures(const QDir& dir)
{
    dir.mkpath(QStringLiteral("pictures"));
    QStringList sources;
    for (int i = 0; i < PictureCount; ++i) {
        const QString path = dir.absoluteFilePath(QStringLiteral("pictures/photo_%1.png").arg(i));
        if (i != PictureCount - 1) {
            QImage image(32 + 4 * i, 24 + 2 * i, QImage::Format_RGB32);
            image.fill(QColor::fromHsv(i * 30 % 360, 180, 220));
            if (!image.save(path, "PNG"))
                throw std::runtime_error("cannot write " + path.toStdString());
        }
        sources << (i % 4 == 3 ? QUrl::fromLocalFile(path).toString() : path);
    }
    return sources;
}

std::string html(const QTextDocument& document)
{
    return document.toHtml().toUtf8().toStdString();
}

// Writes count messages made by make() to a message file; returns their bytes.
template <typename Make>
std::size_t writeMessages(const QString& path, int count, Make make)
{
    std::string file;
    std::size_t total = 0;
    for (int i = 0; i < count; ++i) {
        const std::string message = make();
        total += message.size();
        benchsupport::appendMessage(file, message);
    }
    writeFile(path, file);
    return total;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    // Layout needs fonts, which need a QGuiApplication; no display is used.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    try {
        QDir dir;
        dir.mkpath(QString::fromLocal8Bit(argv[1]));
        dir.setPath(QString::fromLocal8Bit(argv[1]));
        MessageOptions options;
        options.pictures = makePictures(dir);
        options.emoticons = 1000;
        MessageBuilder builder(Seed, std::move(options));

        const std::size_t total = writeMessages(dir.filePath(QStringLiteral("qt.msgs")), MessageCount, [&] {
            QTextDocument document;
            prepareDocument(document);
            builder.buildMessage(document);
            return html(document);
        });
        const std::size_t plainTotal =
            writeMessages(dir.filePath(QStringLiteral("plain.msgs")), PlainCount,
                          [&] { return builder.plainMessage().toUtf8().toStdString(); });

        // Generators of their own, so that the Qt messages stay as they were.
        benchsupport::Random shortRandom(Seed + 1);
        const std::size_t shortTotal = writeMessages(dir.filePath(QStringLiteral("short.msgs")), ShortCount,
                                                     [&] { return shortMessage(shortRandom); });
        // Lengths from 16 bytes to 8 KB, as many of each power of two.
        benchsupport::Random denseRandom(Seed + 2);
        const std::size_t denseTotal =
            writeMessages(dir.filePath(QStringLiteral("dense.msgs")), DenseCount, [&] {
                const std::size_t shortest = std::size_t(16) << denseRandom.below(9);
                return entityDenseText(denseRandom, shortest + std::size_t(denseRandom.below(int(shortest))));
            });

        QTextDocument large;
        prepareDocument(large);
        builder.buildLongMessage(large, LargeBytes);
        const std::string largeHtml = html(large);
        writeFile(dir.filePath(QStringLiteral("large.html")), largeHtml);

        writeCatalogue(dir.filePath(QStringLiteral("emo1000.dat")).toStdString(), 1000);
        writeCatalogue(dir.filePath(QStringLiteral("emo5000.dat")).toStdString(), 5000);

        std::printf("corpus in %s: %d Qt messages, %zu bytes (%.0f on average); "
                    "%d plain messages, %zu bytes; %d short messages, %zu bytes; "
                    "%d entity-dense messages, %zu bytes; large message %zu bytes\n",
                    argv[1], MessageCount, total, double(total) / MessageCount, PlainCount, plainTotal,
                    ShortCount, shortTotal, DenseCount, denseTotal, largeHtml.size());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
