// SPDX-License-Identifier: MIT
/// @file
/// The types that cross Tessel's interface besides strings: the result
/// callback and the lists of string pairs.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace Tessel {

/// Receives the results of Tessel::ParseHtml and Tessel::ParseHtml2.
///
/// @param code   1: the finished text of a Tessel::ParseHtml call, given
///               once, at its end. 2: the path of a local picture that the
///               message shows: a Qt resource path (":/..."), an existing
///               file, or a picture just downloaded into the cache directory;
///               given once per distinct picture of a call, before the text,
///               as raw bytes (not escaped for markup).
/// @param data   @p length bytes followed by a NUL byte. They belong to the
///               library and are valid only during the call: copy what you
///               keep.
/// @param length the number of bytes at @p data, without the NUL.
/// @param user   the value the caller passed to the call that made this one,
///               unchanged (a pointer fits).
///
/// The callback runs on the thread that called Tessel::ParseHtml or
/// Tessel::ParseHtml2, inside that call. It must not throw. It may call
/// Tessel::ParseHtml and the catalogue readers; the other entry points refuse
/// a call from inside a callback (they return false and do nothing).
///
/// Example: `void onResult(int code, const char* data, int length, std::int64_t user);`
typedef void (*ParseCallback)(int code, const char* data, int length, std::int64_t user);

/// An ordered list of pairs of byte strings: the emoticon list (name, label)
/// of Tessel::GetEChVector, and the image list (image key, local path) of
/// Tessel::GetImageVector and Tessel::HtmlFromBody.
typedef std::vector<std::pair<std::string, std::string>> StringPairList;

}  // namespace Tessel
