// The client's emoticon catalogue, read from "emo.dat": two groups of
// records (classic, other) and an index from names to records.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tessel/export.h"

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
