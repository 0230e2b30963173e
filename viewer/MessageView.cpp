// SPDX-License-Identifier: MIT
#include "MessageView.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QVBoxLayout>

#include "tessel/qt/PictureResolver.h"

namespace {

QTextBrowser* addPane(QGridLayout* grid, int row, int column, const QString& title,
                      const TesselQt::PictureResolver& pictures)
{
    auto* box = new QGroupBox(title);
    auto* browser = new QTextBrowser;
    browser->setDocument(new TesselQt::PictureDocument(pictures, browser));
    browser->setOpenLinks(false);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(browser);
    grid->addWidget(box, row, column);
    return browser;
}

QString pairs(const TesselQt::StringPairs& list)
{
    QStringList lines;
    for (const auto& [first, second] : list)
        lines << first + "  " + second;
    return lines.isEmpty() ? QString("(none)") : lines.join("\n").toHtmlEscaped();
}

}  // namespace

MessageView::MessageView(const QString& name, const QString& pictureDirectory)
{
    setWindowTitle("tessel-view: " + name);
    auto* grid = new QGridLayout(this);
    const TesselQt::PictureResolver pictures(pictureDirectory);  // one cache for the four panes
    message = addPane(grid, 0, 0, "Message, as Qt renders it", pictures);
    richText = addPane(grid, 0, 1, "Rich text (ParseHtml)", pictures);
    body = addPane(grid, 1, 0, "Body (ParseHtml_Orb), shown through EChTextFromBody", pictures);
    rebuilt = addPane(grid, 1, 1, "Rebuilt HTML (HtmlFromBody)", pictures);
}

void MessageView::showBody(const QString& paragraph, const TesselQt::MessageBody& converted)
{
    const QString pre = "<pre style=\"white-space: pre-wrap; font-family: monospace;\">";
    body->setHtml(paragraph + "<hr/><p><b>Body</b></p>" + pre + converted.body.toHtmlEscaped() +
                  "</pre><p><b>Emoticons</b></p>" + pre + pairs(converted.emoticons) +
                  "</pre><p><b>Images</b></p>" + pre + pairs(converted.images) + "</pre>");
}
