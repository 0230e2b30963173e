// What every rendering check shares: the library initialised with the sample
// catalogue, a cache directory for downloads, a web server that answers with
// pictures, and local pictures to put into messages.
#pragma once

#include <QMap>
#include <QString>
#include <memory>
#include <string>

#include "qt_messages.h"
#include "support/http_server.h"
#include "support/temp_dir.h"

namespace qtcheck {

class CheckSetup {
public:
    // Built on first use, after the QGuiApplication exists.
    static CheckSetup& get();

    // The server's origin, "http://127.0.60.N": one address per test, so that
    // tests of this program can run side by side.
    const QString& origin() const { return serverOrigin; }

    const std::string& cacheDir() const { return cache; }
    const MessageAssets& assets() const { return messageAssets; }
    // pixelsKey() of the picture the server sends for address; "" when the
    // server answers it with an error.
    QString remoteKey(const QString& address) const { return remote.value(address); }
    // The head strings given to the body parser, and the text Qt shows for them.
    static const char* const HeadTitle;
    static const char* const HeadSender;
    static const char* const HeadDate;

private:
    CheckSetup();
    void serve(const QString& path, const QByteArray& bytes);

    testsupport::TempDir dir;
    std::string cache;
    QString serverOrigin;
    TestSupport::HttpServer server;
    QMap<QString, QString> remote;
    MessageAssets messageAssets;
};

}  // namespace qtcheck
