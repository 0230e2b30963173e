// Chat messages written by Qt itself: documents built with QTextCursor the way
// the client's editor builds them, saved with QTextDocument::toHtml().
#pragma once

#include <QStringList>
#include <cstdint>
#include <string>
#include <vector>

namespace qtcheck {

struct MessageAssets {
    QStringList pictures;  // existing local pictures (absolute paths)
    QStringList remote;    // "http://" addresses that answer with a picture
    QStringList missing;   // local paths that name no file
    int emoticons = 36;    // emoticon ids 1..emoticons have resources
};

// count messages (UTF-8 bytes), the same for the same seed on every platform:
// styled paragraphs, headings, line breaks, empty lines, a list or a table now
// and then, emoticons, local, remote and missing pictures, text that Qt writes
// with entities (& < > " and no-break spaces), Chinese text and emoji.
std::vector<std::string> makeQtMessages(const MessageAssets& assets, int count, std::uint32_t seed);

}  // namespace qtcheck
