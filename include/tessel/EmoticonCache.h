// SPDX-License-Identifier: MIT
/// @file
/// The client's emoticon catalogue, read from the XML file "emo.dat": two
/// groups of records (classic, other) and an index from names to records.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "tessel/export.h"

/// @cond internal
namespace Tessel {
class EmoticonLookup;
}
/// @endcond

/// One emoticon of the catalogue.
///
/// Records sit in the two arrays of an EmoticonCache, classic records first:
/// the record at overall index @c i carries the id @c i+1 in a well-formed
/// catalogue, and its picture is the Qt resource ":/Res/FaceMgr/em/<id>.png".
/// Both strings are bytes as the file holds them, character references
/// decoded to UTF-8.
struct EMOSTRUCT {
    std::string id;    ///< The entry's "id" attribute: names the emoticon's picture.
    std::string name;  ///< The entry's text: how the emoticon is written in messages.
};

/// An emoticon catalogue read from an "emo.dat" file.
///
/// The file is XML: a root element "face" holding a "clasic" group and an
/// "other" group, each with a "size" attribute and "em" entries whose "id"
/// attribute and text make the records:
/// @code{.xml}
/// <face><clasic size="2"><em id="1">smile</em><em id="2">grin</em></clasic>
///       <other size="1"><em id="3">cat</em></other></face>
/// @endcode
///
/// The library keeps one catalogue, made by Tessel::Init and reached through
/// the functions of namespace Tessel; a client may also make its own.
/// Reading a catalogue (every const member, the getters, the look-ups) is
/// safe from any number of threads at once; assigning to it or destroying
/// it needs every other user kept away. Record pointers point into the
/// cache's arrays: they stay valid until the cache is destroyed or assigned
/// to, and they own nothing. The public fields are shown for reading:
/// changing them is not supported.
class TESSEL_API EmoticonCache {
public:
    /// The classic group's records (array of #classicCount), or null when
    /// the file has no classic group.
    EMOSTRUCT* classicPtr;
    /// The other group's records (array of #otherCount), or null when the
    /// file has no other group.
    EMOSTRUCT* otherPtr;
    /// The number of classic records: the group's "size" attribute. Records
    /// without an entry in the file have an empty id and name.
    std::int32_t classicCount;
    /// The number of other records: the group's "size" attribute.
    std::int32_t otherCount;
    /// Each name read from the file, mapped to the first record that carries
    /// it (exact, case-sensitive byte comparison).
    std::map<std::string, EMOSTRUCT*> nameIndex;

    /// Reads a catalogue file.
    ///
    /// @param location the file's path (UTF-8). When it is null, empty,
    ///        missing, a directory or an empty file, "Resource/emo.dat"
    ///        beside the running program's executable is read instead,
    ///        without saying so. A file without a "face" root gives an empty
    ///        catalogue.
    ///
    /// @throws std::runtime_error "error reading stream" when the file cannot
    ///         be opened or read.
    /// @throws rapidxml::parse_error (a std::exception) when the file is not
    ///         well-formed XML or nests elements more than 1024 deep; what()
    ///         names the fault, for example "expected <". Do not use its
    ///         where(): the text it points into is gone.
    /// @throws std::bad_alloc when a group's "size" is negative or too large
    ///         to hold (over about a million records in all on a 64-bit
    ///         system).
    ///
    /// Example: `EmoticonCache cache("/usr/share/tessel/emo.dat");`
    explicit EmoticonCache(const char* location);
    /// Makes a catalogue that answers every look-up as another does, with
    /// records of its own.
    /// @param source the catalogue to copy.
    /// @throws std::bad_alloc
    EmoticonCache(const EmoticonCache& source);
    /// Replaces this catalogue with a copy of another; record pointers taken
    /// from this cache before become invalid.
    /// @param source the catalogue to copy.
    /// @return this cache.
    /// @throws std::bad_alloc (this cache is then unchanged)
    EmoticonCache& operator=(const EmoticonCache& source);
    /// Releases the records; pointers to them become invalid.
    ~EmoticonCache();

    /// The record at an overall index.
    /// @param index classic records at 0 to #classicCount - 1, then the
    ///              other records.
    /// @return the record, or null for any other index.
    EMOSTRUCT* getEmoByIndex(int index);
    /// The image tag of an emoticon, looked up by its name.
    /// @param name the name, compared byte for byte (case and white space
    ///             count).
    /// @return a whole tag such as `<img src=":/Res/FaceMgr/em/1.png"/>`, or
    ///         an empty string when no record carries the name.
    std::string getPathFromName(const std::string& name) const;
    /// The Qt resource path of an id, without looking it up.
    /// @param id any id, read up to its first NUL byte.
    /// @return ":/Res/FaceMgr/em/<id>.png", cut after 259 bytes.
    std::string getPathFromId(const std::string& id) const;
    /// The size of the classic group.
    /// @return #classicCount.
    int getClassicCount() const;
    /// The classic group's records.
    /// @return #classicPtr: index it from 0 to getClassicCount() - 1.
    EMOSTRUCT* getClassicPtr();
    /// The size of the other group.
    /// @return #otherCount.
    int getOtherCount() const;
    /// The other group's records.
    /// @return #otherPtr: index it from 0 to getOtherCount() - 1.
    EMOSTRUCT* getOtherPtr();

private:
    /// @cond internal
    friend class Tessel::EmoticonLookup;
    /// @endcond
    struct Internals;
    std::unique_ptr<Internals> internals;

    void swap(EmoticonCache& other) noexcept;
};
