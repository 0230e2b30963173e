// SPDX-License-Identifier: MIT
#include "tessel/qt/PictureResolver.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

#include "EmoticonPictures.h"

namespace TesselQt {

namespace {

// The source an image name was made from. A ":/" source makes an invalid
// address, whose text is its path.
QString sourceOf(const QUrl& name)
{
    return name.scheme().isEmpty() ? name.path() : name.toString();
}

}  // namespace

struct PictureResolver::Shared {
    QString directory;
    QMutex mutex;
    QHash<QString, QImage> pictures;  // by file name; null for names the resolver leaves to Qt
};

PictureResolver::PictureResolver(const QString& pictureDirectory) : d(new Shared)
{
    d->directory = pictureDirectory;
}

QString PictureResolver::pictureDirectory() const
{
    return d->directory;
}

QString PictureResolver::fileFor(const QUrl& name) const
{
    const QString file = emoticonPictureFile(emoticonFileName(sourceOf(name)), d->directory);
    return file.startsWith(QLatin1Char(':')) ? QString() : file;  // a compiled-in resource shows itself
}

QImage PictureResolver::picture(const QUrl& name) const
{
    const QString fileName = emoticonFileName(sourceOf(name));
    if (fileName.isEmpty())
        return QImage();
    QMutexLocker lock(&d->mutex);
    auto known = d->pictures.constFind(fileName);
    if (known != d->pictures.constEnd())
        return *known;
    const QString file = fileFor(name);
    QImage image = file.isEmpty() ? QImage() : QImage(file);
    d->pictures.insert(fileName, image);
    return image;
}

QVariant PictureResolver::operator()(const QUrl& name) const
{
    const QImage image = picture(name);
    return image.isNull() ? QVariant() : QVariant(image);
}

PictureDocument::PictureDocument(const QString& pictureDirectory, QObject* parent)
    : PictureDocument(PictureResolver(pictureDirectory), parent)
{
}

PictureDocument::PictureDocument(const PictureResolver& resolver, QObject* parent)
    : QTextDocument(parent), pictures(resolver)
{
}

PictureResolver PictureDocument::resolver() const
{
    return pictures;
}

QVariant PictureDocument::loadResource(int type, const QUrl& name)
{
    if (type == ImageResource) {
        const QImage image = pictures.picture(name);
        if (!image.isNull())
            return image;
    }
    return QTextDocument::loadResource(type, name);
}

}  // namespace TesselQt
