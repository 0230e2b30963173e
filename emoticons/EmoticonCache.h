// The client's emoticon catalogue, read from "emo.dat": two groups of
// records (classic, other) and an index from names to records.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "api/export.h"

struct EMOSTRUCT {
    std::string id;
    std::string name;
};

class TESSEL_API EmoticonCache {
public:
    EMOSTRUCT* classicPtr;
    EMOSTRUCT* otherPtr;
    std::int32_t classicCount;
    std::int32_t otherCount;
    std::map<std::string, EMOSTRUCT*> nameIndex;

    explicit EmoticonCache(const char* location);
    EmoticonCache(const EmoticonCache& source);
    EmoticonCache& operator=(const EmoticonCache& source);
    ~EmoticonCache();

    EMOSTRUCT* getEmoByIndex(int index);
    std::string getPathFromName(const std::string& name) const;
    std::string getPathFromId(const std::string& id) const;
    int getClassicCount() const;
    EMOSTRUCT* getClassicPtr();
    int getOtherCount() const;
    EMOSTRUCT* getOtherPtr();

private:
    // Arrays of groups that a later group of the same name replaced while
    // names in nameIndex still pointed into them, with their counts. They
    // live as long as the cache.
    std::vector<std::pair<std::unique_ptr<EMOSTRUCT[]>, std::int32_t>> retired;

    void swap(EmoticonCache& other) noexcept;
};

namespace Tessel {

// The record named name in the cache's index, or null.
const EMOSTRUCT* findEmoticon(const EmoticonCache& cache, const std::string& name);

// Appends to out the image tag that getPathFromName returns for the record's
// name, without building it apart first.
void appendEmoticonTag(std::string& out, const EMOSTRUCT& record);

}  // namespace Tessel
