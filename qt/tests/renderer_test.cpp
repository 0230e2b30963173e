// SPDX-License-Identifier: MIT
// MessageRenderer: work off the GUI thread, results in request order,
// cancelling, destruction during a download, failures, and the UTF-8
// boundary. Each test runs in a process of its own, its web server on an
// address of its own (127.0.125.N).
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <QTimer>
#include <QtTest/QTest>
#include <memory>

#include "support.h"
#include "support/common.h"
#include "support/http_server.h"

using namespace QtTests;
using TesselQt::MessageRenderer;
using TestSupport::HttpServer;
using TestSupport::Reply;
using TestSupport::TempDir;

namespace {

QString imageTag(const char* address)
{
    return QStringLiteral("<img src=\"%1\"/>").arg(QLatin1String(address));
}

class Renderer : public ::testing::Test {
protected:
    void SetUp() override
    {
        const quint64 id = renderer->initialize(dataFile(QStringLiteral("emo.dat")));
        renderer->setCachePath(QString::fromStdString(cache.path()));
        const Recorder::Result* result = recorder.waitFor(id);
        ASSERT_TRUE(result);
        ASSERT_EQ(result->kind, "initialized") << result->text.toStdString();
        recorder.results.clear();
    }

    TempDir cache;
    std::unique_ptr<MessageRenderer> renderer = std::make_unique<MessageRenderer>();
    Recorder recorder{*renderer};
};

}  // namespace

// A picture that arrives one byte at a time for seconds: the GUI thread's
// timer keeps its pace, and the rich text then shows the downloaded file.
TEST_F(Renderer, GuiThreadStaysResponsiveWhileAPictureTrickles)
{
    HttpServer server("127.0.125.1");
    const std::string png = TestSupport::readFile(TESSEL_SOURCE_DIR "/data/pictures/sunset.png");
    Reply trickle(200, png);
    trickle.trickleMilliseconds = static_cast<int>(3500 / png.size()) + 1;  // several seconds in all
    server.on("/slow.png", trickle);

    QElapsedTimer clock, sinceTick;
    qint64 longestGap = 0;
    int ticks = 0;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceTick.restart());
        ++ticks;
    });
    clock.start();
    sinceTick.start();
    timer.start();
    const quint64 id = renderer->render(QStringLiteral("<p>sunrise ") +
                                        imageTag("http://127.0.125.1/slow.png") + QStringLiteral("</p>"));
    const Recorder::Result* result = recorder.waitFor(id);
    const qint64 took = clock.elapsed();
    timer.stop();

    ASSERT_TRUE(result);
    ASSERT_EQ(result->kind, "rendered") << result->text.toStdString();
    EXPECT_GE(took, 3000) << "the picture did not trickle";
    EXPECT_GT(ticks, took / 100);
    EXPECT_LE(longestGap, 100) << "the GUI thread stalled";

    ASSERT_EQ(result->pictures.size(), 1);
    const QString downloaded = result->pictures[0];
    EXPECT_EQ(QFileInfo(downloaded).absolutePath(),
              QFileInfo(QString::fromStdString(cache.path())).absoluteFilePath());
    QTextDocument document;
    document.setHtml(result->text);
    const std::vector<ShownImage> images = shownImages(document);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_TRUE(showsFile(images[0], downloaded)) << images[0].name.toStdString();
}

