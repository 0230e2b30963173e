// SPDX-License-Identifier: MIT
#include "tessel/EmoticonCache.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <new>
#include <stdexcept>

#include <rapidxml/rapidxml.hpp>

#include "base/markup.h"
#include "base/number.h"
#include "emoticons/XmlNesting.h"
#include "emoticons/emoticon_lookup.h"
#include "emoticons/name_table.h"
#include "fs/filesystem.h"
#include "fs/system.h"

using Tessel::Path;
using Node = rapidxml::xml_node<char>;

namespace {

using RetiredArrays = std::vector<std::pair<std::unique_ptr<EMOSTRUCT[]>, std::int32_t>>;

// The records of all the groups of one catalogue, counting groups that a
// later one replaced, take no more than this: about a million emoticons on
// a 64-bit system. A larger "size" can only come from a damaged or hostile
// file, and with memory overcommit the allocation itself might succeed only
// for constructing the records to exhaust memory.
constexpr std::size_t maxRecordBytes = std::size_t(64) << 20;

// One group while the file is read; committed to the cache at the end.
struct Group {
    std::unique_ptr<EMOSTRUCT[]> records;
    std::int32_t count = 0;
    bool indexed = false;  // some name in the index points into records
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The whole file followed by one zero byte.
std::vector<char> readCatalogue(const Path& path)
{
    std::unique_ptr<std::FILE, FileCloser> file(openForReading(path));
    if (!file)
        throw std::runtime_error("error reading stream");
    constexpr std::size_t chunk = 64 * 1024;
    std::vector<char> buffer;
    std::size_t used = 0;
    for (;;) {
        buffer.resize(used + chunk);
        std::size_t got = std::fread(buffer.data() + used, 1, chunk, file.get());
        used += got;
        if (got < chunk)
            break;
    }
    if (std::ferror(file.get()))
        throw std::runtime_error("error reading stream");
    buffer.resize(used + 1);
    buffer[used] = '\0';
    return buffer;
}

Path catalogueLocation(const char* location)
{
    Path path(location ? location : "");
    if (Tessel::isFile(path) && Tessel::fileSize(path, true) != 0)
        return path;
    path = Tessel::executablePath().parentPath();
    path /= "Resource";
    path /= "emo.dat";
    return path;
}

bool hasName(const Node* node, const char* name)
{
    std::size_t length = std::strlen(name);
    return node->type() == rapidxml::node_element && node->name_size() == length &&
           std::memcmp(node->name(), name, length) == 0;
}

// An attribute's value; a missing attribute counts as the empty string.
const char* attributeValue(const Node* node, const char* name, std::size_t& size)
{
    const rapidxml::xml_attribute<char>* attribute = node->first_attribute(name);
    size = attribute ? attribute->value_size() : 0;
    return attribute ? attribute->value() : "";
}

bool isBlank(const Node* node)
{
    const char* value = node->value();
    for (std::size_t i = 0; i < node->value_size(); ++i) {
        char c = value[i];
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            return false;
    }
    return true;
}

// An entry's name: the first run of character data directly inside it that
// holds more than white space. The entry walk may also land on character
// data between the entries; such a run is its own text.
std::string entryName(const Node* entry)
{
    if (entry->type() != rapidxml::node_element)
        return isBlank(entry) ? std::string() : std::string(entry->value(), entry->value_size());
    for (const Node* child = entry->first_node(); child; child = child->next_sibling()) {
        if (child->type() == rapidxml::node_data && !isBlank(child))
            return std::string(child->value(), child->value_size());
    }
    return std::string();
}

// Reads one "clasic" or "other" element into group. An array that the group
// replaces is retired when names point into it and released otherwise.
// recordsLeft is what the catalogue may still allocate.
void readGroup(const Node* element, Group& group, std::map<std::string, EMOSTRUCT*>& nameIndex,
               RetiredArrays& retired, std::size_t& recordsLeft)
{
    std::size_t unused;
    int size = Tessel::readNumber(attributeValue(element, "size", unused));
    if (size < 0 || static_cast<std::size_t>(size) > recordsLeft)
        throw std::bad_alloc();
    recordsLeft -= static_cast<std::size_t>(size);
    std::unique_ptr<EMOSTRUCT[]> records(new EMOSTRUCT[size]);
    if (group.records && group.indexed)
        retired.emplace_back(std::move(group.records), group.count);
    group.records = std::move(records);
    group.count = size;
    group.indexed = false;

    int k = 0;
    for (const Node* entry = element->first_node("em"); entry && k < size;
         entry = entry->next_sibling(), ++k) {
        EMOSTRUCT& record = group.records[k];
        std::size_t idSize;
        const char* id = attributeValue(entry, "id", idSize);
        record.id.assign(id, idSize);
        record.name = entryName(entry);
        if (nameIndex.try_emplace(record.name, &record).second)
            group.indexed = true;
    }
}

std::unique_ptr<EMOSTRUCT[]> copyRecords(const EMOSTRUCT* records, std::int32_t count)
{
    if (!records)
        return nullptr;
    std::unique_ptr<EMOSTRUCT[]> copy(new EMOSTRUCT[count]);
    std::copy(records, records + count, copy.get());
    return copy;
}

// Where a source array lies and where its copy lies.
struct Span {
    const EMOSTRUCT* source;
    std::int32_t count;
    EMOSTRUCT* copy;
};

// The record of the copies at the position that record has in the sources;
// spans are sorted by source address.
EMOSTRUCT* remap(const std::vector<Span>& spans, const EMOSTRUCT* record)
{
    std::less<const EMOSTRUCT*> before;
    auto next = std::upper_bound(spans.begin(), spans.end(), record,
                                 [&](const EMOSTRUCT* r, const Span& s) { return before(r, s.source); });
    if (next == spans.begin())
        return nullptr;
    const Span& span = *(next - 1);
    if (!before(record, span.source + span.count))
        return nullptr;
    return span.copy + (record - span.source);
}

}  // namespace

// What a cache keeps beside its public members: the arrays of groups that a
// later group of the same name replaced while names in nameIndex still
// pointed into them, with their counts (only when its file repeats a
// group); and the hash table of nameIndex that the look-ups read, built at
// the first look-up so that loading a catalogue costs no more than before.
struct EmoticonCache::Internals {
    explicit Internals(RetiredArrays arrays) : replacedGroups(std::move(arrays)) {}

