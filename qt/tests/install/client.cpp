// SPDX-License-Identifier: MIT
// A client of the installed companion: renders a message off its GUI thread
// and counts the catalogue's emoticons.
#include <QGuiApplication>
#include <QTextStream>
#include <tessel/qt/EmoticonModel.h>
#include <tessel/qt/MessageRenderer.h>
#include <tessel/qt/PictureResolver.h>

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    if (argc < 3)
        return 2;  // usage: client CATALOGUE PICTURES
    TesselQt::MessageRenderer renderer;
    TesselQt::EmoticonModel emoticons(QString::fromLocal8Bit(argv[2]));
    QObject::connect(&renderer, &TesselQt::MessageRenderer::initialized, &emoticons,
                     &TesselQt::EmoticonModel::reload);
    QObject::connect(&renderer, &TesselQt::MessageRenderer::failed, [](quint64, const QString& reason) {
        QTextStream(stderr) << reason << '\n';
        QCoreApplication::exit(1);
    });
    QObject::connect(&renderer, &TesselQt::MessageRenderer::rendered, [&](quint64, const QString& richText) {
        TesselQt::PictureDocument document(emoticons.pictureDirectory());
        document.setHtml(richText);
        QTextStream(stdout) << richText << '\n' << emoticons.rowCount() << '\n';
        QCoreApplication::quit();
    });
    renderer.initialize(QString::fromLocal8Bit(argv[1]));
    renderer.render("<p>hi <img src=\":/Res/FaceMgr/em/1.png\"/></p>");
    return application.exec();
}
