// SPDX-License-Identifier: MIT
// UTF-8 bytes at the boundary between Qt's strings and Tessel's.
#pragma once

#include <QByteArray>
#include <QString>
#include <string>

#include "tessel/qt/MessageRenderer.h"
#include "tessel/tessel.h"

namespace TesselQt {

inline QString fromUtf8(const std::string& bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<int>(bytes.size()));
}

inline std::string toUtf8(const QByteArray& bytes)
{
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

inline std::string toUtf8(const QString& text)
{
    return toUtf8(text.toUtf8());
}

inline StringPairs fromUtf8(const Tessel::StringPairList& pairs)
{
    StringPairs converted;
    converted.reserve(static_cast<int>(pairs.size()));
    for (const auto& [first, second] : pairs)
        converted.append({fromUtf8(first), fromUtf8(second)});
    return converted;
}

inline Tessel::StringPairList toUtf8(const StringPairs& pairs)
{
    Tessel::StringPairList converted;
    converted.reserve(static_cast<std::size_t>(pairs.size()));
    for (const auto& pair : pairs)
        converted.emplace_back(toUtf8(pair.first), toUtf8(pair.second));
    return converted;
}

}  // namespace TesselQt
