// SPDX-License-Identifier: MIT
// Path parsing, rendering, joining and re-suffixing over arbitrary text, and
// the UTF-8 / UTF-16 conversions.
#include <cstdint>
#include <cstring>
#include <string>

#include "fixture.h"
#include "fs/Path.h"

using Tessel::Path;

namespace {

using fuzzing::require;

bool isUnc(const std::string& element)
{
    return element == Tessel::UncMarker;
}

// What every path must satisfy: no empty or "." element, and no separator
// in an element other than the UNC marker. Joining may carry a UNC marker
// past the front; parsing puts it only there.
void checkElements(const Path& p, bool parsed)
{
    for (std::size_t i = 0; i < p.elements.size(); ++i) {
        const std::string& e = p.elements[i];
        require(!e.empty() && e != ".");
        if (isUnc(e))
            require(!parsed || i == 0);
        else
            require(e.find_first_of("/\\") == std::string::npos);
    }
}

// Rendering and parsing again gives the same elements (a lone UNC marker
// renders as two back-slashes, which parse as nothing).
void checkRoundTrip(const Path& p)
{
    Path again;
    again.set(p.str(), static_cast<Tessel::PathType>(p.type));
    if (!(p.elements.size() == 1 && isUnc(p.elements[0])))
        require(again.elements == p.elements);
    if (p.type == Tessel::posixPath && !p.empty())
        require(again.absolute == p.absolute);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Two texts separated by the first NUL byte: a path and what is joined
    // to it or put in as its extension.
    const char* bytes = reinterpret_cast<const char*>(data);
    const void* nul = std::memchr(bytes, 0, size);
    const std::size_t firstSize = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - bytes) : size;
    const std::string first(bytes, firstSize);
    const std::string second = nul ? std::string(bytes + firstSize + 1, size - firstSize - 1) : std::string();

    for (Tessel::PathType type : {Tessel::windowsPath, Tessel::posixPath}) {
        Path p;
        p.set(first, type);
        checkElements(p, true);
        checkRoundTrip(p);
        require(p.posixStr().size() <= first.size() + 1);
        (void)p.wstr();

        Path parent = p.parentPath();
        require(parent.elements.size() == (p.empty() ? (p.absolute ? 0 : 1) : p.elements.size() - 1));
        Path name = p.filename();
        checkElements(name, true);
        require(name.elements.size() <= 1);

        Path other;
        other.set(second, type);
        Path joined = p;
        joined /= other;
        checkElements(joined, false);
        if (p.empty() || !other.absolute)
            require(joined.elements.size() == p.elements.size() + other.elements.size());
        Path& self = joined;
        joined /= self;
        joined /= second.c_str();
        checkElements(joined, false);

        Path suffixed = p;
        suffixed.replaceExtension(other);
        require(suffixed.elements.size() == p.elements.size());
        (void)suffixed.str();

        Path assigned;
        assigned = p;
        Path& alias = assigned;
        assigned = alias;
        checkElements(assigned, true);
    }

    Path wide(Tessel::utf8ToUtf16(first));
    checkElements(wide, true);

    // Every UTF-16 text survives the way through UTF-8 and back.
    std::u16string units(size / 2, u'\0');
    std::memcpy(&units[0], data, units.size() * 2);
    require(Tessel::utf8ToUtf16(Tessel::utf16ToUtf8(units)) == units);
    return 0;
}
