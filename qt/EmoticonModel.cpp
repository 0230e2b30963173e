// SPDX-License-Identifier: MIT
#include "tessel/qt/EmoticonModel.h"

#include <QIcon>
#include <QVector>

#include "EmoticonPictures.h"
#include "Utf8.h"
#include "tessel/tessel.h"

namespace TesselQt {

namespace {

struct Record {
    QString name;
    QString id;
    QString resourcePath;
    EmoticonModel::Group group;
    int index;  // overall index in the catalogue
};

}  // namespace

struct EmoticonModel::Private {
    QString pictureDirectory;
    Groups groups = Classic | Other;
    QVector<Record> records;       // the whole catalogue, in overall order
    QVector<int> rows;             // the records shown, as indexes into records
    mutable QVector<QIcon> icons;  // per record, loaded on first use
    mutable QVector<bool> iconLoaded;

    void read()
    {
        records.clear();
        const int classicCount = Tessel::getClassicCount();
        for (int i = 0;; ++i) {
            const EMOSTRUCT* record = Tessel::EChStructFromIndex(i);
            if (!record)
                break;
            records.append({fromUtf8(record->name), fromUtf8(record->id),
                            fromUtf8(Tessel::EChPathFromId(record->id)), i < classicCount ? Classic : Other,
                            i});
        }
        forgetIcons();
        selectRows();
    }

    void selectRows()
    {
        rows.clear();
        for (int i = 0; i < records.size(); ++i)
            if (groups.testFlag(records[i].group))
                rows.append(i);
    }

    void forgetIcons()
    {
        icons = QVector<QIcon>(records.size());
        iconLoaded = QVector<bool>(records.size(), false);
    }

    const QIcon& icon(int record) const
    {
        if (!iconLoaded[record]) {
            const QString file =
                emoticonPictureFile(emoticonFileName(records[record].resourcePath), pictureDirectory);
            if (!file.isEmpty())
                icons[record] = QIcon(file);
            iconLoaded[record] = true;
        }
        return icons[record];
    }
};

EmoticonModel::EmoticonModel(QObject* parent) : EmoticonModel(QString(), parent) {}

EmoticonModel::EmoticonModel(const QString& pictureDirectory, QObject* parent)
    : QAbstractListModel(parent), d(new Private)
{
    d->pictureDirectory = pictureDirectory;
    d->read();
}

EmoticonModel::~EmoticonModel() = default;

int EmoticonModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : d->rows.size();
}

QVariant EmoticonModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return QVariant();
    const int recordIndex = d->rows[index.row()];
    const Record& record = d->records[recordIndex];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
    case NameRole:
        return record.name;
    case Qt::DecorationRole:
        return d->icon(recordIndex);
    case IdRole:
        return record.id;
    case GroupRole:
        return static_cast<int>(record.group);
    case ResourcePathRole:
        return record.resourcePath;
    case CatalogueIndexRole:
        return record.index;
    default:
        return QVariant();
    }
}

QHash<int, QByteArray> EmoticonModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(NameRole, "name");
    names.insert(IdRole, "emoticonId");
    names.insert(GroupRole, "group");
    names.insert(ResourcePathRole, "resourcePath");
    names.insert(CatalogueIndexRole, "catalogueIndex");
    return names;
}

QString EmoticonModel::pictureDirectory() const
{
    return d->pictureDirectory;
}

void EmoticonModel::setPictureDirectory(const QString& directory)
{
    if (directory == d->pictureDirectory)
        return;
    d->pictureDirectory = directory;
    d->forgetIcons();
    if (!d->rows.isEmpty())
        Q_EMIT dataChanged(index(0), index(d->rows.size() - 1), {Qt::DecorationRole});
    Q_EMIT pictureDirectoryChanged();
}

EmoticonModel::Groups EmoticonModel::groups() const
{
    return d->groups;
}

void EmoticonModel::setGroups(Groups groups)
{
    if (groups == d->groups)
        return;
    beginResetModel();
    d->groups = groups;
    d->selectRows();
    endResetModel();
    Q_EMIT groupsChanged();
}

void EmoticonModel::reload()
{
    beginResetModel();
    d->read();
    endResetModel();
}

}  // namespace TesselQt
