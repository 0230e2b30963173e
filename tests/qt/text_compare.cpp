#include "text_compare.h"

namespace qtcheck {

namespace {

const QChar ObjectReplacement(0xFFFC);

bool isBreak(QChar c)
{
    return c == '\n' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

QString withoutWhitespace(const QString& text)
{
    QString result;
    for (QChar c : text)
        if (!c.isSpace())
            result += c;
    return result;
}

QString context(const QString& text, int at)
{
    const int width = 16;
    int from = qMax(0, at - width);
    QString shown = text.mid(from, at - from) + "|" + text.mid(at, width);
    shown.replace('\n', QStringLiteral("\\n"));
    return shown;
}

}  // namespace

QString normalizeWhitespace(const QString& text)
{
    QString result;
    int i = 0;
    while (i < text.size()) {
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
    QString e = normalizeWhitespace(expected), a = normalizeWhitespace(actual);
    int i = 0, j = 0;
    while (i < e.size() || j < a.size()) {
        bool eSpace = i < e.size() && e[i].isSpace();
        bool aSpace = j < a.size() && a[j].isSpace();
        if (eSpace && aSpace) {
            if (e[i] == '\n' && a[j] == ' ')
                comparison.flattened << context(e, i);
            else if (e[i] == ' ' && a[j] == '\n')
                comparison.added << context(e, i);
            ++i, ++j;
        } else if (eSpace) {
            (e[i] == '\n' ? comparison.lostBreaks : comparison.lostSpaces) << context(e, i);
            ++i;
        } else if (aSpace) {
            comparison.added << context(e, i);
            ++j;
        } else {
            ++i, ++j;
        }
    }
    return comparison;
}

QString keepImages(const QString& text, const std::vector<bool>& keep)
{
    QString result;
    std::size_t image = 0;
    for (QChar c : text) {
        if (c == ObjectReplacement) {
            bool kept = image < keep.size() && keep[image];
            ++image;
            if (!kept)
                continue;
        }
        result += c;
    }
    return result;
}

}  // namespace qtcheck
