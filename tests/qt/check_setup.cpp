#include "check_setup.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <stdexcept>

#include "api/tessel.h"
#include "rendering.h"

namespace qtcheck {

const char* const CheckSetup::Origin = "http://127.0.60.1";
const char* const CheckSetup::HeadTitle = "Team chat";
const char* const CheckSetup::HeadSender = "Ann";
const char* const CheckSetup::HeadDate = "2026-12-06 09:30";

namespace {

QByteArray encodedPicture(const QSize& size, QColor color, const char* format)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    QPainter painter(&image);
    painter.fillRect(QRect(QPoint(0, 0), size / 2), Qt::white);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

}  // namespace

CheckSetup& CheckSetup::get()
{
    static CheckSetup setup;
    return setup;
}

CheckSetup::CheckSetup() : server("127.0.60.1")
{
    Tessel::Init("", TESSEL_SOURCE_DIR "/data/emo.dat");
    cache = dir / "cache";
    Tessel::SetCachePath(cache.c_str());
    Tessel::SetCustomHead(HeadTitle, HeadSender, HeadDate);

    serve("/pictures/remote.png", encodedPicture(QSize(40, 30), Qt::darkGreen, "PNG"));
    serve("/photos/tile.jpg", encodedPicture(QSize(33, 17), Qt::darkBlue, "JPG"));
    messageAssets.remote << Origin + QString("/pictures/remote.png")
                         << Origin + QString("/photos/tile.jpg")
                         << Origin + QString("/pictures/gone.png");  // answered 404

    // The sample picture under names that Qt writes in different ways.
    QByteArray sunset;
    QFile sample(TESSEL_SOURCE_DIR "/data/pictures/sunset.png");
    if (!sample.open(QIODevice::ReadOnly) || (sunset = sample.readAll()).isEmpty())
        throw std::runtime_error("cannot read data/pictures/sunset.png");
    for (const char* name : {"sunset.png", "my pictures/beach day.png",
                             "\xe5\x9b\xbe\xe7\x89\x87/\xe6\x97\xa5\xe8\x90\xbd.png"}) {
        std::string path = dir.write(std::string("pictures/") + name, sunset.toStdString());
        messageAssets.pictures << QString::fromStdString(path);
    }
    messageAssets.missing << QString::fromStdString(dir / "pictures/missing.png");
}

void CheckSetup::serve(const QString& path, const QByteArray& bytes)
{
    server.on(path.toStdString(), TestSupport::Reply(200, bytes.toStdString()));
    remote.insert(Origin + path, pixelsKey(QImage::fromData(bytes)));
}

}  // namespace qtcheck
