// SPDX-License-Identifier: MIT
#include "fs/Path.h"

namespace Tessel {

const char UncMarker[] = "\\\\";

namespace {

bool isUncMarker(const std::string& element)
{
    return element == UncMarker;
}

bool isSeparator(char c)
{
    return c == '/' || c == '\\';
}

// Renders elements with the given separator; no separator follows a leading
// UNC marker.
std::string render(const std::vector<std::string>& elements, bool leadingSlash, char separator)
{
    std::string text;
    if (elements.empty())
        return text;
    std::size_t size = leadingSlash ? 1 : 0;
    for (const std::string& element : elements)
        size += element.size() + 1;
    text.reserve(size);
    if (leadingSlash)
        text += '/';
    text += elements.front();
    bool separate = !isUncMarker(elements.front());
    for (std::size_t i = 1; i < elements.size(); ++i) {
        if (separate)
            text += separator;
        text += elements[i];
        separate = true;
    }
    return text;
}

// The last element when it may be cut or replaced: not a UNC marker and not
// a drive (nothing with ':').
const std::string* plainLastElement(const std::vector<std::string>& elements)
{
    if (elements.empty())
        return nullptr;
    const std::string& last = elements.back();
    if (isUncMarker(last) || last.find(':') != std::string::npos)
        return nullptr;
    return &last;
}

}  // namespace

std::vector<std::string> tokenize(const std::string& text, const char* separators)
{
    std::vector<std::string> result;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find_first_of(separators, start);
        std::size_t length = (end == std::string::npos ? text.size() : end) - start;
        if (length != 0 && !(length == 1 && text[start] == '.'))
            result.emplace_back(text, start, length);
        if (end == std::string::npos || end + 1 == text.size())
            break;
        start = end + 1;
    }
    return result;
}

Path::Path() = default;

Path::Path(const char* text)
{
    set(text ? std::string(text) : std::string(), nativePathType);
}

Path::Path(const std::string& text)
{
    set(text, nativePathType);
}

Path::Path(const std::u16string& text)
{
    set(utf16ToUtf8(text), nativePathType);
}

Path::Path(const Path& other) = default;

Path& Path::operator=(const Path& other)
{
    // Rendering first keeps self-assignment safe.
    set(other.str(), nativePathType);
    return *this;
}

void Path::set(const std::string& text, PathType pathType)
{
    type = pathType;
    elements = tokenize(text, "/\\");
    if (pathType == windowsPath) {
        absolute = text.size() >= 2 && text[1] == ':';
        if (!absolute && text.size() > 2 && isSeparator(text[0]) && isSeparator(text[1])) {
            absolute = true;
            elements.insert(elements.begin(), UncMarker);
        }
    } else {
        absolute = !text.empty() && text[0] == '/';
    }
}

bool Path::empty() const
{
    return elements.empty();
}

std::string Path::str() const
{
    return type == windowsPath ? render(elements, false, '\\') : posixStr();
}

std::string Path::posixStr() const
{
    bool leadingSlash = absolute && !elements.empty() && !isUncMarker(elements.front());
    return render(elements, leadingSlash, '/');
}

std::u16string Path::wstr() const
{
    return utf8ToUtf16(str());
}

Path& Path::operator/=(const Path& other)
{
    if (!empty() && other.absolute)
        return *this;
    if (&other == this) {
        elements.reserve(elements.size() * 2);
        std::size_t count = elements.size();
        for (std::size_t i = 0; i < count; ++i)
            elements.push_back(elements[i]);
        return *this;
    }
    elements.insert(elements.end(), other.elements.begin(), other.elements.end());
    return *this;
}

Path& Path::operator/=(const char* text)
{
    return *this /= Path(text);
}

Path Path::filename() const
{
    Path result;
    if (const std::string* last = plainLastElement(elements))
        result.set(*last, nativePathType);
    return result;
}

Path Path::parentPath() const
{
    Path result;
    result.absolute = absolute;
    if (elements.empty()) {
        if (!absolute)
            result.elements.emplace_back("..");
    } else {
        result.elements.assign(elements.begin(), elements.end() - 1);
    }
    return result;
}

Path& Path::replaceExtension(const Path& extension)
{
    if (!plainLastElement(elements))
        return *this;
    std::string& last = elements.back();
    std::size_t dot = last.rfind('.');
    if (dot != std::string::npos)
        last.erase(dot);
    std::string suffix = extension.posixStr();
    if (suffix.empty())
        return *this;
    if (suffix[0] != '.')
        last += '.';
    last += suffix;
    return *this;
}

std::u16string utf8ToUtf16(const std::string& text)
{
    std::u16string result;
    result.reserve(text.size());
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    auto continuation = [&](std::size_t offset) {
        return static_cast<std::size_t>(end - p) > offset && (p[offset] & 0xC0) == 0x80;
    };
    while (p < end) {
        unsigned c = p[0];
        if (c < 0x80) {
            result += static_cast<char16_t>(c);
            p += 1;
        } else if ((c & 0xE0) == 0xC0 && continuation(1)) {
            result += static_cast<char16_t>(((c & 0x1F) << 6) | (p[1] & 0x3F));
            p += 2;
        } else if ((c & 0xF0) == 0xE0 && continuation(1) && continuation(2)) {
            result += static_cast<char16_t>(((c & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
            p += 3;
        } else {
            break;  // stray continuation, 4-byte lead or cut sequence
        }
    }
    return result;
}

std::string utf16ToUtf8(const std::u16string& text)
{
    std::size_t size = 0;
    for (char16_t unit : text)
        size += unit < 0x80 ? 1 : unit < 0x800 ? 2 : 3;
    std::string result;
    result.reserve(size);
    for (char16_t unit : text) {
        unsigned c = unit;
        if (c < 0x80) {
            result += static_cast<char>(c);
        } else if (c < 0x800) {
            result += static_cast<char>(0xC0 | (c >> 6));
            result += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            result += static_cast<char>(0xE0 | (c >> 12));
            result += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            result += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return result;
}

}  // namespace Tessel
