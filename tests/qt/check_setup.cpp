#include "check_setup.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QUrl>
#include <stdexcept>

#include "api/tessel.h"
#include "rendering.h"

namespace qtcheck {

const char* const CheckSetup::HeadTitle = "Team chat";
const char* const CheckSetup::HeadSender = "Ann";
const char* const CheckSetup::HeadDate = "2026-12-06 09:30";

namespace {

// 127.0.60.N, where N - 1 is the position of the running test in the program.
std::string serverAddress()
{
    const testing::UnitTest& program = *testing::UnitTest::GetInstance();
    const testing::TestInfo* running = program.current_test_info();
    int position = 0;
    for (int s = 0; s < program.total_test_suite_count(); ++s) {
        const testing::TestSuite& suite = *program.GetTestSuite(s);
        for (int t = 0; t < suite.total_test_count(); ++t, ++position)
            if (suite.GetTestInfo(t) == running)
                return "127.0.60." + std::to_string(1 + position % 254);
    }
    return "127.0.60.255";
}

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

CheckSetup::CheckSetup()
    : serverOrigin(QString::fromStdString("http://" + serverAddress())),
      server(serverAddress())
{
    Tessel::Init("", TESSEL_SOURCE_DIR "/data/emo.dat");
    cache = dir / "cache";
    Tessel::SetCachePath(cache.c_str());
    Tessel::SetCustomHead(HeadTitle, HeadSender, HeadDate);

    serve("/pictures/remote.png", encodedPicture(QSize(40, 30), Qt::darkGreen, "PNG"));
    serve("/photos/tile.jpg", encodedPicture(QSize(33, 17), Qt::darkBlue, "JPG"));
    messageAssets.remote << serverOrigin + "/pictures/remote.png"
                         << serverOrigin + "/photos/tile.jpg"
                         << serverOrigin + "/pictures/gone.png";  // answered 404

    // The sample picture under names that Qt writes in different ways.
    QByteArray sunset;
    QFile sample(TESSEL_SOURCE_DIR "/data/pictures/sunset.png");
    if (!sample.open(QIODevice::ReadOnly) || (sunset = sample.readAll()).isEmpty())
        throw std::runtime_error("cannot read data/pictures/sunset.png");
    for (const char* name : {"sunset.png", "my pictures/beach day.png",
                             "\xe5\x9b\xbe\xe7\x89\x87/\xe6\x97\xa5\xe8\x90\xbd.png"}) {
        QString path = QString::fromStdString(
            dir.write(std::string("pictures/") + name, sunset.toStdString()));
        messageAssets.pictures << path << QUrl::fromLocalFile(path).toString();
    }
    messageAssets.missing << QString::fromStdString(dir / "pictures/missing.png");
}

void CheckSetup::serve(const QString& path, const QByteArray& bytes)
{
    server.on(path.toStdString(), TestSupport::Reply(200, bytes.toStdString()));
    remote.insert(serverOrigin + path, pixelsKey(QImage::fromData(bytes)));
}

}  // namespace qtcheck
