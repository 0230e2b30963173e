// SPDX-License-Identifier: MIT
/// \file
/// \brief TesselQt::MessageRenderer: Tessel's conversions run off the GUI
/// thread, one at a time, with their results delivered as Qt signals.
#pragma once

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <memory>

#include "tessel/qt/export.h"

/// The Qt companion of Tessel: a renderer that keeps Tessel's blocking calls
/// off the GUI thread, the emoticon catalogue as an item model, and a picture
/// resolver that shows emoticons without compiled-in resources.
namespace TesselQt {

/// An ordered list of string pairs: the emoticon list (name, label) and the
/// image list (image key, local path) of a message body.
using StringPairs = QList<QPair<QString, QString>>;

/// The three strings of a message body's title div.
struct MessageHead {
    QString title;   ///< The conversation's title.
    QString sender;  ///< Who sent the message.
    QString date;    ///< When it was sent, as the client writes dates.
};

/// A message as a compact body, with the lists of what its reference tags
/// stand for.
struct MessageBody {
    /// The body: a title div, then the message with every emoticon and
    /// picture as a reference tag (`<img id="smile"/>`, `<img id="<key>"/>`).
    QString body;
    /// (name, label) of every emoticon the body refers to, label "[name]".
    StringPairs emoticons;
    /// (image key, local path) of every picture the body refers to; hand it
    /// to MessageRenderer::fromBody() to rebuild the message.
    StringPairs images;
};

/// \brief Runs Tessel's conversions on a worker thread of its own and
/// delivers their results as signals.
///
/// Tessel's conversions block while they download the `http://` pictures of
/// a message, and most of its entry points must not overlap. A renderer owns
/// one worker thread: each request (render(), toBody(), fromBody(),
/// toParagraph(), initialize()) is queued at once and returns a request id;
/// the worker runs the requests one after the other, and the result comes
/// back as a signal carrying that id, emitted in the thread the renderer
/// lives in. Results arrive in the order of the requests, whatever each one
/// takes.
///
/// Every Tessel call that the companion makes, from any renderer of the
/// process, holds one process-wide lock, so calls never overlap; the
/// requests of two renderers wait for each other. A program that uses a
/// renderer must not call Tessel's conversions or Tessel::Init directly while
/// a renderer may be working: hand them to the renderer instead. Tessel's
/// catalogue readers (EmoticonModel uses them) and Tessel::SetDownloadLimits
/// are safe at any time.
///
/// Text crosses as QString, or as QByteArray / `const char*` holding UTF-8;
/// Tessel itself works on UTF-8 bytes.
///
/// The request functions, setCachePath() and cancelPending() may be called
/// from any thread. Destroy the renderer in the thread it lives in.
///
/// \code
/// auto* renderer = new TesselQt::MessageRenderer(window);
/// renderer->initialize("/usr/share/mychat/emo.dat");
/// renderer->setCachePath(cacheDirectory);
/// connect(renderer, &TesselQt::MessageRenderer::rendered, browser,
///         [browser](quint64, const QString& richText) { browser->setHtml(richText); });
/// renderer->render(messageHtml);
/// \endcode
class TESSEL_QT_API MessageRenderer : public QObject {
    Q_OBJECT

public:
    /// Which pictures render() resolves.
    enum PictureMode {
        AllPictures,          ///< Resources, local files and downloaded `http://` pictures.
        ResourcePicturesOnly  ///< Only `:/` resources; every other picture is left out, nothing is downloaded.
    };
    Q_ENUM(PictureMode)

    /// Starts the worker thread. The renderer lives in the calling thread.
    /// \param parent The QObject parent, which owns the renderer if not null.
    explicit MessageRenderer(QObject* parent = nullptr);

    /// Drops the requests that have not started, waits for the one in
    /// progress and stops the worker thread. No signal of the renderer is
    /// emitted once the destructor has begun, not even for the request that
    /// was in progress.
    ///
    /// The wait is bounded by Tessel's own limits on a call: its timeout for
    /// each network step and its download limits (Tessel::SetDownloadLimits).
    /// Call it in the thread the renderer lives in.
    ~MessageRenderer() override;

    MessageRenderer(const MessageRenderer&) = delete;
    MessageRenderer& operator=(const MessageRenderer&) = delete;

    /// \brief Queues Tessel::Init: creates the library's parsers and loads the
    /// emoticon catalogue.
    ///
    /// Emits initialized() when done, or failed() with the catalogue's error
    /// when it cannot be loaded (then call it again to retry). A catalogue,
    /// once loaded, stays for the life of the process: a later call with
    /// another file keeps it. Connect initialized() to EmoticonModel::reload()
    /// to show the catalogue.
    /// \param catalogue The catalogue file "emo.dat"; when empty or unreadable
    ///        as a file, `Resource/emo.dat` beside the executable.
    /// \param root The resource root the library keeps for the client.
    /// \return The request's id.
    quint64 initialize(const QString& catalogue, const QString& root = QString());

    /// Queues a change of the directory into which `http://` pictures are
    /// downloaded (created on the first download). It applies to the
    /// requests queued after it; it is no request: it has no id, emits
    /// nothing and cancelPending() keeps it. A path of 260 UTF-8 bytes or
    /// more is refused by the library, which keeps the previous directory.
    /// \param directory The cache directory.
    void setCachePath(const QString& directory);

