// Character references: the entity name table and the in-place decoder.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace Tessel {

// Entity name to code point; filled by the first parser constructed.
extern std::map<std::string, std::int32_t, std::less<>> EntityTable;

// Fills EntityTable with its 253 entries when it is empty.
void fillEntityTable();

// Replaces character references in s by their bytes (UTF-8 above ASCII).
void decodeEntities(std::string& s);

// Writes the UTF-8 form of a code point of 128 or more into buffer (at least
// 4 bytes); returns the byte count, 0 for code points of 0x200000 and above.
int encodeUtf8(std::uint32_t codePoint, char* buffer);

}  // namespace Tessel
