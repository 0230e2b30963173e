// The emoticon entry points over the library-wide catalogue.
#include "api/state.h"
#include "base/number.h"

namespace Tessel {

EMOSTRUCT* EChStructFromIndex(int index)
{
    return Catalogue ? Catalogue->getEmoByIndex(index) : nullptr;
}

bool IsClassicECh(const std::string& name)
{
    return Catalogue && readNumber(name.c_str()) <= Catalogue->classicCount;
}

std::string EChPathFromName(const std::string& name)
{
    return Catalogue ? Catalogue->getPathFromName(name) : std::string();
}

std::string EChPathFromId(const std::string& id)
{
    return Catalogue ? Catalogue->getPathFromId(id) : std::string();
}

// Without a catalogue the accessors answer as an empty one would.
EMOSTRUCT* getClassicPtr()
{
    return Catalogue ? Catalogue->getClassicPtr() : nullptr;
}

EMOSTRUCT* getOtherPtr()
{
    return Catalogue ? Catalogue->getOtherPtr() : nullptr;
}

int getClassicCount()
{
    return Catalogue ? Catalogue->getClassicCount() : 0;
}

int getOtherCount()
{
    return Catalogue ? Catalogue->getOtherCount() : 0;
}

}  // namespace Tessel
