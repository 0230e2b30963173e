// SPDX-License-Identifier: MIT
// Builds chat messages the way the Qt client composes them: a QTextDocument
// edited through a cursor (styled runs, line breaks, emoticons as resource
// images, pictures), later written out with toHtml(). The benchmark corpus
// takes the typical mix; the Qt rendering check also asks for the rarer
// constructs (headings, empty lines, lists, tables, links, tricky texts,
// pictures inside paragraphs) through the options.
#pragma once

#include <QString>
#include <QStringList>

#include "support/random.h"

class QTextBlockFormat;
class QTextCursor;
class QTextDocument;

struct MessageOptions {
    // The picture sources that messages show: local paths and file:///
    // addresses, and as well "http://" addresses or paths of no file.
    QStringList pictures;
    int emoticons = 100;                // emoticon ids 1..emoticons; most are among the first hundred
    int paragraphPieces = 4;            // a paragraph holds 1..paragraphPieces runs, emoticons or breaks
    bool formatFirstParagraph = false;  // the first paragraph too may be aligned or a heading

    // Chances in percent. At 0 or 100 a chance costs no random draw: the
    // defaults are the benchmark corpus's, whose messages stay the same.
    int sizedPictures = 100;  // a picture carries a width and a height
    int aligned = 5;          // a paragraph is centred (or right-aligned)
    int rightAligned = 0;     // an aligned paragraph is right-aligned rather than centred
    int headings = 0;         // a paragraph is a heading of level 1 to 3
    int emptyLines = 0;       // a paragraph (or list item, table cell) is left empty
    int inlinePictures = 0;   // a piece of a paragraph is a picture
    int bareBreaks = 0;       // a line break follows no text run of its own
    int trickyTexts = 0;      // a phrase is one of the tricky texts
    int leadingSpaces = 0;    // a text run starts with a space
    int styledSpaces = 0;     // the space after a text run takes the run's format
    int links = 0;            // a text run is a link
    int lists = 0;            // a message ends with a list of two items
    int tables = 0;           // else with a table of one row and two cells
};

class MessageBuilder {
public:
    MessageBuilder(std::uint64_t seed, MessageOptions options);

    // A typical chat message: one to three short paragraphs.
    void buildMessage(QTextDocument& document);
    // Paragraphs appended until the document's HTML reaches about `bytes`.
    void buildLongMessage(QTextDocument& document, int bytes);
    // A message as a plain-text client sends it: no markup, & < > " escaped.
    QString plainMessage();

private:
    bool chance(int percent);
    QTextBlockFormat blockFormat();
    void appendParagraph(QTextCursor& cursor, bool first);
    void appendContent(QTextCursor& cursor);
    void appendListOrTable(QTextCursor& cursor);
    void appendTextRun(QTextCursor& cursor);
    void appendEmoticon(QTextCursor& cursor);
    void appendPicture(QTextCursor& cursor);
    QString phrase();

    benchsupport::Random random_;
    MessageOptions options_;
};

// The document settings of the client: its default font.
void prepareDocument(QTextDocument& document);
