// SPDX-License-Identifier: MIT
// tessel-view [--catalogue FILE] [--pictures DIR] [--cache DIR] [--screenshot FILE] MESSAGE
//
// Shows a message file as Qt renders it next to what the library makes of
// it: its rich text, its body and the HTML rebuilt from the body, converted
// off the GUI thread by the Qt companion. Emoticons are shown from a picture
// directory. Relative picture paths in the message are taken from the
// current directory, as the library takes them. With --screenshot the window
// is drawn into a PNG file once every pane is filled (set
// QT_QPA_PLATFORM=offscreen to need no display at all).
#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdio>

#include "MessageView.h"

using TesselQt::MessageRenderer;

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "tessel-view: %s\n", message.toLocal8Bit().constData());
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QCommandLineParser options;
    options.setApplicationDescription(
        "Shows a chat message as Qt renders it next to its rich text, its body and the HTML "
        "rebuilt from the body.");
    options.addHelpOption();
    QCommandLineOption catalogue("catalogue", "Emoticon catalogue (default: the sample).", "FILE",
                                 TESSEL_SAMPLE_DATA "/emo.dat");
    QCommandLineOption pictures("pictures", "Emoticon pictures <id>.png (default: the sample's).", "DIR",
                                TESSEL_SAMPLE_DATA "/emoticons");
    QCommandLineOption cache(
        "cache", "Directory for downloaded pictures.", "DIR",
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/tessel");
    QCommandLineOption screenshot("screenshot", "Draw the window into a PNG file and quit.", "FILE");
    QCommandLineOption size("size", "Window size for the screenshot.", "WxH", "1280x900");
    options.addOptions({catalogue, pictures, cache, screenshot, size});
    options.addPositionalArgument("MESSAGE", "The message file (HTML, or text without markup).");
    options.process(application);
    if (options.positionalArguments().size() != 1)
        return fail("give one message file (see --help)");
    const QStringList wh = options.value(size).split('x');
    if (wh.size() != 2 || wh[0].toInt() <= 0 || wh[1].toInt() <= 0)
        return fail("--size takes WIDTHxHEIGHT");

    const QString path = options.positionalArguments().first();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail("cannot read " + path);
    const QByteArray message = file.readAll();
    const QString name = QFileInfo(path).fileName();

    MessageView view(name, options.value(pictures));
    view.message->setHtml(QString::fromUtf8(message));
    MessageRenderer renderer;
    QObject::connect(&renderer, &MessageRenderer::failed,
                     [](quint64, const QString& reason) { QApplication::exit(fail(reason)); });
    QObject::connect(&renderer, &MessageRenderer::rendered, [&](quint64, const QString& richText) {
        // A message without markup comes back as plain text.
        if (message.contains('<') || message.contains('>'))
            view.richText->setHtml(richText);
        else
            view.richText->setPlainText(richText);
    });
    TesselQt::MessageBody body;
    QObject::connect(&renderer, &MessageRenderer::bodyReady,
                     [&](quint64, const TesselQt::MessageBody& converted) {
                         body = converted;
                         renderer.fromBody(body.body, body.images);
                         renderer.toParagraph(body.body);
                     });
    QObject::connect(&renderer, &MessageRenderer::htmlReady,
                     [&](quint64, const QString& html) { view.rebuilt->setHtml(html); });
    // The paragraph is the last result: every pane is filled then.
    QObject::connect(&renderer, &MessageRenderer::paragraphReady, [&](quint64, const QString& paragraph) {
        view.showBody(paragraph, body);
        if (!options.isSet(screenshot))
            return;
        QApplication::processEvents();
        if (!view.grab().save(options.value(screenshot), "PNG"))
            QApplication::exit(fail("cannot write " + options.value(screenshot)));
        QApplication::quit();
    });

    renderer.initialize(options.value(catalogue));
    renderer.setCachePath(options.value(cache));
    renderer.render(message);
    renderer.toBody(message, {name, QString(), QString()});
    view.resize(wh[0].toInt(), wh[1].toInt());
    view.show();
    return application.exec();
}
