// SPDX-License-Identifier: MIT
#include "EmoticonPictures.h"

#include <QDir>
#include <QFileInfo>

namespace TesselQt {

namespace {

const QString ResourcePrefix = QStringLiteral(":/Res/FaceMgr/em/");

}  // namespace

QString emoticonFileName(const QString& source)
{
    // Qt's image handler asks for ":/" sources as "qrc:/" addresses.
    const int start = source.startsWith(QLatin1String("qrc:/")) ? 3 : 0;
    if (!QStringView(source).mid(start).startsWith(ResourcePrefix))
        return QString();
    const QString name = source.mid(start + ResourcePrefix.size());
    return name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ? QString() : name;
}

QString emoticonPictureFile(const QString& fileName, const QString& directory)
{
    if (fileName.isEmpty())
        return QString();
    const QString resource = ResourcePrefix + fileName;
    if (QFileInfo(resource).isFile())
        return resource;
    if (directory.isEmpty())
        return QString();
    const QString file = QDir(directory).filePath(fileName);
    return QFileInfo(file).isFile() ? file : QString();
}

}  // namespace TesselQt
