// SPDX-License-Identifier: MIT
// The emoticon entry points over the library-wide catalogue.
#include "api/state.h"
#include "base/number.h"

namespace Tessel {

// The catalogue is never changed once Init has made it, so these read it on
// any thread.

EMOSTRUCT* EChStructFromIndex(int index)
{
    EmoticonCache* catalogue = Catalogue.load();
    return catalogue ? catalogue->getEmoByIndex(index) : nullptr;
}

bool IsClassicECh(const std::string& name)
{
    const EmoticonCache* catalogue = Catalogue.load();
    return catalogue && readNumber(name.c_str()) <= catalogue->classicCount;
}

std::string EChPathFromName(const std::string& name)
{
    const EmoticonCache* catalogue = Catalogue.load();
    return catalogue ? catalogue->getPathFromName(name) : std::string();
}

std::string EChPathFromId(const std::string& id)
{
    const EmoticonCache* catalogue = Catalogue.load();
    return catalogue ? catalogue->getPathFromId(id) : std::string();
}

// Without a catalogue the accessors answer as an empty one would.
EMOSTRUCT* getClassicPtr()
{
    EmoticonCache* catalogue = Catalogue.load();
    return catalogue ? catalogue->getClassicPtr() : nullptr;
}

EMOSTRUCT* getOtherPtr()
{
    EmoticonCache* catalogue = Catalogue.load();
    return catalogue ? catalogue->getOtherPtr() : nullptr;
}

int getClassicCount()
{
    EmoticonCache* catalogue = Catalogue.load();
    return catalogue ? catalogue->getClassicCount() : 0;
}

int getOtherCount()
{
    EmoticonCache* catalogue = Catalogue.load();
    return catalogue ? catalogue->getOtherCount() : 0;
}

}  // namespace Tessel
