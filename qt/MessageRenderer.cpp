// SPDX-License-Identifier: MIT
#include "tessel/qt/MessageRenderer.h"

#include <exception>
#include <utility>

#include "LibraryCalls.h"
#include "RequestQueue.h"
#include "Utf8.h"

namespace TesselQt {

struct MessageRenderer::Private {
    // Destroyed before the QObject part: once the queue has stopped, no task
    // can post a result, and the results already posted are removed with the
    // object's pending events, undelivered.
    RequestQueue queue;
};

namespace {

// Runs work on the worker thread and hands its result to emitResult in the
// renderer's thread, or the exception's text to failed().
template <typename Work, typename Emit>
RequestQueue::Task request(MessageRenderer* renderer, Work work, Emit emitResult)
{
    return [renderer, work = std::move(work), emitResult = std::move(emitResult)](quint64 id) {
        QString reason;
        try {
            auto result = work();
            QMetaObject::invokeMethod(
                renderer,
                [renderer, emitResult, id, result = std::move(result)] { emitResult(renderer, id, result); },
                Qt::QueuedConnection);
            return;
        } catch (const std::exception& error) {
            reason = QString::fromUtf8(error.what());
        } catch (...) {
            reason = QStringLiteral("unknown exception");
        }
        QMetaObject::invokeMethod(
            renderer, [renderer, id, reason] { Q_EMIT renderer->failed(id, reason); }, Qt::QueuedConnection);
    };
}

}  // namespace

MessageRenderer::MessageRenderer(QObject* parent) : QObject(parent), d(new Private)
{
    qRegisterMetaType<TesselQt::MessageBody>();
}

MessageRenderer::~MessageRenderer()
{
    d->queue.stop();
}

quint64 MessageRenderer::initialize(const QString& catalogue, const QString& root)
{
    return d->queue.push(request(
        this,
        [catalogue = toUtf8(catalogue), root = toUtf8(root)] {
            LibraryCalls::initialize(catalogue, root);
            return true;
        },
        [](MessageRenderer* renderer, quint64 id, bool) { Q_EMIT renderer->initialized(id); }));
}

void MessageRenderer::setCachePath(const QString& directory)
{
    d->queue.pushSetting([directory = toUtf8(directory)] { LibraryCalls::setCachePath(directory); });
}

quint64 MessageRenderer::render(const QString& html, PictureMode mode)
{
    return render(html.toUtf8(), mode);
}

quint64 MessageRenderer::render(const QByteArray& html, PictureMode mode)
{
    return d->queue.push(request(
        this,
        [html = toUtf8(html), mode] { return LibraryCalls::render(html, mode == ResourcePicturesOnly); },
        [](MessageRenderer* renderer, quint64 id, const LibraryCalls::Rendering& result) {
            Q_EMIT renderer->rendered(id, result.richText, result.pictures);
        }));
}

quint64 MessageRenderer::toBody(const QString& html, const MessageHead& head)
{
    return toBody(html.toUtf8(), head);
}

quint64 MessageRenderer::toBody(const QByteArray& html, const MessageHead& head)
{
    return d->queue.push(request(
        this, [html = toUtf8(html), head] { return LibraryCalls::toBody(html, head); },
        [](MessageRenderer* renderer, quint64 id, const MessageBody& body) {
            Q_EMIT renderer->bodyReady(id, body);
        }));
}

quint64 MessageRenderer::fromBody(const QString& body, const StringPairs& images)
{
    return fromBody(body.toUtf8(), images);
}

quint64 MessageRenderer::fromBody(const QByteArray& body, const StringPairs& images)
{
    return d->queue.push(request(
        this, [body = toUtf8(body), images = toUtf8(images)] { return LibraryCalls::fromBody(body, images); },
        [](MessageRenderer* renderer, quint64 id, const QString& html) {
            Q_EMIT renderer->htmlReady(id, html);
        }));
}

quint64 MessageRenderer::toParagraph(const QString& body)
{
    return toParagraph(body.toUtf8());
}

quint64 MessageRenderer::toParagraph(const QByteArray& body)
{
    return d->queue.push(request(
        this, [body = toUtf8(body)] { return LibraryCalls::toParagraph(body); },
        [](MessageRenderer* renderer, quint64 id, const QString& paragraph) {
            Q_EMIT renderer->paragraphReady(id, paragraph);
        }));
}

QList<quint64> MessageRenderer::cancelPending()
{
    return d->queue.cancel();
}

}  // namespace TesselQt
