// The client's emoticon catalogue, read from "emo.dat": two groups of
// records (classic, other) and an index from names to records.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

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
    struct ReplacedGroups;
    std::unique_ptr<ReplacedGroups> replacedGroups;

    void swap(EmoticonCache& other) noexcept;
};
