// SPDX-License-Identifier: MIT
/// \file
/// \brief TesselQt::PictureResolver and TesselQt::PictureDocument: Tessel's
/// rich text shown with emoticon pictures from a directory, with no
/// compiled-in Qt resources.
#pragma once

#include <QImage>
#include <QSharedPointer>
#include <QString>
#include <QTextDocument>
#include <QUrl>
#include <QVariant>

#include "tessel/qt/export.h"

namespace TesselQt {

/// \brief Finds the pictures of emoticons that Tessel's rich text names as Qt
/// resources (`:/Res/FaceMgr/em/<id>.png`) in a directory of pictures, for a
/// program that does not have them compiled in.
///
/// Compiled-in resources win: the resolver stands in only for emoticon
/// names that no resource answers. It answers no other name, so local files
/// and other resources load as Qt loads them.
///
/// A resolver is a cheap handle: copies share one cache of the pictures
/// they loaded, each file read once. It may be used from any thread.
///
/// With Qt 6 it is also a resource provider: install it in one document
/// with `document->setResourceProvider(resolver)`, or in every document of
/// the program with `QTextDocument::setDefaultResourceProvider(resolver)`.
/// With Qt 5, show the rich text in a PictureDocument.
class TESSEL_QT_API PictureResolver {
public:
    /// \param pictureDirectory The directory of emoticon pictures, each
    ///        named as the file name of its resource (`<id>.png`).
    explicit PictureResolver(const QString& pictureDirectory = QString());

    /// \return The directory of emoticon pictures.
    QString pictureDirectory() const;

    /// \param name An image name as it stands in rich text (`:/...`) or as
    ///        Qt's document asks for it (`qrc:/...`).
    /// \return The file in pictureDirectory() that shows the emoticon \p name
    ///         names; "" when \p name is no emoticon resource, when the
    ///         resource is compiled in, or when the directory has no such file.
    QString fileFor(const QUrl& name) const;

    /// \param name An image name, as for fileFor().
    /// \return The picture of fileFor(), loaded once and then kept; a null
    ///         image when fileFor() is "" or the file is no readable image.
    QImage picture(const QUrl& name) const;

    /// The resource-provider form of picture(), for QTextDocument (Qt 6).
    /// \param name The address the document asks for.
    /// \return The picture as a QImage, or an invalid QVariant, which lets
    ///         the document go on as without the resolver.
    QVariant operator()(const QUrl& name) const;

private:
    struct Shared;
    QSharedPointer<Shared> d;
};

/// \brief A QTextDocument that shows Tessel's rich text with emoticon
/// pictures from a directory when they are not compiled in as Qt resources.
///
/// Everything else (local files, other resources, pictures added with
/// addResource()) loads as in any QTextDocument. Use it for a QTextBrowser or
/// QTextEdit with `browser->setDocument(new TesselQt::PictureDocument(dir, browser))`.
/// Like every QTextDocument, use it in one thread at a time.
class TESSEL_QT_API PictureDocument : public QTextDocument {
    Q_OBJECT

public:
    /// \param pictureDirectory The directory of emoticon pictures `<id>.png`.
    /// \param parent The QObject parent, which owns the document if not null.
    explicit PictureDocument(const QString& pictureDirectory, QObject* parent = nullptr);

    /// \param resolver The resolver to share (with its cache of pictures).
    /// \param parent The QObject parent, which owns the document if not null.
    explicit PictureDocument(const PictureResolver& resolver, QObject* parent = nullptr);

    /// \return The document's resolver.
    PictureResolver resolver() const;

protected:
    /// Loads an image the way QTextDocument does; an emoticon name that
    /// nothing else answers is loaded through the resolver.
    /// \param type A QTextDocument::ResourceType.
    /// \param name The resource's address.
    /// \return The resource's data, or an invalid QVariant.
    QVariant loadResource(int type, const QUrl& name) override;

private:
    PictureResolver pictures;
};

}  // namespace TesselQt
