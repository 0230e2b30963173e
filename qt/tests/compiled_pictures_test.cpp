// SPDX-License-Identifier: MIT
// With the sample emoticons compiled in as Qt resources, the resources win
// over a picture directory, in documents and in the model.
#include <gtest/gtest.h>

#include <QIcon>

#include "support.h"
#include "support/common.h"
#include "tessel/qt/EmoticonModel.h"
#include "tessel/qt/PictureResolver.h"
#include "tessel/tessel.h"

using namespace QtTests;

TEST(CompiledPictures, ResourcesWinOverThePictureDirectory)
{
    // A directory whose pictures differ from the compiled-in ones.
    TestSupport::TempDir dir;
    QImage other(24, 24, QImage::Format_ARGB32);
    other.fill(Qt::red);
    ASSERT_TRUE(other.save(QString::fromStdString(dir / "1.png")));
    const QString compiled = QStringLiteral(":/Res/FaceMgr/em/1.png");

    TesselQt::PictureResolver resolver(QString::fromStdString(dir.path()));
    EXPECT_EQ(resolver.fileFor(QUrl(compiled)), QString());
    TesselQt::PictureDocument document(resolver);
    document.setHtml(QStringLiteral("<p><img src=\"%1\"/></p>").arg(compiled));
    const std::vector<ShownImage> images = shownImages(document);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_TRUE(showsFile(images[0], dataFile(QStringLiteral("emoticons/1.png"))));

    Tessel::Init("", TESSEL_SOURCE_DIR "/data/emo.dat");
    TesselQt::EmoticonModel model(QString::fromStdString(dir.path()));
    ASSERT_EQ(model.rowCount(), 36);
    for (int row = 0; row < model.rowCount(); ++row) {
        const QIcon icon = model.data(model.index(row), Qt::DecorationRole).value<QIcon>();
        const QString file = dataFile(QStringLiteral("emoticons/%1.png").arg(row + 1));
        EXPECT_TRUE(samePixels(icon.pixmap(QSize(24, 24)).toImage(), QImage(file))) << row;
    }
}
