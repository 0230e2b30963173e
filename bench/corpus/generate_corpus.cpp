// Writes the benchmark corpus into a directory:
//   qt.msgs       chat messages as the Qt client sends them (toHtml() output)
//   plain.msgs    messages without markup
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

#include "corpus/catalogue_writer.h"
#include "corpus/message_builder.h"
#include "support/corpus.h"

namespace {

constexpr std::uint64_t Seed = 20261206;
constexpr int MessageCount = 2000;
constexpr int PlainCount = 500;
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
        const QStringList pictures = makePictures(dir);
        MessageBuilder builder(Seed, pictures, 1000);

        std::string messages;
        std::size_t total = 0;
        for (int i = 0; i < MessageCount; ++i) {
            QTextDocument document;
            prepareDocument(document);
            builder.buildMessage(document);
            const std::string message = html(document);
            total += message.size();
            benchsupport::appendMessage(messages, message);
        }
        writeFile(dir.filePath(QStringLiteral("qt.msgs")), messages);

        std::string plain;
        std::size_t plainTotal = 0;
        for (int i = 0; i < PlainCount; ++i) {
            const std::string message = builder.plainMessage().toUtf8().toStdString();
            plainTotal += message.size();
            benchsupport::appendMessage(plain, message);
        }
        writeFile(dir.filePath(QStringLiteral("plain.msgs")), plain);

        QTextDocument large;
        prepareDocument(large);
        builder.buildLongMessage(large, LargeBytes);
        const std::string largeHtml = html(large);
        writeFile(dir.filePath(QStringLiteral("large.html")), largeHtml);

        writeCatalogue(dir.filePath(QStringLiteral("emo1000.dat")).toStdString(), 1000);
        writeCatalogue(dir.filePath(QStringLiteral("emo5000.dat")).toStdString(), 5000);

        std::printf("corpus in %s: %d Qt messages, %zu bytes (%.0f on average); "
                    "%d plain messages, %zu bytes; large message %zu bytes\n",
                    argv[1], MessageCount, total, double(total) / MessageCount, PlainCount,
                    plainTotal, largeHtml.size());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
