// SPDX-License-Identifier: MIT
// A path held as a list of elements: parsed, joined, cut and re-suffixed
// without touching the file system.
#pragma once

#include <string>
#include <vector>

namespace Tessel {

enum PathType { windowsPath = 0, posixPath = 1 };

// The syntax of paths built from text: windowsPath on Windows, posixPath
// elsewhere. Defined by the system's file of fs/.
extern const PathType nativePathType;

class Path {
public:
    int type = nativePathType;
    std::vector<std::string> elements;
    bool absolute = false;

    Path();
    Path(const char* text);
    Path(const std::string& text);
    Path(const std::u16string& text);
    Path(const Path& other);
    Path& operator=(const Path& other);

    void set(const std::string& text, PathType pathType);
    bool empty() const;
    std::string str() const;
    std::string posixStr() const;
    std::u16string wstr() const;

    Path& operator/=(const Path& other);
    Path& operator/=(const char* text);

    Path filename() const;
    Path parentPath() const;
    Path& replaceExtension(const Path& extension);
};

// The element that marks a UNC path: exactly two back-slashes.
extern const char UncMarker[];

// Splits text at every byte of separators; empty and "." pieces are dropped.
std::vector<std::string> tokenize(const std::string& text, const char* separators);

std::u16string utf8ToUtf16(const std::string& text);
std::string utf16ToUtf8(const std::u16string& text);

}  // namespace Tessel
