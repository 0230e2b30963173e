// SPDX-License-Identifier: MIT
#include "corpus/message_builder.h"

#include <QColor>
#include <QFont>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextList>
#include <QTextTable>
#include <algorithm>
#include <utility>

#include "corpus/vocabulary.h"

void prepareDocument(QTextDocument& document)
{
    document.setDefaultFont(QFont(QStringLiteral("Microsoft YaHei"), 9));
}

MessageBuilder::MessageBuilder(std::uint64_t seed, MessageOptions options)
    : random_(seed), options_(std::move(options))
{
}

bool MessageBuilder::chance(int percent)
{
    return percent >= 100 || (percent > 0 && random_.percent(percent));
}

QString MessageBuilder::phrase()
{
    if (chance(options_.trickyTexts))
        return QString::fromUtf8(pick(random_, Vocabulary::trickyTexts));
    const int kind = random_.below(100);
    if (kind < 8)
        return QString::fromUtf8(pick(random_, Vocabulary::escapedTexts));
    if (kind < 35) {
        QString s = QString::fromUtf8(pick(random_, Vocabulary::chinese));
        if (random_.percent(40))
            s += QString::fromUtf8(pick(random_, Vocabulary::chinese));
        return s;
    }
    QString s;
    const int words = random_.between(2, 9);
    for (int i = 0; i < words; ++i) {
        if (i)
            s += QLatin1Char(' ');
        s += QString::fromUtf8(pick(random_, Vocabulary::words));
    }
    if (random_.percent(15))
        s += QLatin1Char(' ') + QString::fromUtf8(pick(random_, Vocabulary::emoji));
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
            format.setForeground(QColor(QString::fromLatin1(pick(random_, Vocabulary::colours))));
        if (random_.percent(10))
            format.setFontPointSize(random_.between(10, 16));
    }
    if (chance(options_.links)) {
        format.setAnchor(true);
        format.setAnchorHref(QStringLiteral("http://example.invalid/page?a=1&b=2"));
    }
    QString text = phrase();
    if (chance(options_.leadingSpaces))
        text.prepend(QLatin1Char(' '));
    cursor.insertText(text, format);
    if (random_.percent(60))
        cursor.insertText(QStringLiteral(" "), chance(options_.styledSpaces) ? format : QTextCharFormat());
}

void MessageBuilder::appendEmoticon(QTextCursor& cursor)
{
    // Most emoticons come from the first hundred (the classic faces).
    const int number = random_.percent(80) ? random_.between(1, std::min(100, options_.emoticons))
                                           : random_.between(1, options_.emoticons);
    QTextImageFormat image;
    image.setName(QStringLiteral(":/Res/FaceMgr/em/%1.png").arg(number));
    cursor.insertImage(image);
}

void MessageBuilder::appendPicture(QTextCursor& cursor)
{
    QTextImageFormat image;
    image.setName(options_.pictures[random_.below(int(options_.pictures.size()))]);
    if (chance(options_.sizedPictures)) {
        image.setWidth(random_.between(60, 400));
        image.setHeight(random_.between(40, 300));
    }
    cursor.insertImage(image);
}

QTextBlockFormat MessageBuilder::blockFormat()
{
    QTextBlockFormat block;
    if (chance(options_.aligned))
        block.setAlignment(chance(options_.rightAligned) ? Qt::AlignRight : Qt::AlignCenter);
    if (chance(options_.headings))
        block.setHeadingLevel(random_.between(1, 3));
    return block;
}

// The pieces of a paragraph, list item or table cell, at the cursor.
void MessageBuilder::appendContent(QTextCursor& cursor)
{
    if (chance(options_.emptyLines))
        return;
    const int pieces = random_.between(1, options_.paragraphPieces);
    for (int i = 0; i < pieces; ++i) {
        if (chance(options_.inlinePictures)) {
            appendPicture(cursor);
            continue;
        }
        const int kind = random_.below(100);
        if (kind < 62) {
            appendTextRun(cursor);
        } else if (kind < 90) {
            const int emoticons = random_.between(1, 3);
            for (int e = 0; e < emoticons; ++e)
                appendEmoticon(cursor);
        } else {
            if (!chance(options_.bareBreaks))
                appendTextRun(cursor);
            cursor.insertText(QString(QChar::LineSeparator));
        }
    }
}

void MessageBuilder::appendParagraph(QTextCursor& cursor, bool first)
{
    if (!first)
        cursor.insertBlock(blockFormat(), QTextCharFormat());
    else if (options_.formatFirstParagraph)
        cursor.setBlockFormat(blockFormat());
    appendContent(cursor);
}

// A list or table after the paragraphs; its blocks keep the format that puts
// them into it.
void MessageBuilder::appendListOrTable(QTextCursor& cursor)
{
    if (chance(options_.lists)) {
        cursor.insertBlock();
        cursor.insertList(QTextListFormat::ListDisc);
        appendContent(cursor);
        cursor.insertBlock();
        appendContent(cursor);
    } else if (chance(options_.tables)) {
        cursor.insertBlock();
        cursor.insertTable(1, 2);
        appendContent(cursor);
        cursor.movePosition(QTextCursor::NextCell);
        appendContent(cursor);
    }
}

void MessageBuilder::buildMessage(QTextDocument& document)
{
    QTextCursor cursor(&document);
    const int kind = random_.below(100);
    const int paragraphs = kind < 70 ? 1 : kind < 92 ? 2 : 3;
    for (int i = 0; i < paragraphs; ++i)
        appendParagraph(cursor, i == 0);
    appendListOrTable(cursor);
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
