// tessel-view [--catalogue FILE] [--cache DIR] [--screenshot FILE] MESSAGE
//
// Shows a message file as Qt renders it next to what the library makes of
// it: its rich text, its body and the HTML rebuilt from the body. Relative
// picture paths in the message are taken from the current directory, as the
// library takes them. With --screenshot the window is drawn off screen into a
// PNG file instead of being shown (set QT_QPA_PLATFORM=offscreen to need no
// display at all).
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdio>
#include <exception>
#include <string>

#include "MessageView.h"
#include "tessel/tessel.h"

namespace {

QString fromUtf8(const std::string& bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<int>(bytes.size()));
}

std::string richTextOfParseHtml;

void onResult(int code, const char* data, int length, std::int64_t)
{
    if (code == 1)
        richTextOfParseHtml.assign(data, static_cast<std::size_t>(length));
}

QStringList pairs(const Tessel::StringPairList& list)
{
    QStringList lines;
    for (const auto& [first, second] : list)
        lines << fromUtf8(first) + "  " + fromUtf8(second);
    return lines;
}

MessageOutputs convert(const std::string& message)
{
    MessageOutputs outputs;
    outputs.message = fromUtf8(message);
    Tessel::ParseHtml(message, onResult, 0, false);
    outputs.richText = fromUtf8(richTextOfParseHtml);
    // A message without markup comes back as plain text.
    outputs.richTextIsHtml = message.find_first_of("<>") != std::string::npos;

    std::string body, rebuilt, paragraph;
    Tessel::StringPairList emoticons, images;
    Tessel::ParseHtml_Orb(message);
    Tessel::GetBody(body);
    Tessel::GetEChVector(emoticons);
    Tessel::GetImageVector(images);
    Tessel::HtmlFromBody(rebuilt, body, images);
    Tessel::EChTextFromBody(body, paragraph);
    outputs.body = fromUtf8(body);
    outputs.emoticons = pairs(emoticons);
    outputs.images = pairs(images);
    outputs.rebuilt = fromUtf8(rebuilt);
    outputs.paragraph = fromUtf8(paragraph);
    return outputs;
}

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
                                 TESSEL_SAMPLE_CATALOGUE);
    QCommandLineOption cache(
        "cache", "Directory for downloaded pictures.", "DIR",
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/tessel");
    QCommandLineOption screenshot("screenshot", "Draw the window into a PNG file and quit.", "FILE");
    QCommandLineOption size("size", "Window size for the screenshot.", "WxH", "1280x900");
    options.addOptions({catalogue, cache, screenshot, size});
    options.addPositionalArgument("MESSAGE", "The message file (HTML, or text without markup).");
    options.process(application);
    if (options.positionalArguments().size() != 1)
        return fail("give one message file (see --help)");

    QString path = options.positionalArguments().first();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail("cannot read " + path);
    std::string message = file.readAll().toStdString();

    try {
        Tessel::Init("", QFile::encodeName(options.value(catalogue)).constData());
    } catch (const std::exception& error) {
        return fail("cannot load the catalogue " + options.value(catalogue) + ": " + error.what());
    }
    Tessel::SetCachePath(QFile::encodeName(options.value(cache)).constData());
    Tessel::SetCustomHead(QFileInfo(path).fileName().toStdString(), "", "");

    MessageView view(QFileInfo(path).fileName(), convert(message));
    if (!options.isSet(screenshot)) {
        view.resize(1280, 900);
        view.show();
        return application.exec();
    }

    QStringList wh = options.value(size).split('x');
    if (wh.size() != 2 || wh[0].toInt() <= 0 || wh[1].toInt() <= 0)
        return fail("--size takes WIDTHxHEIGHT");
    view.resize(wh[0].toInt(), wh[1].toInt());
    view.show();
    QApplication::processEvents();
    if (!view.grab().save(options.value(screenshot), "PNG"))
        return fail("cannot write " + options.value(screenshot));
    return 0;
}
