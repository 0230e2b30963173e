// SPDX-License-Identifier: MIT
// Writing produced markup: pieces put together at once, and names and paths
// written into attribute values so that they stay inside them.
#pragma once

#include <cstring>
#include <string>
#include <string_view>

namespace Tessel {

namespace markup_detail {

// Copies a piece to at and returns the position after it.
inline char* copyPiece(char* at, std::string_view piece)
{
    if (!piece.empty())
        std::memcpy(at, piece.data(), piece.size());
    return at + piece.size();
}

}  // namespace markup_detail

// Appends the pieces (strings, views, literals) to out. Every append to a
// std::string is a call into the C++ library, so short results are put
// together on the stack and appended at once. Each piece is copied by a
// copy of its own, so that a literal's length is known where it is copied
// and the copy needs no call.
template <class... Pieces>
inline void appendPieces(std::string& out, const Pieces&... pieces)
{
    const std::size_t length = (std::string_view(pieces).size() + ...);
    char buffer[256];
    if (length > sizeof buffer) {
        out.reserve(out.size() + length);
        (out.append(std::string_view(pieces)), ...);
        return;
    }
    char* at = buffer;
    ((at = markup_detail::copyPiece(at, pieces)), ...);
    out.append(buffer, length);
}

// Appends "<img src=\"" path "\"/>" to out, with the path written so that
// Qt, which decodes character references and then reads the value as a
// URL, finds exactly that path. In a file path '%', '#' and '?' are
// percent-encoded and '&', '<', '>' and '"' written as character
// references. A resource (":/...") is the value the sender wrote, which Qt
// reads as it reads the message's own; only its '"' is escaped, so that
// nothing can leave the attribute.
void appendImageTag(std::string& out, std::string_view path);

// The bytes of an image tag before and after its path.
constexpr std::size_t ImageTagOpen = sizeof "<img src=\"" - 1;
constexpr std::size_t ImageTagClose = sizeof "\"/>" - 1;

// appendImageTag for a path written at buffer + ImageTagOpen, with
// ImageTagClose bytes of room after it: a path that needs no escaping gets
// the tag written around it, and the whole is appended at once.
void appendImageTagAround(std::string& out, char* buffer, std::size_t pathLength);

// Appends text to out with every '"' written as "&quot;": a name or path
// inside a double-quoted attribute value.
void appendQuotedValue(std::string& out, std::string_view text);

}  // namespace Tessel
