#include "rendering.h"

#include <QAbstractTextDocumentLayout>
#include <QCryptographicHash>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>

namespace qtcheck {

bool ShownImage::shownAsFile() const
{
    return !file.isEmpty() && fileSize.isValid() && size == fileSize && drawn == filePixels;
}

QString pixelsKey(const QImage& image)
{
    QImage pixels = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QCryptographicHash hash(QCryptographicHash::Md5);
    for (int y = 0; y < pixels.height(); ++y)
        hash.addData(reinterpret_cast<const char*>(pixels.constScanLine(y)), pixels.width() * 4);
    return QString("%1x%2:%3").arg(pixels.width()).arg(pixels.height())
        .arg(QString::fromLatin1(hash.result().toHex()));
}

QString fileOfImageSource(const QString& source)
{
    QString file;
    if (source.startsWith(":/")) {
        file = source;
    } else {
        QUrl url(source);
        if (url.scheme() == "file")
            file = url.toLocalFile();
        else if (url.scheme() == "qrc")
            file = ":" + url.path();
        else if (url.scheme().isEmpty())
            file = source;
    }
    return !file.isEmpty() && QFileInfo(file).isFile() ? file : QString();
}

namespace {

ShownImage inspect(QTextDocument& document, const QTextFragment& fragment)
{
    ShownImage image;
    QTextCharFormat format = fragment.charFormat();
    image.name = format.toImageFormat().name();
    QTextObjectInterface* handler =
        document.documentLayout()->handlerForObject(QTextFormat::ImageObject);
    image.size = handler->intrinsicSize(&document, fragment.position(), format).toSize();
    if (!image.size.isEmpty()) {
        QImage canvas(image.size, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::transparent);
        QPainter painter(&canvas);
        handler->drawObject(&painter, QRectF(QPointF(0, 0), image.size), &document,
                            fragment.position(), format);
        painter.end();
        image.drawn = pixelsKey(canvas);
    }
    image.file = fileOfImageSource(image.name);
    if (!image.file.isEmpty()) {
        QImage pixels = QImageReader(image.file).read();
        if (!pixels.isNull()) {
            image.fileSize = pixels.size();
            image.filePixels = pixelsKey(pixels);
        }
    }
    return image;
}

Rendering render(QTextDocument& document)
{
    Rendering rendering;
    rendering.plainText = document.toPlainText();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                for (int i = 0; i < it.fragment().length(); ++i)
                    rendering.images.push_back(inspect(document, it.fragment()));
    return rendering;
}

}  // namespace

Rendering renderHtml(const QString& html)
{
    QTextDocument document;
    document.setHtml(html);
    return render(document);
}

Rendering renderPlainText(const QString& text)
{
    QTextDocument document;
    document.setPlainText(text);
    return render(document);
}

}  // namespace qtcheck
