// SPDX-License-Identifier: MIT
// Tessel's entry points as the companion calls them: each holds the
// process-wide lock of the companion's calls, converts between UTF-8 bytes
// and Qt's types, and throws std::runtime_error when the library refuses the
// call. Tessel's own exceptions pass through.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

#include "tessel/qt/MessageRenderer.h"
#include "tessel/tessel.h"

namespace TesselQt {
namespace LibraryCalls {

struct Rendering {
    QString richText;
    QStringList pictures;
};

void initialize(const std::string& catalogue, const std::string& root);
void setCachePath(const std::string& directory);
Rendering render(const std::string& html, bool resourcePicturesOnly);
MessageBody toBody(const std::string& html, const MessageHead& head);
QString fromBody(const std::string& body, const Tessel::StringPairList& images);
QString toParagraph(const std::string& body);

}  // namespace LibraryCalls
}  // namespace TesselQt
