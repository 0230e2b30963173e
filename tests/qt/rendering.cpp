// SPDX-License-Identifier: MIT
// What Qt shows of a piece of text: its plain text and every image in it,
// with the file Qt reads it from and the size Qt lays it out at.
#include <QAbstractTextDocumentLayout>
#include <QCryptographicHash>
#include <QFileInfo>
#include <QImage>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>

#include "qt_check.h"

namespace qtcheck {

namespace {

QString key(const QImage& image)
{
    QImage pixels = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QCryptographicHash hash(QCryptographicHash::Md5);
    for (int y = 0; y < pixels.height(); ++y)
        hash.addData(QByteArray::fromRawData(reinterpret_cast<const char*>(pixels.constScanLine(y)),
                                             pixels.width() * 4));
    return QString("%1x%2:%3").arg(pixels.width()).arg(pixels.height()).arg(QString(hash.result().toHex()));
}

// The resource or local file that an image source names, as Qt's document
// reads it: the source is a URL (character references already decoded), so
// "%XX" is decoded and '#' or '?' end the path; ":/" names a resource and a
// URL without a scheme a local file. "" when it names no existing file, as
// any "http:" address.
QString fileOf(const QString& source)
{
    QUrl url(source);
    if (url.scheme().isEmpty())
        url.setScheme("file");
    const QString file = source.startsWith(":/")  ? source
                         : url.scheme() == "file" ? url.toLocalFile()
                         : url.scheme() == "qrc"  ? ":" + url.path()
                                                  : QString();
    return !file.isEmpty() && QFileInfo(file).isFile() ? file : QString();
}

// The picture that the document itself loads for an image source.
QImage loadedImage(QTextDocument& document, const QString& source)
{
    const QVariant resource = document.resource(QTextDocument::ImageResource, QUrl(source));
    if (resource.canConvert<QImage>() && resource.userType() != QMetaType::QByteArray)
        return resource.value<QImage>();
    return QImage::fromData(resource.toByteArray());
}

Rendering render(QTextDocument& document)
{
    Rendering rendering{document.toPlainText(), {}};
    QTextObjectInterface* handler = document.documentLayout()->handlerForObject(QTextFormat::ImageObject);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            for (int i = 0; fragment.charFormat().isImageFormat() && i < fragment.length(); ++i) {
                ShownImage image;
                image.name = fragment.charFormat().toImageFormat().name();
                const QSizeF size = handler->intrinsicSize(&document, fragment.position(), fragment.charFormat());
                image.size = size.toSize();
                image.file = fileOf(image.name);
                const QImage pixels = image.file.isEmpty() ? QImage() : loadedImage(document, image.name);
                if (!pixels.isNull()) {
                    image.fileSize = pixels.size();
                    image.filePixels = key(pixels);
                }
                rendering.images.push_back(image);
            }
        }
    return rendering;
}

}  // namespace

Rendering renderHtml(const std::string& utf8)
{
    QTextDocument document;
    document.setHtml(QString::fromUtf8(utf8.data(), static_cast<int>(utf8.size())));
    return render(document);
}

Rendering renderPlainText(const std::string& utf8)
{
    QTextDocument document;
    document.setPlainText(QString::fromUtf8(utf8.data(), static_cast<int>(utf8.size())));
    return render(document);
}

QString pixelsKey(const QByteArray& encodedImage)
{
    return key(QImage::fromData(encodedImage));
}

}  // namespace qtcheck
