// SPDX-License-Identifier: MIT
/// \file
/// \brief TesselQt::EmoticonModel: Tessel's emoticon catalogue as a Qt list
/// model, for emoticon pickers.
#pragma once

#include <QAbstractListModel>
#include <QString>
#include <memory>

#include "tessel/qt/export.h"

namespace TesselQt {

/// \brief Tessel's emoticon catalogue as a list model: one row per record,
/// in the library's overall order (the classic group first, then the other
/// group), optionally limited to one group.
///
/// The model reads the catalogue when it is made and on reload(); it keeps
/// its own copy of the records, so it never points into the library. Tessel
/// loads the catalogue once, in Tessel::Init: connect
/// MessageRenderer::initialized() to reload() so that a model made before
/// then fills when the catalogue arrives. Reading the catalogue is safe while
/// a MessageRenderer works.
///
/// Icons (Qt::DecorationRole) show the emoticon's picture: the Qt resource
/// that Tessel's rich text names (`:/Res/FaceMgr/em/<id>.png`) when the
/// program has it compiled in, else the file of the same name in
/// pictureDirectory(). Each icon is loaded when first asked for and kept.
///
/// Use the model in the thread it lives in, with a QGuiApplication present
/// (icons are QtGui objects).
///
/// \code
/// auto* emoticons = new TesselQt::EmoticonModel(QStringLiteral("/usr/share/mychat/emoticons"), picker);
/// connect(renderer, &TesselQt::MessageRenderer::initialized, emoticons, &TesselQt::EmoticonModel::reload);
/// picker->setModel(emoticons);  // a QListView in icon mode
/// \endcode
class TESSEL_QT_API EmoticonModel : public QAbstractListModel {
    Q_OBJECT
    /// The directory of emoticon pictures named `<id>.png`.
    Q_PROPERTY(QString pictureDirectory READ pictureDirectory WRITE setPictureDirectory NOTIFY
                   pictureDirectoryChanged)
    /// The groups whose records are rows.
    Q_PROPERTY(Groups groups READ groups WRITE setGroups NOTIFY groupsChanged)

public:
    /// The catalogue's two groups of emoticons.
    enum Group {
        Classic = 0x1,  ///< The classic group: overall indexes 0 to the classic count - 1.
        Other = 0x2     ///< The other group, after the classic one.
    };
    Q_ENUM(Group)
    /// A set of groups.
    Q_DECLARE_FLAGS(Groups, Group)
    Q_FLAG(Groups)

    /// The model's roles besides Qt::DisplayRole (the name, as NameRole),
    /// Qt::ToolTipRole (the name) and Qt::DecorationRole (the icon, a QIcon).
    enum Role {
        NameRole = Qt::UserRole + 1,  ///< QString: how the emoticon is written in message text.
        IdRole,                       ///< QString: the emoticon's id, which names its picture.
        GroupRole,                    ///< int: the Group the record belongs to.
        ResourcePathRole,   ///< QString: the Qt resource path of its picture, `:/Res/FaceMgr/em/<id>.png`.
        CatalogueIndexRole  ///< int: the record's overall index in the catalogue.
    };
    Q_ENUM(Role)

    /// Makes a model of both groups, with icons from compiled-in resources
    /// only, and reads the catalogue.
    /// \param parent The QObject parent, which owns the model if not null.
    explicit EmoticonModel(QObject* parent = nullptr);

    /// Makes a model of both groups and reads the catalogue.
    /// \param pictureDirectory The directory of emoticon pictures `<id>.png`
    ///        used for those not compiled in as Qt resources.
    /// \param parent The QObject parent, which owns the model if not null.
    explicit EmoticonModel(const QString& pictureDirectory, QObject* parent = nullptr);

    ~EmoticonModel() override;

    /// \param parent The parent index: rows exist only under the invalid index.
    /// \return The number of records of the shown groups; 0 under a valid parent.
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;

    /// \param index A row of this model.
    /// \param role Qt::DisplayRole, Qt::ToolTipRole, Qt::DecorationRole or a Role.
    /// \return The record's value for the role; an invalid QVariant for
    ///         another role or an invalid index. An icon is null when the
    ///         picture exists neither as a resource nor in pictureDirectory().
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    /// \return The names of the roles for QML: "name", "emoticonId", "group",
    ///         "resourcePath", "catalogueIndex", and Qt's "display",
    ///         "toolTip" and "decoration".
    QHash<int, QByteArray> roleNames() const override;

    /// \return The directory of emoticon pictures ("" when none).
    QString pictureDirectory() const;

    /// Changes the directory of emoticon pictures; the icons are loaded
    /// anew, and dataChanged() is emitted for Qt::DecorationRole.
    /// \param directory The directory, "" for compiled-in resources only.
    void setPictureDirectory(const QString& directory);

    /// \return The groups whose records are rows (both by default).
    Groups groups() const;

    /// Shows only the records of the given groups; resets the model.
    /// \param groups The groups to show.
    void setGroups(Groups groups);

public Q_SLOTS:
    /// Reads the catalogue again and resets the model: the rows are empty
    /// until Tessel::Init has loaded a catalogue.
    void reload();

Q_SIGNALS:
    /// pictureDirectory() changed.
    void pictureDirectoryChanged();
    /// groups() changed.
    void groupsChanged();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

}  // namespace TesselQt

Q_DECLARE_OPERATORS_FOR_FLAGS(TesselQt::EmoticonModel::Groups)
