// SPDX-License-Identifier: MIT
// A chat window's message pane: the message shows at once with its text and
// emoticons, and again with its remote picture once that has arrived; the
// window stays responsive meanwhile, since the download runs on the
// renderer's thread.
#include <QApplication>
#include <QStandardPaths>
#include <QTextBrowser>
#include <tessel/qt/MessageRenderer.h>
#include <tessel/qt/PictureResolver.h>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QTextBrowser browser;
    // Emoticon pictures from a directory: no compiled-in resources needed.
    browser.setDocument(
        new TesselQt::PictureDocument(QStringLiteral("/usr/share/mychat/emoticons"), &browser));
    browser.show();

    TesselQt::MessageRenderer renderer;
    renderer.initialize(QStringLiteral("/usr/share/mychat/emo.dat"));
    renderer.setCachePath(QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + "/pictures");
    // Results arrive in request order: first the quick one, then the full one.
    QObject::connect(&renderer, &TesselQt::MessageRenderer::rendered, &browser,
                     [&browser](quint64, const QString& richText) { browser.setHtml(richText); });
    QObject::connect(&renderer, &TesselQt::MessageRenderer::failed, &browser,
                     [&browser](quint64, const QString& reason) { browser.setPlainText(reason); });

    const QString message = QStringLiteral("<p>Look at this <img src=\":/Res/FaceMgr/em/1.png\"/></p>"
                                           "<p><img src=\"http://pictures.example.org/sunset.png\"/></p>");
    renderer.render(message, TesselQt::MessageRenderer::ResourcePicturesOnly);  // no download: at once
    renderer.render(message);  // with the picture, once downloaded
    return application.exec();
}
