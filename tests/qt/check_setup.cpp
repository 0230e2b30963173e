// The library, a cache directory, a web server with pictures and local
// pictures for the rendering check; and the library's outputs for a message.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QUrl>
#include <stdexcept>

#include "qt_check.h"

namespace qtcheck {

const char* const CheckSetup::Head[3] = {"Team chat", "Ann", "2026-12-06 09:30"};

namespace {

// 127.0.60.N, where N - 1 is the position of the running test in the program.
std::string serverAddress()
{
    const testing::UnitTest& program = *testing::UnitTest::GetInstance();
    int position = 0;
    for (int s = 0; s < program.total_test_suite_count(); ++s)
        for (int t = 0; t < program.GetTestSuite(s)->total_test_count(); ++t, ++position)
            if (program.GetTestSuite(s)->GetTestInfo(t) == program.current_test_info())
                return "127.0.60." + std::to_string(1 + position % 254);
    return "127.0.60.255";
}

QByteArray encodedPicture(const QSize& size, QColor color, const char* format)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    QPainter(&image).fillRect(QRect(QPoint(0, 0), size / 2), Qt::white);
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

CheckSetup::CheckSetup() : origin(QString::fromStdString("http://" + serverAddress())), server(serverAddress())
{
    Tessel::Init("", TESSEL_SOURCE_DIR "/data/emo.dat");
    cacheDir = dir / "cache";
    Tessel::SetCachePath(cacheDir.c_str());
    Tessel::SetCustomHead(Head[0], Head[1], Head[2]);

    const std::pair<const char*, QByteArray> served[] = {
        {"/pictures/remote.png", encodedPicture(QSize(40, 30), Qt::darkGreen, "PNG")},
        {"/photos/tile.jpg", encodedPicture(QSize(33, 17), Qt::darkBlue, "JPG")}};
    for (const auto& [path, bytes] : served) {
        server.on(path, TestSupport::Reply(200, bytes.toStdString()));
        remoteKeys.insert(origin + path, pixelsKey(QImage::fromData(bytes)));
        assets.remote << origin + path;
    }
    assets.remote << origin + "/pictures/gone.png";  // answered 404

    // The sample picture under names that Qt writes in different ways.
    QFile sample(TESSEL_SOURCE_DIR "/data/pictures/sunset.png");
    if (!sample.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read data/pictures/sunset.png");
    const std::string sunset = sample.readAll().toStdString();
    for (const char* name : {"sunset.png", "my pictures/beach day.png",
                             "\xe5\x9b\xbe\xe7\x89\x87/\xe6\x97\xa5\xe8\x90\xbd.png"}) {
        QString path = QString::fromStdString(dir.write(std::string("pictures/") + name, sunset));
        assets.pictures << path << QUrl::fromLocalFile(path).toString();
    }
    assets.missing << QString::fromStdString(dir / "pictures/missing.png");
}

LibraryOutputs runLibrary(const std::string& message)
{
    using TestSupport::callbackCalls;
    LibraryOutputs out;
    callbackCalls.clear();
    Tessel::ParseHtml(message, TestSupport::recordCallback, 0, false);
    for (const TestSupport::CallbackCall& call : callbackCalls)
        if (call.code == 1)
            out.richText = call.data;
        else if (call.code == 2)
            out.announced.push_back(call.data);
    callbackCalls.clear();
    Tessel::ParseHtml(message, TestSupport::recordCallback, 0, true);
    if (!callbackCalls.empty() && callbackCalls.back().code == 1)
        out.resourceRichText = callbackCalls.back().data;

    Tessel::ParseHtml2(out.rewritten, message, nullptr, 0);
    Tessel::GetText(out.richText2);
    Tessel::ParseHtml_Orb(message);
    Tessel::GetBody(out.body);
    Tessel::GetImageVector(out.images);
    Tessel::HtmlFromBody(out.rebuilt, out.body, out.images);
    Tessel::EChTextFromBody(out.body, out.paragraph);
    return out;
}

}  // namespace qtcheck