    // The table of names, built once, whichever thread looks up first.
    const Tessel::NameTable& nameTable(const EmoticonCache& cache)
    {
        if (!built.load(std::memory_order_acquire)) {
            std::lock_guard<std::mutex> lock(building);
            if (!built.load(std::memory_order_relaxed)) {
                names = Tessel::NameTable(cache.nameIndex);
                built.store(true, std::memory_order_release);
            }
        }
        return names;
    }

    RetiredArrays replacedGroups;

private:
    std::atomic<bool> built{false};
    std::mutex building;
    Tessel::NameTable names;
};

EmoticonCache::EmoticonCache(const char* location)
    : classicPtr(nullptr), otherPtr(nullptr), classicCount(0), otherCount(0)
{
    RetiredArrays retired;
    std::vector<char> buffer = readCatalogue(catalogueLocation(location));
    auto document = std::make_unique<rapidxml::xml_document<char>>();
    try {
        Tessel::checkXmlNesting(buffer.data(), Tessel::maxXmlNesting);
        document->parse<0>(buffer.data());
    } catch (const rapidxml::parse_error& e) {
        // Its position points into the buffer, which is freed as the error
        // leaves: it leaves without one. Its message is a literal.
        throw rapidxml::parse_error(e.what(), nullptr);
    }

    const Node* face = document->first_node("face");
    if (!face)
        return;
    Group classic, other;
    std::size_t recordsLeft = maxRecordBytes / sizeof(EMOSTRUCT);
    for (const Node* child = face->first_node(); child; child = child->next_sibling()) {
        if (hasName(child, "clasic"))
            readGroup(child, classic, nameIndex, retired, recordsLeft);
        else if (hasName(child, "other"))
            readGroup(child, other, nameIndex, retired, recordsLeft);
    }
    auto kept = std::make_unique<Internals>(std::move(retired));
    classicCount = classic.count;
    classicPtr = classic.records.release();
    otherCount = other.count;
    otherPtr = other.records.release();
    internals = std::move(kept);
}

EmoticonCache::EmoticonCache(const EmoticonCache& source)
    : classicPtr(nullptr), otherPtr(nullptr), classicCount(0), otherCount(0)
{
    std::unique_ptr<EMOSTRUCT[]> classic = copyRecords(source.classicPtr, source.classicCount);
    std::unique_ptr<EMOSTRUCT[]> other = copyRecords(source.otherPtr, source.otherCount);
    const RetiredArrays none;
    const RetiredArrays& sourceRetired = source.internals ? source.internals->replacedGroups : none;
    RetiredArrays retired;
    std::vector<Span> spans;
    spans.reserve(sourceRetired.size() + 2);
    if (classic)
        spans.push_back({source.classicPtr, source.classicCount, classic.get()});
    if (other)
        spans.push_back({source.otherPtr, source.otherCount, other.get()});
    retired.reserve(sourceRetired.size());
    for (const auto& array : sourceRetired) {
        retired.emplace_back(copyRecords(array.first.get(), array.second), array.second);
        spans.push_back({array.first.get(), array.second, retired.back().first.get()});
    }
    std::less<const EMOSTRUCT*> before;
    std::sort(spans.begin(), spans.end(),
              [&](const Span& a, const Span& b) { return before(a.source, b.source); });
    for (const auto& entry : source.nameIndex) {
        if (EMOSTRUCT* record = remap(spans, entry.second))
            nameIndex.emplace_hint(nameIndex.end(), entry.first, record);
    }
    internals = std::make_unique<Internals>(std::move(retired));
    classicCount = source.classicCount;
    classicPtr = classic.release();
    otherCount = source.otherCount;
    otherPtr = other.release();
}

EmoticonCache& EmoticonCache::operator=(const EmoticonCache& source)
{
    if (this != &source) {
        EmoticonCache copy(source);
        swap(copy);
    }
    return *this;
}

EmoticonCache::~EmoticonCache()
{
    delete[] classicPtr;
    delete[] otherPtr;
}

void EmoticonCache::swap(EmoticonCache& other) noexcept
{
    std::swap(classicPtr, other.classicPtr);
    std::swap(otherPtr, other.otherPtr);
    std::swap(classicCount, other.classicCount);
    std::swap(otherCount, other.otherCount);
    nameIndex.swap(other.nameIndex);
    internals.swap(other.internals);
}

EMOSTRUCT* EmoticonCache::getEmoByIndex(int index)
{
    if (index < 0)
        return nullptr;
    if (index < classicCount)
        return classicPtr + index;
    int j = index - classicCount;
    return j < otherCount ? otherPtr + j : nullptr;
}

namespace {

constexpr std::size_t ResourcePathLimit = 259;

// The resource path of an emoticon id, as ":/Res/FaceMgr/em/%s.png" formats
// it into a 260-byte buffer: the id up to its first NUL byte, and the whole
// cut after 259 bytes. Writes it to out, which has room for the limit, and
// returns its length.
std::size_t writeResourcePath(char* out, const std::string& id)
{
    using Tessel::EmoticonPathPrefix;
    using Tessel::EmoticonPathSuffix;
    constexpr std::size_t prefixLength = EmoticonPathPrefix.size();
    const std::size_t idLength = std::strlen(id.c_str());
    const std::size_t total =
        std::min(ResourcePathLimit, prefixLength + idLength + EmoticonPathSuffix.size());
    const std::size_t idTaken = std::min(idLength, total - prefixLength);
    std::memcpy(out, EmoticonPathPrefix.data(), prefixLength);
    std::memcpy(out + prefixLength, id.c_str(), idTaken);
    std::memcpy(out + prefixLength + idTaken, EmoticonPathSuffix.data(), total - prefixLength - idTaken);
    return total;
}

}  // namespace

std::string EmoticonCache::getPathFromName(const std::string& name) const
{
    std::string tag;
    if (const EMOSTRUCT* record = Tessel::findEmoticon(*this, name))
        Tessel::appendEmoticonTag(tag, *record);
    return tag;
}

// Looks names up in a cache's name table while it follows nameIndex, and in
// nameIndex itself once a client has changed it.
class Tessel::EmoticonLookup {
public:
    static const EMOSTRUCT* find(const EmoticonCache& cache, std::string_view name)
    {
        if (EmoticonCache::Internals* internals = cache.internals.get()) {
            const NameTable& names = internals->nameTable(cache);
            if (names.follows(cache.nameIndex))
                return names.find(name);
        }
        auto found = cache.nameIndex.find(std::string(name));
        return found == cache.nameIndex.end() ? nullptr : found->second;
    }
};

const EMOSTRUCT* Tessel::findEmoticon(const EmoticonCache& cache, std::string_view name)
{
    return EmoticonLookup::find(cache, name);
}

void Tessel::appendEmoticonTag(std::string& out, const EMOSTRUCT& record)
{
    char tag[Tessel::ImageTagOpen + ResourcePathLimit + Tessel::ImageTagClose];
    Tessel::appendImageTagAround(out, tag, writeResourcePath(tag + Tessel::ImageTagOpen, record.id));
}

std::string EmoticonCache::getPathFromId(const std::string& id) const
{
    char path[ResourcePathLimit];
    return std::string(path, writeResourcePath(path, id));
}

int EmoticonCache::getClassicCount() const
{
    return classicCount;
}

EMOSTRUCT* EmoticonCache::getClassicPtr()
{
    return classicPtr;
}

int EmoticonCache::getOtherCount() const
{
    return otherCount;
}

EMOSTRUCT* EmoticonCache::getOtherPtr()
{
    return otherPtr;
}