    /// \brief Queues the conversion of a message into Qt rich text
    /// (Tessel::ParseHtml).
    ///
    /// Every picture of the result points at something Qt shows at once: a
    /// `:/` resource, a local file, or an `http://` picture downloaded into
    /// the cache directory while the request runs. Pictures that cannot be
    /// resolved are left out. Emits rendered(), or failed().
    /// A message without markup comes back as its plain text.
    /// \param html The message's HTML.
    /// \param mode Which pictures to resolve.
    /// \return The request's id.
    quint64 render(const QString& html, PictureMode mode = AllPictures);
    /// \overload
    /// \param html The message's HTML in UTF-8.
    /// \param mode Which pictures to resolve.
    /// \return The request's id.
    quint64 render(const QByteArray& html, PictureMode mode = AllPictures);
    /// \overload
    /// \param html The message's HTML in UTF-8, NUL-terminated.
    /// \param mode Which pictures to resolve.
    /// \return The request's id.
    quint64 render(const char* html, PictureMode mode = AllPictures)
    {
        return render(QByteArray(html), mode);
    }

    /// \brief Queues the conversion of a message into a compact body with its
    /// emoticon and image lists (Tessel::SetCustomHead, then
    /// Tessel::ParseHtml_Orb).
    ///
    /// `http://` pictures are downloaded as by render(). Emits bodyReady(),
    /// or failed().
    /// \param html The message's HTML.
    /// \param head The strings of the body's title div.
    /// \return The request's id.
    quint64 toBody(const QString& html, const MessageHead& head = MessageHead());
    /// \overload
    /// \param html The message's HTML in UTF-8.
    /// \param head The strings of the body's title div.
    /// \return The request's id.
    quint64 toBody(const QByteArray& html, const MessageHead& head = MessageHead());
    /// \overload
    /// \param html The message's HTML in UTF-8, NUL-terminated.
    /// \param head The strings of the body's title div.
    /// \return The request's id.
    quint64 toBody(const char* html, const MessageHead& head = MessageHead())
    {
        return toBody(QByteArray(html), head);
    }

    /// \brief Queues the rebuilding of HTML from a body (Tessel::HtmlFromBody).
    ///
    /// Emoticon references are resolved through the catalogue, picture
    /// references through \p images. Emits htmlReady(), or failed().
    /// \param body A body, as MessageBody::body.
    /// \param images (image key, local path) pairs, as MessageBody::images.
    /// \return The request's id.
    quint64 fromBody(const QString& body, const StringPairs& images);
    /// \overload
    /// \param body A body in UTF-8.
    /// \param images (image key, local path) pairs.
    /// \return The request's id.
    quint64 fromBody(const QByteArray& body, const StringPairs& images);
    /// \overload
    /// \param body A body in UTF-8, NUL-terminated.
    /// \param images (image key, local path) pairs.
    /// \return The request's id.
    quint64 fromBody(const char* body, const StringPairs& images)
    {
        return fromBody(QByteArray(body), images);
    }

    /// \brief Queues the conversion of a body into one Qt paragraph of its
    /// text with emoticons as images (Tessel::EChTextFromBody).
    ///
    /// Emits paragraphReady(), or failed().
    /// \param body A body, as MessageBody::body.
    /// \return The request's id.
    quint64 toParagraph(const QString& body);
    /// \overload
    /// \param body A body in UTF-8.
    /// \return The request's id.
    quint64 toParagraph(const QByteArray& body);
    /// \overload
    /// \param body A body in UTF-8, NUL-terminated.
    /// \return The request's id.
    quint64 toParagraph(const char* body) { return toParagraph(QByteArray(body)); }

    /// Drops the requests that have not started; they emit nothing. The
    /// request in progress, and results already on their way, still arrive.
    /// Queued setCachePath() changes are kept.
    /// \return The ids of the dropped requests, in request order.
    QList<quint64> cancelPending();

Q_SIGNALS:
    /// Tessel is initialised and its catalogue loaded.
    /// \param id The id initialize() returned.
    void initialized(quint64 id);

    /// A render() request is done.
    /// \param id The id render() returned.
    /// \param richText The message as Qt rich text (plain text for a message
    ///        without markup).
    /// \param pictures The path of every picture the library announced while
    ///        converting: `:/` resources, local files, downloaded files.
    void rendered(quint64 id, const QString& richText, const QStringList& pictures);

    /// A toBody() request is done.
    /// \param id The id toBody() returned.
    /// \param body The body and its lists.
    void bodyReady(quint64 id, const TesselQt::MessageBody& body);

    /// A fromBody() request is done.
    /// \param id The id fromBody() returned.
    /// \param html The rebuilt HTML.
    void htmlReady(quint64 id, const QString& html);

    /// A toParagraph() request is done.
    /// \param id The id toParagraph() returned.
    /// \param paragraph The Qt paragraph (empty before initialisation).
    void paragraphReady(quint64 id, const QString& paragraph);

    /// A request ended without a result: Tessel threw (for initialize(): the
    /// catalogue could not be loaded), or refused the call (before
    /// initialisation, or because another call into it was in progress).
    /// \param id The request's id.
    /// \param reason What went wrong, for people.
    void failed(quint64 id, const QString& reason);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

}  // namespace TesselQt

Q_DECLARE_METATYPE(TesselQt::MessageBody)
