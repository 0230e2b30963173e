// SPDX-License-Identifier: MIT
// EmoticonModel over the sample catalogue (data/emo.dat: 24 classic, 12
// other emoticons, pictures in data/emoticons): rows, roles, the group
// filter, icons and the reset when the catalogue arrives.
#include <gtest/gtest.h>

#include <QIcon>
#include <QSignalSpy>

#include "support.h"
#include "tessel/qt/EmoticonModel.h"

using namespace QtTests;
using TesselQt::EmoticonModel;

namespace {

QVariant value(const EmoticonModel& model, int row, int role)
{
    return model.data(model.index(row), role);
}

// A model made before the catalogue exists fills when the renderer has
// loaded it.
void loadCatalogue(EmoticonModel& model)
{
    TesselQt::MessageRenderer renderer;
    QObject::connect(&renderer, &TesselQt::MessageRenderer::initialized, &model, &EmoticonModel::reload);
    Recorder recorder(renderer);
    ASSERT_TRUE(recorder.waitFor(renderer.initialize(dataFile(QStringLiteral("emo.dat")))));
}

}  // namespace

TEST(EmoticonModel, RowsAndRolesFollowTheCatalogue)
{
    EmoticonModel model(dataFile(QStringLiteral("emoticons")));
    EXPECT_EQ(model.rowCount(), 0);
    QSignalSpy resets(&model, &EmoticonModel::modelReset);
    loadCatalogue(model);
    EXPECT_EQ(resets.count(), 1);
    ASSERT_EQ(model.rowCount(), 36);
    EXPECT_EQ(model.rowCount(model.index(0)), 0);

    struct Row {
        int row;
        const char* name;
        EmoticonModel::Group group;
    };
    for (const Row& expected :
         {Row{0, "smile", EmoticonModel::Classic}, Row{23, "clap", EmoticonModel::Classic},
          Row{24, "thumbs up", EmoticonModel::Other}, Row{35, "rock & roll", EmoticonModel::Other}}) {
        SCOPED_TRACE(expected.row);
        const QString id = QString::number(expected.row + 1);
        EXPECT_EQ(value(model, expected.row, EmoticonModel::IdRole).toString(), id);
        EXPECT_EQ(value(model, expected.row, EmoticonModel::GroupRole).toInt(), expected.group);
        EXPECT_EQ(value(model, expected.row, EmoticonModel::CatalogueIndexRole).toInt(), expected.row);
        EXPECT_EQ(value(model, expected.row, EmoticonModel::ResourcePathRole).toString(),
                  QStringLiteral(":/Res/FaceMgr/em/%1.png").arg(id));
        EXPECT_EQ(value(model, expected.row, EmoticonModel::NameRole).toString(),
                  QLatin1String(expected.name));
        EXPECT_EQ(value(model, expected.row, Qt::DisplayRole).toString(), QLatin1String(expected.name));
    }
    EXPECT_EQ(value(model, 20, EmoticonModel::NameRole).toString(), QStringLiteral("\u5fae\u7b11"));
    EXPECT_FALSE(value(model, 36, EmoticonModel::NameRole).isValid());
    EXPECT_EQ(model.roleNames().value(EmoticonModel::ResourcePathRole), "resourcePath");
}

TEST(EmoticonModel, GroupFilterShowsOneGroup)
{
    EmoticonModel model;
    loadCatalogue(model);
    QSignalSpy resets(&model, &EmoticonModel::modelReset);
    QSignalSpy changes(&model, &EmoticonModel::groupsChanged);

    model.setGroups(EmoticonModel::Other);
    ASSERT_EQ(model.rowCount(), 12);
    for (int row = 0; row < 12; ++row)
        EXPECT_EQ(value(model, row, EmoticonModel::GroupRole).toInt(), EmoticonModel::Other);
    EXPECT_EQ(value(model, 0, EmoticonModel::CatalogueIndexRole).toInt(), 24);
    EXPECT_EQ(value(model, 0, EmoticonModel::IdRole).toString(), QStringLiteral("25"));

    model.setGroups(EmoticonModel::Classic);
    ASSERT_EQ(model.rowCount(), 24);
    EXPECT_EQ(value(model, 23, EmoticonModel::NameRole).toString(), QStringLiteral("clap"));
    model.setGroups(EmoticonModel::Classic);  // unchanged: no reset
    model.setGroups({});
    EXPECT_EQ(model.rowCount(), 0);
    model.setGroups(EmoticonModel::Classic | EmoticonModel::Other);
    EXPECT_EQ(model.rowCount(), 36);
    EXPECT_EQ(resets.count(), 3 + 0 + 1);
    EXPECT_EQ(changes.count(), 4);
}

// Without compiled-in resources the icons come from the picture directory:
// one for every record, at the picture's size; none without a directory.
TEST(EmoticonModel, IconsComeFromThePictureDirectory)
{
    EmoticonModel model;
    loadCatalogue(model);
    ASSERT_EQ(model.rowCount(), 36);
    EXPECT_TRUE(value(model, 0, Qt::DecorationRole).value<QIcon>().isNull());

    QSignalSpy changes(&model, &EmoticonModel::dataChanged);
    model.setPictureDirectory(dataFile(QStringLiteral("emoticons")));
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes[0][1].toModelIndex().row(), 35);
    for (int row = 0; row < model.rowCount(); ++row) {
        const QIcon icon = value(model, row, Qt::DecorationRole).value<QIcon>();
        const QString file = dataFile(QStringLiteral("emoticons/%1.png").arg(row + 1));
        ASSERT_FALSE(icon.isNull()) << row;
        EXPECT_TRUE(samePixels(icon.pixmap(QSize(24, 24)).toImage(), QImage(file))) << row;
    }
}
