#include "corpus/message_builder.h"

#include <QColor>
#include <QFont>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>

#include "corpus/vocabulary.h"

namespace {

const char* const Emoji[] = {"😀", "😂", "👍", "🎉", "🙏", "❤️", "😅", "🔥", "👀", "✅"};

// Text that needs escaping in HTML: Qt writes &amp; &lt; &gt; &quot;.
const char* const Escaped[] = {
    "Tom & Jerry", "a < b", "x > y", "say \"hi\"", "R&D", "<draft>", "if (a && b)",
    "5 > 3 & 2 < 4", "\"quoted\" text", "Q&A at 3"};

const char* const Colours[] = {"#ff0000", "#0000ff", "#008000", "#aa00ff", "#ff5500", "#555555"};

template <typename T, int N>
constexpr int countOf(T (&)[N])
{
    return N;
}

}  // namespace

void prepareDocument(QTextDocument& document)
{
    document.setDefaultFont(QFont(QStringLiteral("Microsoft YaHei"), 9));
}

MessageBuilder::MessageBuilder(std::uint64_t seed, QStringList pictures, int emoticonCount)
    : random_(seed), pictures_(std::move(pictures)), emoticonCount_(emoticonCount)
{
}

QString MessageBuilder::phrase()
{
    const int kind = random_.below(100);
    if (kind < 8)
        return QString::fromUtf8(Escaped[random_.below(countOf(Escaped))]);
    if (kind < 35) {
        QString s = QString::fromUtf8(randomChinese(random_));
        if (random_.percent(40))
            s += QString::fromUtf8(randomChinese(random_));
        return s;
    }
    QString s;
    const int words = random_.between(2, 9);
    for (int i = 0; i < words; ++i) {
        if (i)
            s += QLatin1Char(' ');
        s += QString::fromUtf8(randomWord(random_));
    }
    if (random_.percent(15))
        s += QLatin1Char(' ') + QString::fromUtf8(Emoji[random_.below(countOf(Emoji))]);
    return s;
}

void MessageBuilder::appendTextRun(QTextCursor& cursor)
{
    QTextCharFormat format;
    if (random_.percent(30)) {
        // A styled run, as the client's bold / italic / colour buttons make it.
        if (random_.percent(50))
            format.setFontWeight(QFont::Bold);
        if (random_.percent(30))
            format.setFontItalic(true);
        if (random_.percent(15))
            format.setFontUnderline(true);
        if (random_.percent(40))
            format.setForeground(QColor(QString::fromLatin1(Colours[random_.below(countOf(Colours))])));
        if (random_.percent(10))
            format.setFontPointSize(random_.between(10, 16));
    }
    cursor.insertText(phrase(), format);
    if (random_.percent(60))
        cursor.insertText(QStringLiteral(" "), QTextCharFormat());
}

void MessageBuilder::appendEmoticon(QTextCursor& cursor)
{
    // Most emoticons come from the first hundred (the classic faces).
    const int number = random_.percent(80) ? random_.between(1, 100)
                                           : random_.between(1, emoticonCount_);
    QTextImageFormat image;
    image.setName(QStringLiteral(":/Res/FaceMgr/em/%1.png").arg(number));
    cursor.insertImage(image);
}

void MessageBuilder::appendPicture(QTextCursor& cursor)
{
    QTextImageFormat image;
    image.setName(pictures_[random_.below(pictures_.size())]);
    image.setWidth(random_.between(60, 400));
    image.setHeight(random_.between(40, 300));
    cursor.insertImage(image);
}

void MessageBuilder::appendParagraph(QTextCursor& cursor, bool first)
{
    if (!first) {
        QTextBlockFormat block;
        if (random_.percent(5))
            block.setAlignment(Qt::AlignCenter);
        cursor.insertBlock(block, QTextCharFormat());
    }
    const int pieces = random_.between(1, 4);
    for (int i = 0; i < pieces; ++i) {
        const int kind = random_.below(100);
        if (kind < 62) {
            appendTextRun(cursor);
        } else if (kind < 90) {
            const int emoticons = random_.between(1, 3);
            for (int e = 0; e < emoticons; ++e)
                appendEmoticon(cursor);
        } else {
            appendTextRun(cursor);
            cursor.insertText(QString(QChar::LineSeparator));
        }
    }
}

void MessageBuilder::buildMessage(QTextDocument& document)
{
    QTextCursor cursor(&document);
    const int kind = random_.below(100);
    const int paragraphs = kind < 70 ? 1 : kind < 92 ? 2 : 3;
    for (int i = 0; i < paragraphs; ++i)
        appendParagraph(cursor, i == 0);
    if (random_.percent(6))
        appendPicture(cursor);
}

void MessageBuilder::buildLongMessage(QTextDocument& document, int bytes)
{
    QTextCursor cursor(&document);
    appendParagraph(cursor, true);
    // toHtml() is costly on a large document: grow in batches and measure.
    while (document.toHtml().toUtf8().size() < bytes) {
        for (int i = 0; i < 200; ++i) {
            appendParagraph(cursor, false);
            if (random_.percent(3))
                appendPicture(cursor);
        }
    }
}

QString MessageBuilder::plainMessage()
{
    QString text = phrase();
    const int more = random_.between(0, 3);
    for (int i = 0; i < more; ++i)
        text += (random_.percent(20) ? QStringLiteral("\n") : QStringLiteral(" ")) + phrase();
    return text.toHtmlEscaped();
}