// A slow request queued before fast ones of every kind: the results come in
// request order, each with its own result.
TEST_F(Renderer, ResultsArriveInRequestOrder)
{
    HttpServer server("127.0.125.2");
    Reply late(200, "late picture");
    late.delayMilliseconds = 1500;
    server.on("/late.png", late);

    const QString message =
        QStringLiteral("<p>hi ") + imageTag(":/Res/FaceMgr/em/3.png") + QStringLiteral("</p>");
    const std::vector<quint64> ids = {
        renderer->render(imageTag("http://127.0.125.2/late.png")),
        renderer->toBody(message, {QStringLiteral("Team"), QStringLiteral("Ann"), QStringLiteral("today")}),
        renderer->render(message, MessageRenderer::ResourcePicturesOnly),
        renderer->fromBody(QStringLiteral("<body><p>again <img id=\"wink\"/></p></body>"), {}),
        renderer->toParagraph("<body><p>so <img id=\"grin\"/></p></body>"),
    };
    ASSERT_TRUE(recorder.waitFor(ids.back()));
    ASSERT_EQ(recorder.ids(), ids);

    const std::vector<Recorder::Result>& results = recorder.results;
    EXPECT_EQ(results[0].kind, "rendered");
    EXPECT_EQ(results[0].pictures.size(), 1);
    EXPECT_EQ(results[1].kind, "body");
    EXPECT_TRUE(results[1].text.contains(QLatin1String("Team"))) << results[1].text.toStdString();
    EXPECT_TRUE(results[1].text.contains(QLatin1String("<img id=\"wink\"/>")))
        << results[1].text.toStdString();
    EXPECT_EQ(results[1].body.emoticons,
              (TesselQt::StringPairs{{QStringLiteral("wink"), QStringLiteral("[wink]")}}));
    EXPECT_EQ(results[2].kind, "rendered");
    EXPECT_EQ(results[2].pictures, QStringList{QStringLiteral(":/Res/FaceMgr/em/3.png")});
    EXPECT_EQ(results[3].kind, "html");
    EXPECT_TRUE(results[3].text.contains(QLatin1String(":/Res/FaceMgr/em/3.png")))
        << results[3].text.toStdString();
    EXPECT_EQ(results[4].kind, "paragraph");
    EXPECT_TRUE(results[4].text.contains(QLatin1String(":/Res/FaceMgr/em/2.png")))
        << results[4].text.toStdString();
}

// cancelPending drops what has not started; the request in progress and a
// queued change of the cache directory stay.
TEST_F(Renderer, CancelPendingDropsWhatHasNotStarted)
{
    HttpServer server("127.0.125.3");
    Reply held(200, "held picture");
    held.delayMilliseconds = 1000;
    server.on("/held.png", held);
    server.on("/after.png", Reply(200, "later picture"));

    const quint64 first = renderer->render(imageTag("http://127.0.125.3/held.png"));
    ASSERT_TRUE(server.waitForRequests(1, 5000));
    const quint64 second = renderer->render(QStringLiteral("<p>dropped</p>"));
    TempDir otherCache;
    renderer->setCachePath(QString::fromStdString(otherCache.path()));
    const quint64 third = renderer->toBody(QStringLiteral("<p>dropped too</p>"));
    EXPECT_EQ(renderer->cancelPending(), (QList<quint64>{second, third}));
    EXPECT_TRUE(renderer->cancelPending().isEmpty());

    const quint64 fourth = renderer->render(imageTag("http://127.0.125.3/after.png"));
    EXPECT_GT(fourth, third);
    const Recorder::Result* result = recorder.waitFor(fourth);
    ASSERT_TRUE(result);
    EXPECT_EQ(recorder.ids(), (std::vector<quint64>{first, fourth}));
    ASSERT_EQ(result->pictures.size(), 1);
    EXPECT_TRUE(result->pictures[0].startsWith(QString::fromStdString(otherCache.path())))
        << result->pictures[0].toStdString();
}

// Destroying the renderer while a download stalls: the destructor waits for
// the call in progress, which the library's own wait ends, drops the rest,
// and nothing is emitted afterwards, not even results already posted.
TEST_F(Renderer, DestructionDuringADownloadEmitsNothingAfterwards)
{
    HttpServer server("127.0.125.4");
    Reply stalled(200, std::string(2000, 'x'));
    stalled.cut = Reply::stall;  // until the server goes
    stalled.cutAt = 100;
    server.on("/stalled.png", stalled);

    renderer->render(QStringLiteral("<p>quick</p>"));
    renderer->render(QStringLiteral("<p>quick too</p>"));
    QThread::msleep(300);  // no event loop: their results are posted, not delivered
    EXPECT_TRUE(recorder.results.empty());
    renderer->render(imageTag("http://127.0.125.4/stalled.png"));
    renderer->render(QStringLiteral("<p>never started</p>"));
    ASSERT_TRUE(server.waitForRequests(1, 5000));

    QElapsedTimer clock;
    clock.start();
    renderer.reset();
    EXPECT_LT(clock.elapsed(), 10000) << "the destructor outlasted the library's wait";
    QTest::qWait(300);
    EXPECT_TRUE(recorder.results.empty());
}

