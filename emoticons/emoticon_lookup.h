// SPDX-License-Identifier: MIT
// Look-ups in a catalogue that the parsers make without building strings.
#pragma once

#include <string>
#include <string_view>

#include "tessel/EmoticonCache.h"

namespace Tessel {

// An emoticon's picture is the resource named by these around its id.
constexpr std::string_view EmoticonPathPrefix = ":/Res/FaceMgr/em/";
constexpr std::string_view EmoticonPathSuffix = ".png";

// The record named name in the cache's index, or null.
const EMOSTRUCT* findEmoticon(const EmoticonCache& cache, std::string_view name);

// Appends to out the image tag that getPathFromName returns for the record's
// name, without building it apart first.
void appendEmoticonTag(std::string& out, const EMOSTRUCT& record);

}  // namespace Tessel
