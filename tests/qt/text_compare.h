// Comparing the plain text that Qt shows for two documents, separating what a
// reader sees as words from the spaces and line breaks between them.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace qtcheck {

// Every run of whitespace (spaces, tabs, no-break spaces, line and paragraph
// breaks) becomes one "\n" when it holds a line break and one " " otherwise;
// whitespace at both ends is removed.
QString normalizeWhitespace(const QString& text);

struct TextComparison {
    bool sameCharacters = false;  // equal once all whitespace is removed
    QStringList added;       // a separation that the expected text does not have
    QStringList lostSpaces;  // a space of the expected text missing
    QStringList lostBreaks;  // a line break of the expected text missing
    QStringList flattened;   // a line break of the expected text shown as a space

    // Same characters and exactly the same separations.
    bool equal() const
    {
        return sameCharacters && added.empty() && lostSpaces.empty() && lostBreaks.empty() &&
               flattened.empty();
    }
};

// Compares two texts after normalizeWhitespace(). Each difference is given
// with some context and a "|" at its place in the expected text.
TextComparison compareText(const QString& expected, const QString& actual);

// text without the images (U+FFFC) whose flag in keep is false; keep holds
// one flag per U+FFFC of text, in order.
QString keepImages(const QString& text, const std::vector<bool>& keep);

}  // namespace qtcheck
