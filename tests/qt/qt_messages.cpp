#include "qt_messages.h"

#include <QColor>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>
#include <random>

namespace qtcheck {

namespace {

const char* const Texts[] = {
    "Good morning!", "The build is green again", "see you at 10", "Tom & Jerry",
    "5 < 7 and 7 > 5", "\"quoted\" and 'single'", "a&amp;b stays as typed", "<b>not a tag</b>",
    "caf\u00e9 na\u00efve Gr\u00fc\u00dfe", "\u4f60\u597d\uff0c\u4e16\u754c", "\u5fae\u7b11",
    "\U0001F389", "\U0001F44D\U0001F3FD thanks", "x\u00a0y", "two  spaces", "tab\there",
    "AT&T", "&lt;3", "100%", "end.",
};

// The random source: std::mt19937 gives the same numbers everywhere, unlike
// the standard distributions.
class Dice {
public:
    explicit Dice(std::uint32_t seed) : engine(seed) {}
    int below(int n) { return static_cast<int>(engine() % static_cast<std::uint32_t>(n)); }
    bool chance(int percent) { return below(100) < percent; }
    template <class T, std::size_t N>
    const T& pick(const T (&items)[N]) { return items[below(static_cast<int>(N))]; }
    const QString& pick(const QStringList& items) { return items[below(items.size())]; }

private:
    std::mt19937 engine;
};

QTextCharFormat randomCharFormat(Dice& dice)
{
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
    return format;
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

void insertImage(QTextCursor& cursor, const QString& name)
{
    QTextImageFormat image;
    image.setName(name);
    cursor.insertImage(image);
}

void insertPiece(QTextCursor& cursor, Dice& dice, const MessageAssets& assets)
{
    int kind = dice.below(100);
    if (kind < 50) {
        QString text = QString::fromUtf8(dice.pick(Texts));
        if (dice.chance(30))
            text = " " + text;
        if (dice.chance(60))
            text += " ";
        cursor.insertText(text, randomCharFormat(dice));
    } else if (kind < 75) {
        insertImage(cursor, QString(":/Res/FaceMgr/em/%1.png").arg(1 + dice.below(assets.emoticons)));
    } else if (kind < 83 && !assets.pictures.empty()) {
        insertImage(cursor, dice.pick(assets.pictures));
    } else if (kind < 88 && !assets.remote.empty()) {
        insertImage(cursor, dice.pick(assets.remote));
    } else if (kind < 91 && !assets.missing.empty()) {
        insertImage(cursor, dice.pick(assets.missing));
    } else {
        cursor.insertText(QString(QChar::LineSeparator));
    }
}

void insertParagraph(QTextCursor& cursor, Dice& dice, const MessageAssets& assets)
{
    if (dice.chance(10))
        return;  // an empty line
    for (int pieces = 1 + dice.below(7); pieces > 0; --pieces)
        insertPiece(cursor, dice, assets);
}

std::string makeMessage(Dice& dice, const MessageAssets& assets)
{
    QTextDocument document;
    QTextCursor cursor(&document);
    int paragraphs = 1 + dice.below(4);
    for (int i = 0; i < paragraphs; ++i) {
        if (i == 0)
            cursor.setBlockFormat(randomBlockFormat(dice));
        else
            cursor.insertBlock(randomBlockFormat(dice), QTextCharFormat());
        insertParagraph(cursor, dice, assets);
    }
    if (dice.chance(10)) {
        cursor.insertBlock();
        cursor.insertList(QTextListFormat::ListDisc);
        for (int item = 0; item < 2; ++item) {
            if (item > 0)
                cursor.insertBlock();
            insertParagraph(cursor, dice, assets);
        }
    } else if (dice.chance(8)) {
        cursor.insertBlock();
        cursor.insertTable(1, 2);
        insertParagraph(cursor, dice, assets);
        cursor.movePosition(QTextCursor::NextCell);
        insertParagraph(cursor, dice, assets);
    }
    return document.toHtml().toStdString();
}

}  // namespace

std::vector<std::string> makeQtMessages(const MessageAssets& assets, int count, std::uint32_t seed)
{
    Dice dice(seed);
    std::vector<std::string> messages;
    for (int i = 0; i < count; ++i)
        messages.push_back(makeMessage(dice, assets));
    return messages;
}

}  // namespace qtcheck
