// SPDX-License-Identifier: MIT
// The viewer's window: four panes, each a title over a text browser that
// shows emoticons from a picture directory.
#pragma once

#include <QTextBrowser>
#include <QWidget>

#include "tessel/qt/MessageRenderer.h"

class MessageView : public QWidget {
public:
    MessageView(const QString& name, const QString& pictureDirectory);

    // The body pane: the paragraph a client shows for the body, then the
    // body's markup and its two lists as text.
    void showBody(const QString& paragraph, const TesselQt::MessageBody& body);

    QTextBrowser* message;   // the message, as Qt renders it
    QTextBrowser* richText;  // the rich text of a render request
    QTextBrowser* body;      // the body of a toBody request, shown through toParagraph
    QTextBrowser* rebuilt;   // the HTML that fromBody rebuilds from the body
};
