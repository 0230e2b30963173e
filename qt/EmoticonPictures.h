// SPDX-License-Identifier: MIT
// Where the picture of an emoticon comes from. Tessel's rich text names it
// as a Qt resource, ":/Res/FaceMgr/em/<id>.png"; a program that has the
// resource compiled in shows that, any other takes the file of the same name
// from a directory of emoticon pictures.
#pragma once

#include <QString>

namespace TesselQt {

// The file name that an emoticon resource source names (written ":/..." or
// "qrc:/..."), or "" for any other source.
QString emoticonFileName(const QString& source);

// The file that shows an emoticon's picture: the compiled-in resource when
// there is one, else directory/fileName when that file exists, else "".
QString emoticonPictureFile(const QString& fileName, const QString& directory);

}  // namespace TesselQt
