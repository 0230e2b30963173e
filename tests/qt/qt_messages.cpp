// SPDX-License-Identifier: MIT
// Chat messages written by Qt itself, made by the benchmark corpus's message
// builder with every construct the client's editor can produce turned on:
// headings, aligned paragraphs, line breaks, empty lines, lists, tables,
// links, emoticons, local, remote and missing pictures among the text, with
// and without a size, and tricky texts beside plain words, Chinese and emoji.
#include <QTextDocument>

#include "corpus/message_builder.h"
#include "qt_check.h"

namespace qtcheck {

std::vector<std::string> makeQtMessages(const MessageAssets& assets, int count, std::uint64_t seed)
{
    MessageOptions options;
    // Pictures: emoticons, and among the text local, remote and missing ones.
    options.pictures = assets.pictures + assets.remote + assets.missing;
    options.emoticons = assets.emoticons;
    options.inlinePictures = 20;
    options.sizedPictures = 50;
    // Paragraphs: longer, any of them aligned or a heading.
    options.paragraphPieces = 7;
    options.formatFirstParagraph = true;
    options.aligned = 10;
    options.rightAligned = 50;
    options.headings = 12;
    // Empty lines, lists and tables.
    options.emptyLines = 12;
    options.lists = 12;
    options.tables = 12;
    // Text: line breaks of their own, tricky texts, spaces inside styled runs, links.
    options.bareBreaks = 100;
    options.trickyTexts = 60;
    options.leadingSpaces = 30;
    options.styledSpaces = 50;
    options.links = 8;
    MessageBuilder builder(seed, std::move(options));

    std::vector<std::string> messages;
    for (int m = 0; m < count; ++m) {
        QTextDocument document;
        builder.buildMessage(document);
        messages.push_back(document.toHtml().toStdString());
    }
    return messages;
}

}  // namespace qtcheck
