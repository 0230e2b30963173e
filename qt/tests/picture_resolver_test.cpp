// SPDX-License-Identifier: MIT
// PictureResolver and PictureDocument without compiled-in resources: the
// sample message's rich text shows every picture from the picture
// directory, the working directory and the cache.
#include <gtest/gtest.h>

#include <QFile>

#include "support.h"
#include "support/common.h"
#include "support/http_server.h"
#include "tessel/qt/PictureResolver.h"

using namespace QtTests;
using TesselQt::PictureDocument;
using TesselQt::PictureResolver;

namespace {

// Every image shows the picture of its file at the file's size.
void expectPicturesShown(QTextDocument& document, const QStringList& files)
{
    const std::vector<ShownImage> images = shownImages(document);
    ASSERT_EQ(images.size(), static_cast<std::size_t>(files.size()));
    for (int i = 0; i < files.size(); ++i)
        EXPECT_TRUE(showsFile(images[i], files[i]))
            << images[i].name.toStdString() << " shown at " << images[i].size.width() << "x"
            << images[i].size.height();
}

}  // namespace

TEST(PictureResolver, SampleMessageShowsEveryPicture)
{
    TestSupport::HttpServer server("127.0.125.5");
    server.on("/pictures/remote.png",
              TestSupport::Reply(200, TestSupport::readFile(TESSEL_SOURCE_DIR "/data/emoticons/30.png")));
    QFile file(dataFile(QStringLiteral("messages/sample.html")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray message = file.readAll().replace("http://127.0.0.1/", "http://127.0.125.5/");

    TestSupport::TempDir cache;
    TesselQt::MessageRenderer renderer;
    Recorder recorder(renderer);
    renderer.initialize(dataFile(QStringLiteral("emo.dat")));
    renderer.setCachePath(QString::fromStdString(cache.path()));
    const Recorder::Result* result = recorder.waitFor(renderer.render(message));
    ASSERT_TRUE(result);
    ASSERT_EQ(result->kind, "rendered") << result->text.toStdString();
    // Three emoticons (one twice), the local picture twice, the remote one;
    // the missing picture is left out by the library.
    ASSERT_EQ(result->pictures.size(), 5);
    const QString emoticon = dataFile(QStringLiteral("emoticons/%1.png"));
    const QString sunset = QStringLiteral("data/pictures/sunset.png");
    const QStringList files = {emoticon.arg(1),  emoticon.arg(5), emoticon.arg(1),        sunset,
                               emoticon.arg(27), sunset,          result->pictures.last()};

    PictureDocument document(dataFile(QStringLiteral("emoticons")));
    document.setHtml(result->text);
    expectPicturesShown(document, files);

    // A plain document has no emoticon pictures to show.
    QTextDocument plain;
    plain.setHtml(result->text);
    const std::vector<ShownImage> images = shownImages(plain);
    ASSERT_EQ(images.size(), 7u);
    EXPECT_EQ(images[0].name, QStringLiteral(":/Res/FaceMgr/em/1.png"));
    EXPECT_FALSE(showsFile(images[0], files[0]));

#if QT_VERSION >= QT_VERSION_CHECK(6, 1, 0)
    // Installed in a document of the client's own.
    QTextDocument provided;
    provided.setResourceProvider(PictureResolver(dataFile(QStringLiteral("emoticons"))));
    provided.setHtml(result->text);
    expectPicturesShown(provided, files);
#endif
}

TEST(PictureResolver, AnswersEmoticonNamesOnly)
{
    const PictureResolver resolver(dataFile(QStringLiteral("emoticons")));
    const QString seven = dataFile(QStringLiteral("emoticons/7.png"));
    EXPECT_EQ(resolver.fileFor(QUrl(QStringLiteral(":/Res/FaceMgr/em/7.png"))), seven);
    EXPECT_EQ(resolver.fileFor(QUrl(QStringLiteral("qrc:/Res/FaceMgr/em/7.png"))), seven);
    for (const char* name : {":/Res/FaceMgr/em/99.png", ":/Res/FaceMgr/em/x/../7.png", ":/Res/FaceMgr/7.png",
                             ":/Res/FaceMgr/em/", "data/emoticons/7.png", "file:///Res/FaceMgr/em/7.png"}) {
        EXPECT_EQ(resolver.fileFor(QUrl(QLatin1String(name))), QString()) << name;
        EXPECT_FALSE(resolver(QUrl(QLatin1String(name))).isValid()) << name;
    }
    EXPECT_EQ(resolver.picture(QUrl(QStringLiteral(":/Res/FaceMgr/em/7.png"))), QImage(seven));
    EXPECT_EQ(PictureResolver().fileFor(QUrl(QStringLiteral(":/Res/FaceMgr/em/7.png"))), QString());
}
