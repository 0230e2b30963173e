// The viewer's window: four panes, each a title over a text browser.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

// What the library made of one message, as the panes show it.
struct MessageOutputs {
    QString message;        // the message file's text
    QString richText;       // ParseHtml's text
    bool richTextIsHtml;    // false for a message without markup: then plain text
    QString paragraph;      // EChTextFromBody of the body
    QString body;           // ParseHtml_Orb's body
    QStringList emoticons;  // "name label" per pair of GetEChVector
    QStringList images;     // "key path" per pair of GetImageVector
    QString rebuilt;        // HtmlFromBody of the body and its image list
};

class MessageView : public QWidget {
public:
    MessageView(const QString& name, const MessageOutputs& outputs);
};
