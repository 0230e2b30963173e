// Builds chat messages the way the Qt client composes them: a QTextDocument
// edited through a cursor (styled runs, line breaks, emoticons as resource
// images, pictures as local files), later written out with toHtml().
#pragma once

#include <QString>
#include <QStringList>

#include "support/random.h"

class QTextCursor;
class QTextDocument;

class MessageBuilder {
public:
    // pictures: local image sources (paths or file:/// addresses) that
    // messages may show; emoticons are numbered 1 .. emoticonCount.
    MessageBuilder(std::uint64_t seed, QStringList pictures, int emoticonCount);

    // A typical chat message: one to three short paragraphs.
    void buildMessage(QTextDocument& document);
    // Paragraphs appended until the document's HTML reaches about `bytes`.
    void buildLongMessage(QTextDocument& document, int bytes);
    // A message as a plain-text client sends it: no markup, & < > " escaped.
    QString plainMessage();

private:
    void appendParagraph(QTextCursor& cursor, bool first);
    void appendTextRun(QTextCursor& cursor);
    void appendEmoticon(QTextCursor& cursor);
    void appendPicture(QTextCursor& cursor);
    QString phrase();

    benchsupport::Random random_;
    QStringList pictures_;
    int emoticonCount_;
};

// The document settings of the client: its default font.
void prepareDocument(QTextDocument& document);
