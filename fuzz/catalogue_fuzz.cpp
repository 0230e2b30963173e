// The catalogue loader over arbitrary file contents, then every look-up and
// a copy of what it loaded. Only the three documented failures may leave the
// constructor; any other exception ends the run as a crash.
#include <cstdint>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <string>

#include <rapidxml/rapidxml.hpp>

#include "emoticons/EmoticonCache.h"
#include "fixture.h"

// A group "size" may ask for any number of records. Under the sanitizer an
// allocation too large for memory ends the process instead of throwing, so
// this harness plays a machine with 64 MB to spare: larger requests raise
// std::bad_alloc as they would on a real one.
namespace {

constexpr std::size_t AllocationLimit = std::size_t(64) << 20;

void* allocate(std::size_t size)
{
    if (size > AllocationLimit)
        throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string file = fuzzing::scratchDir() + "/emo.dat";
    fuzzing::writeFile(file, std::string(reinterpret_cast<const char*>(data), size));
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
