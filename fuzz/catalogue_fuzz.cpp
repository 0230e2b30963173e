// SPDX-License-Identifier: MIT
// The catalogue loader over arbitrary file contents, then every look-up and
// a copy of what it loaded. Only the three documented failures may leave the
// constructor; any other exception ends the run as a crash.
#include <cstdint>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <string>

#include <rapidxml/rapidxml.hpp>

#include "emoticons/XmlNesting.h"
#include "fixture.h"
#include "tessel/EmoticonCache.h"

// A group "size" may ask for any number of records. Under the sanitizer an
// allocation too large for memory ends the process instead of throwing, so
// this harness plays a machine with 64 MB to spare: larger requests raise
// std::bad_alloc as they would on a real one.
namespace {

using fuzzing::require;

constexpr std::size_t AllocationLimit = std::size_t(64) << 20;

void* allocate(std::size_t size)
{
    if (size > AllocationLimit)
        throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void* allocateOrNull(std::size_t size) noexcept
{
    try {
        return allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace

// Every form of new and delete that pairs with malloc and free.
void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocateOrNull(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocateOrNull(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

// Every record reachable by index or name is readable, and the copy answers
// as its source does.
void checkLookups(EmoticonCache& cache)
{
    const int total = cache.getClassicCount() + cache.getOtherCount();
    require(cache.getClassicCount() >= 0 && cache.getOtherCount() >= 0);
    require(!cache.getEmoByIndex(-1) && !cache.getEmoByIndex(total));

    EmoticonCache copy(cache);
    EmoticonCache assigned(cache);
    assigned = copy;
    for (int i = 0; i < total; ++i) {
        EMOSTRUCT* record = cache.getEmoByIndex(i);
        require(record != nullptr);
        const std::string path = cache.getPathFromId(record->id);
        require(path.size() <= 259 && path.compare(0, 17, ":/Res/FaceMgr/em/") == 0);
        require(copy.getEmoByIndex(i)->id == record->id && assigned.getEmoByIndex(i)->name == record->name);
    }
    for (const auto& entry : cache.nameIndex) {
        require(entry.second->name == entry.first);
        const std::string tag = cache.getPathFromName(entry.first);
        require(tag == copy.getPathFromName(entry.first) && tag == assigned.getPathFromName(entry.first));
    }
}

// The parser recurses once per level of element nesting. Whatever the
// nesting guard lets through must parse no deeper than its limit; a small
// limit makes a way around the guard easy to reach.
void checkNestingGuard(const std::string& bytes)
{
    constexpr int limit = 4;
    std::string text = bytes;
    try {
        Tessel::checkXmlNesting(&text[0], limit);
    } catch (const rapidxml::parse_error&) {
        return;
    }
    text = bytes;
    rapidxml::xml_document<char> document;
    try {
        document.parse<0>(&text[0]);
    } catch (const rapidxml::parse_error&) {
        return;
    }
    // Depth-first walk without recursion, counting element levels.
    int depth = 0;
    const rapidxml::xml_node<char>* node = document.first_node();
    while (node) {
        if (node->type() == rapidxml::node_element && node->first_node()) {
            require(++depth <= limit);
            node = node->first_node();
            continue;
        }
        while (node && !node->next_sibling()) {
            node = node->parent();
            if (node == &document)
                node = nullptr;
            else if (node)
                --depth;
        }
        if (node)
            node = node->next_sibling();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string file = fuzzing::scratchDir() + "/emo.dat";
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    checkNestingGuard(bytes);
    fuzzing::writeFile(file, bytes);
    try {
        EmoticonCache cache(file.c_str());
        checkLookups(cache);
    } catch (const rapidxml::parse_error&) {
    } catch (const std::bad_alloc&) {
    } catch (const std::runtime_error& e) {
        require(std::string(e.what()) == "error reading stream");
    }
    return 0;
}
