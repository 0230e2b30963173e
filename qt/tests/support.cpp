// SPDX-License-Identifier: MIT
#include "support.h"

#include <QAbstractTextDocumentLayout>
#include <QPixmap>
#include <QTextBlock>
#include <QUrl>
#include <QtTest/QTest>

namespace QtTests {

using TesselQt::MessageRenderer;

QString dataFile(const QString& name)
{
    return QStringLiteral(TESSEL_SOURCE_DIR "/data/") + name;
}

Recorder::Recorder(MessageRenderer& renderer)
{
    auto record = [this](Result result) { results.push_back(std::move(result)); };
    connect(&renderer, &MessageRenderer::initialized, this, [record](quint64 id) {
        record({"initialized", id, {}, {}, {}});
    });
    connect(&renderer, &MessageRenderer::rendered, this,
            [record](quint64 id, const QString& text, const QStringList& pictures) {
                record({"rendered", id, text, pictures, {}});
            });
    connect(&renderer, &MessageRenderer::bodyReady, this,
            [record](quint64 id, const TesselQt::MessageBody& body) {
                record({"body", id, body.body, {}, body});
            });
    connect(&renderer, &MessageRenderer::htmlReady, this, [record](quint64 id, const QString& html) {
        record({"html", id, html, {}, {}});
    });
    connect(&renderer, &MessageRenderer::paragraphReady, this,
            [record](quint64 id, const QString& paragraph) {
                record({"paragraph", id, paragraph, {}, {}});
            });
    connect(&renderer, &MessageRenderer::failed, this, [record](quint64 id, const QString& reason) {
        record({"failed", id, reason, {}, {}});
    });
}

std::vector<quint64> Recorder::ids() const
{
    std::vector<quint64> ids;
    for (const Result& result : results)
        ids.push_back(result.id);
    return ids;
}

const Recorder::Result* Recorder::waitFor(quint64 id, int timeoutMilliseconds)
{
    auto find = [this, id]() -> const Result* {
        for (const Result& result : results)
            if (result.id == id)
                return &result;
        return nullptr;
    };
    (void)QTest::qWaitFor([&] { return find() != nullptr; }, timeoutMilliseconds);
    return find();
}

namespace {

QImage loadedImage(QTextDocument& document, const QString& source)
{
    const QUrl url(source.startsWith(QLatin1String(":/")) ? QLatin1String("qrc") + source : source);
    const QVariant data = document.resource(QTextDocument::ImageResource, url);
    if (data.userType() == QMetaType::QImage)
        return data.value<QImage>();
    if (data.userType() == QMetaType::QPixmap)
        return data.value<QPixmap>().toImage();
    return QImage::fromData(data.toByteArray());
}

}  // namespace

std::vector<ShownImage> shownImages(QTextDocument& document)
{
    std::vector<ShownImage> images;
    QTextObjectInterface* handler = document.documentLayout()->handlerForObject(QTextFormat::ImageObject);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat())
                continue;
            const QTextImageFormat format = fragment.charFormat().toImageFormat();
            for (int i = 0; i < fragment.length(); ++i) {
                const QSize size =
                    handler->intrinsicSize(&document, fragment.position() + i, format).toSize();
                images.push_back({format.name(), size, loadedImage(document, format.name())});
            }
        }
    return images;
}

bool samePixels(const QImage& one, const QImage& other)
{
    // Pixmaps keep premultiplied pixels: compare in that form.
    auto pixels = [](const QImage& image) {
        return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    };
    return !one.isNull() && pixels(one) == pixels(other);
}

bool showsFile(const ShownImage& shown, const QString& file)
{
    const QImage expected(file);
    return !expected.isNull() && shown.size == expected.size() && samePixels(shown.image, expected);
}

}  // namespace QtTests
