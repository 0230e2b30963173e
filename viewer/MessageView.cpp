#include "MessageView.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

QTextBrowser* addPane(QGridLayout* grid, int row, int column, const QString& title)
{
    auto* box = new QGroupBox(title);
    auto* browser = new QTextBrowser;
    browser->setOpenLinks(false);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(browser);
    grid->addWidget(box, row, column);
    return browser;
}

// The body pane: the paragraph a client shows for the body, then the body's
// markup and its two lists as text.
QString bodyPane(const MessageOutputs& outputs)
{
    auto list = [](const QStringList& items) {
        return items.isEmpty() ? QString("(none)") : items.join("\n").toHtmlEscaped();
    };
    const QString pre = "<pre style=\"white-space: pre-wrap; font-family: monospace;\">";
    return outputs.paragraph + "<hr/><p><b>Body</b></p>" + pre + outputs.body.toHtmlEscaped() +
           "</pre><p><b>Emoticons</b></p>" + pre + list(outputs.emoticons) +
           "</pre><p><b>Images</b></p>" + pre + list(outputs.images) + "</pre>";
}

}  // namespace

MessageView::MessageView(const QString& name, const MessageOutputs& outputs)
{
    setWindowTitle("tessel-view: " + name);
    auto* grid = new QGridLayout(this);

    addPane(grid, 0, 0, "Message, as Qt renders it")->setHtml(outputs.message);
    QTextBrowser* rich = addPane(grid, 0, 1, "Rich text (ParseHtml)");
    if (outputs.richTextIsHtml)
        rich->setHtml(outputs.richText);
    else
        rich->setPlainText(outputs.richText);
    addPane(grid, 1, 0, "Body (ParseHtml_Orb), shown through EChTextFromBody")
        ->setHtml(bodyPane(outputs));
    addPane(grid, 1, 1, "Rebuilt HTML (HtmlFromBody)")->setHtml(outputs.rebuilt);
}
