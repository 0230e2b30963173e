// Chat messages written by Qt itself: documents built with QTextCursor the
// way the client's editor builds them (styled paragraphs, headings, line
// breaks, empty lines, now and then a list or a table, emoticons, local,
// remote and missing pictures, text that Qt writes with entities, Chinese and
// emoji), saved with QTextDocument::toHtml().
#include <QColor>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>
#include <random>

#include "qt_check.h"

namespace qtcheck {

namespace {

const char* const Texts[] = {
    "Good morning!", "The build is green again", "see you at 10", "Tom & Jerry",
    "5 < 7 and 7 > 5", "\"quoted\" and 'single'", "a&amp;b stays as typed", "<b>not a tag</b>",
    "caf\u00e9 na\u00efve Gr\u00fc\u00dfe", "\u4f60\u597d\uff0c\u4e16\u754c", "\u5fae\u7b11",
    "\U0001F389", "\U0001F44D\U0001F3FD thanks", "x\u00a0y", "two  spaces", "tab\there",
    "AT&T", "&lt;3", "100%", "end.",
};

// std::mt19937 gives the same numbers everywhere, unlike the standard distributions.
struct Dice {
    std::mt19937 engine;
    int below(int n) { return static_cast<int>(engine() % static_cast<std::uint32_t>(n)); }
    bool chance(int percent) { return below(100) < percent; }
};

void insertParagraph(QTextCursor& cursor, Dice& dice, const MessageAssets& assets)
{
    if (dice.chance(10))
        return;  // an empty line
    for (int pieces = 1 + dice.below(7); pieces > 0; --pieces) {
        const int kind = dice.below(100);
        QTextImageFormat image;
        if (kind < 50) {
            QString text = QString::fromUtf8(Texts[dice.below(std::size(Texts))]);
            if (dice.chance(30))
                text = " " + text;
            if (dice.chance(60))
                text += " ";
            QTextCharFormat format;
            if (dice.chance(25))
                format.setFontWeight(QFont::Bold);
            if (dice.chance(15))
                format.setFontItalic(true);
            if (dice.chance(10))
                format.setFontUnderline(true);
            if (dice.chance(15))
                format.setForeground(QColor::fromRgb(0x204080 + dice.below(0x100)));
            if (dice.chance(10))
                format.setFontPointSize(8 + dice.below(10));
            if (dice.chance(5)) {
                format.setAnchor(true);
                format.setAnchorHref("http://example.invalid/page?a=1&b=2");
            }
            cursor.insertText(text, format);
        } else if (kind < 75) {
            image.setName(QString(":/Res/FaceMgr/em/%1.png").arg(1 + dice.below(assets.emoticons)));
        } else if (kind < 83) {
            image.setName(assets.pictures[dice.below(assets.pictures.size())]);
        } else if (kind < 88) {
            image.setName(assets.remote[dice.below(assets.remote.size())]);
        } else if (kind < 91) {
            image.setName(assets.missing[dice.below(assets.missing.size())]);
        } else {
            cursor.insertText(QString(QChar::LineSeparator));
        }
        if (!image.name().isEmpty())
            cursor.insertImage(image);
    }
}

QTextBlockFormat randomBlockFormat(Dice& dice)
{
    QTextBlockFormat format;
    if (dice.chance(10))
        format.setAlignment(dice.chance(50) ? Qt::AlignCenter : Qt::AlignRight);
    if (dice.chance(8))
        format.setHeadingLevel(1 + dice.below(3));
    return format;
}

}  // namespace

std::vector<std::string> makeQtMessages(const MessageAssets& assets, int count, std::uint32_t seed)
{
    Dice dice{std::mt19937(seed)};
    std::vector<std::string> messages;
    for (int m = 0; m < count; ++m) {
        QTextDocument document;
        QTextCursor cursor(&document);
        for (int i = 0, paragraphs = 1 + dice.below(4); i < paragraphs; ++i) {
            if (i == 0)
                cursor.setBlockFormat(randomBlockFormat(dice));
            else
                cursor.insertBlock(randomBlockFormat(dice), QTextCharFormat());
            insertParagraph(cursor, dice, assets);
        }
        if (dice.chance(10)) {
            cursor.insertBlock();
            cursor.insertList(QTextListFormat::ListDisc);
            insertParagraph(cursor, dice, assets);
            cursor.insertBlock();
            insertParagraph(cursor, dice, assets);
        } else if (dice.chance(8)) {
            cursor.insertBlock();
            cursor.insertTable(1, 2);
            insertParagraph(cursor, dice, assets);
            cursor.movePosition(QTextCursor::NextCell);
            insertParagraph(cursor, dice, assets);
        }
        messages.push_back(document.toHtml().toStdString());
    }
    return messages;
}

}  // namespace qtcheck