// Requests before initialisation fail; a catalogue that cannot be loaded
// fails initialize() with the library's error, and a later one succeeds.
TEST(RendererFailures, LibraryErrorsBecomeFailedSignals)
{
    TempDir dir;
    const QString broken =
        QString::fromStdString(dir.write("emo.dat", "<face><clasic size=\"1\"><em id=\"1\">"));
    MessageRenderer renderer;
    Recorder recorder(renderer);

    const quint64 early = renderer.toBody(QStringLiteral("<p>hi</p>"));
    const quint64 bad = renderer.initialize(broken);
    const quint64 rendered = renderer.render(QStringLiteral("<p>hi</p>"));  // the parsers exist by now
    const quint64 good = renderer.initialize(dataFile(QStringLiteral("emo.dat")));
    ASSERT_TRUE(recorder.waitFor(good));

    ASSERT_EQ(recorder.ids(), (std::vector<quint64>{early, bad, rendered, good}));
    const std::vector<Recorder::Result>& results = recorder.results;
    EXPECT_EQ(results[0].kind, "failed");
    EXPECT_TRUE(results[0].text.contains(QLatin1String("not initialised"))) << results[0].text.toStdString();
    EXPECT_EQ(results[1].kind, "failed");
    EXPECT_TRUE(results[1].text.startsWith(QLatin1String("cannot load the emoticon catalogue: ")))
        << results[1].text.toStdString();
    EXPECT_EQ(results[2].kind, "rendered");
    EXPECT_EQ(results[3].kind, "initialized");
}

// Text crosses as UTF-8: QString and QByteArray give the same results, and
// characters outside Latin-1 survive a round trip through a body.
TEST_F(Renderer, TextCrossesAsUtf8)
{
    const QString message = QStringLiteral("<p>\u4f60\u597d \U0001F389 caf\u00e9 ") +
                            imageTag(":/Res/FaceMgr/em/21.png") + QStringLiteral("</p>");
    const quint64 fromString = renderer->render(message);
    const quint64 fromBytes = renderer->render(message.toUtf8());
    const quint64 body = renderer->toBody(message, {QStringLiteral("\u804a\u5929"), QString(), QString()});
    ASSERT_TRUE(recorder.waitFor(body));
    const std::vector<Recorder::Result>& results = recorder.results;
    EXPECT_EQ(results[0].id, fromString);
    EXPECT_EQ(results[1].id, fromBytes);
    EXPECT_EQ(results[0].text, results[1].text);
    EXPECT_TRUE(results[0].text.contains(QStringLiteral("\u4f60\u597d \U0001F389 caf\u00e9")))
        << results[0].text.toStdString();

    const TesselQt::MessageBody& converted = results[2].body;
    EXPECT_TRUE(converted.body.contains(QStringLiteral("\u804a\u5929")));
    EXPECT_EQ(converted.emoticons,
              (TesselQt::StringPairs{{QStringLiteral("\u5fae\u7b11"), QStringLiteral("[\u5fae\u7b11]")}}));
    const quint64 html = renderer->fromBody(converted.body, converted.images);
    ASSERT_TRUE(recorder.waitFor(html));
    EXPECT_TRUE(recorder.results.back().text.contains(QStringLiteral("\u4f60\u597d \U0001F389 caf\u00e9")));
    EXPECT_TRUE(recorder.results.back().text.contains(QLatin1String(":/Res/FaceMgr/em/21.png")));
}
