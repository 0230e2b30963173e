// What Qt shows of a piece of text, and comparisons of shown texts.
#include <QAbstractTextDocumentLayout>
#include <QCryptographicHash>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>

#include "qt_check.h"

namespace qtcheck {

namespace {

// The resource or local file that an image source names, as Qt's document
// looks for it: ":/" resources, "file:" addresses, and paths relative to the
// working directory (a document without a base address). "" when the source
// names no existing file, as for any "http:" address.
QString fileOfImageSource(const QString& source)
{
    QUrl url(source);
    QString file = source.startsWith(":/")      ? source
                   : url.scheme() == "file"     ? url.toLocalFile()
                   : url.scheme() == "qrc"      ? ":" + url.path()
                   : url.scheme().isEmpty()     ? source
                                                : QString();
    return !file.isEmpty() && QFileInfo(file).isFile() ? file : QString();
}

ShownImage inspect(QTextDocument& document, const QTextFragment& fragment)
{
    ShownImage image;
    QTextCharFormat format = fragment.charFormat();
    image.name = format.toImageFormat().name();
    QTextObjectInterface* handler = document.documentLayout()->handlerForObject(QTextFormat::ImageObject);
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
    QImage pixels = image.file.isEmpty() ? QImage() : QImageReader(image.file).read();
    if (!pixels.isNull()) {
        image.fileSize = pixels.size();
        image.filePixels = pixelsKey(pixels);
    }
    return image;
}

Rendering render(QTextDocument& document)
{
    Rendering rendering{document.toPlainText(), {}};
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                for (int i = 0; i < it.fragment().length(); ++i)
                    rendering.images.push_back(inspect(document, it.fragment()));
    return rendering;
}

bool isBreak(QChar c) { return c == '\n' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator; }

QString withoutWhitespace(const QString& text)
{
    QString result;
    for (QChar c : text)
        if (!c.isSpace())
            result += c;
    return result;
}

}  // namespace

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
    return QString("%1x%2:%3").arg(pixels.width()).arg(pixels.height()).arg(QString(hash.result().toHex()));
}

Rendering renderHtml(const QString& html)
{
    QTextDocument document;
    document.setHtml(html);
    return render(document);
}

Rendering renderHtml(const std::string& utf8)
{
    return renderHtml(QString::fromUtf8(utf8.data(), static_cast<int>(utf8.size())));
}

Rendering renderPlainText(const QString& text)
{
    QTextDocument document;
    document.setPlainText(text);
    return render(document);
}

QString normalizeWhitespace(const QString& text)
{
    QString result;
    for (int i = 0; i < text.size();) {
        if (!text[i].isSpace()) {
            result += text[i++];
            continue;
        }
        bool hasBreak = false;
        for (; i < text.size() && text[i].isSpace(); ++i)
            hasBreak = hasBreak || isBreak(text[i]);
        result += hasBreak ? '\n' : ' ';
    }
    return result.trimmed();
}

TextComparison compareText(const QString& expected, const QString& actual)
{
    TextComparison comparison;
    comparison.sameCharacters = withoutWhitespace(expected) == withoutWhitespace(actual);
    if (!comparison.sameCharacters)
        return comparison;
    // Both texts hold the same characters in the same order, so walking them
    // side by side meets every difference at a separation.
    const QString e = normalizeWhitespace(expected), a = normalizeWhitespace(actual);
    for (int i = 0, j = 0; i < e.size() || j < a.size();) {
        const bool eSpace = i < e.size() && e[i].isSpace(), aSpace = j < a.size() && a[j].isSpace();
        QString place = e.mid(qMax(0, i - 16), qMin(i, 16)) + "|" + e.mid(i, 16);
        place.replace('\n', "\\n");
        if (eSpace && aSpace && e[i] != a[j])
            (e[i] == '\n' ? comparison.lost : comparison.added) << place;  // flattened or added break
        else if (eSpace && !aSpace)
            comparison.lost << place;
        else if (aSpace && !eSpace)
            comparison.added << place;
        i += eSpace || !aSpace;
        j += aSpace || !eSpace;
    }
    return comparison;
}

QString keepImages(const QString& text, const std::vector<bool>& keep)
{
    QString result;
    std::size_t image = 0;
    for (QChar c : text) {
        const bool isImage = c == QChar(0xFFFC);
        if (!isImage || (image < keep.size() && keep[image]))
            result += c;
        image += isImage;
    }
    return result;
}

}  // namespace qtcheck
