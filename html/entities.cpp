// SPDX-License-Identifier: MIT
#include "html/entities.h"

#include <cstring>
#include <mutex>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/hot.h"

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
#error "the decoder reads names and digits as little-endian words"
#endif

namespace Tessel {

std::uint64_t EntityTableEdits = 0;
EntityMap EntityTable;

namespace {

struct EntityEntry {
    const char* name;
    std::int32_t codePoint;
};

// The HTML 4.01 character entities (Latin-1, symbols, specials) plus "apos",
// in table order, ended by an entry without a name.
const EntityEntry EntityList[] = {
    {"quot", 34}, {"amp", 38}, {"apos", 39}, {"lt", 60}, {"gt", 62}, {"nbsp", 160},
    {"iexcl", 161}, {"cent", 162}, {"pound", 163}, {"curren", 164}, {"yen", 165},
    {"brvbar", 166}, {"sect", 167}, {"uml", 168}, {"copy", 169}, {"ordf", 170},
    {"laquo", 171}, {"not", 172}, {"shy", 173}, {"reg", 174}, {"macr", 175},
    {"deg", 176}, {"plusmn", 177}, {"sup2", 178}, {"sup3", 179}, {"acute", 180},
    {"micro", 181}, {"para", 182}, {"middot", 183}, {"cedil", 184}, {"sup1", 185},
    {"ordm", 186}, {"raquo", 187}, {"frac14", 188}, {"frac12", 189}, {"frac34", 190},
    {"iquest", 191}, {"Agrave", 192}, {"Aacute", 193}, {"Acirc", 194}, {"Atilde", 195},
    {"Auml", 196}, {"Aring", 197}, {"AElig", 198}, {"Ccedil", 199}, {"Egrave", 200},
    {"Eacute", 201}, {"Ecirc", 202}, {"Euml", 203}, {"Igrave", 204}, {"Iacute", 205},
    {"Icirc", 206}, {"Iuml", 207}, {"ETH", 208}, {"Ntilde", 209}, {"Ograve", 210},
    {"Oacute", 211}, {"Ocirc", 212}, {"Otilde", 213}, {"Ouml", 214}, {"times", 215},
    {"Oslash", 216}, {"Ugrave", 217}, {"Uacute", 218}, {"Ucirc", 219}, {"Uuml", 220},
    {"Yacute", 221}, {"THORN", 222}, {"szlig", 223}, {"agrave", 224}, {"aacute", 225},
    {"acirc", 226}, {"atilde", 227}, {"auml", 228}, {"aring", 229}, {"aelig", 230},
    {"ccedil", 231}, {"egrave", 232}, {"eacute", 233}, {"ecirc", 234}, {"euml", 235},
    {"igrave", 236}, {"iacute", 237}, {"icirc", 238}, {"iuml", 239}, {"eth", 240},
    {"ntilde", 241}, {"ograve", 242}, {"oacute", 243}, {"ocirc", 244}, {"otilde", 245},
    {"ouml", 246}, {"divide", 247}, {"oslash", 248}, {"ugrave", 249}, {"uacute", 250},
    {"ucirc", 251}, {"uuml", 252}, {"yacute", 253}, {"thorn", 254}, {"yuml", 255},
    {"OElig", 338}, {"oelig", 339}, {"Scaron", 352}, {"scaron", 353}, {"Yuml", 376},
    {"fnof", 402}, {"circ", 710}, {"tilde", 732}, {"Alpha", 913}, {"Beta", 914},
    {"Gamma", 915}, {"Delta", 916}, {"Epsilon", 917}, {"Zeta", 918}, {"Eta", 919},
    {"Theta", 920}, {"Iota", 921}, {"Kappa", 922}, {"Lambda", 923}, {"Mu", 924},
    {"Nu", 925}, {"Xi", 926}, {"Omicron", 927}, {"Pi", 928}, {"Rho", 929},
    {"Sigma", 931}, {"Tau", 932}, {"Upsilon", 933}, {"Phi", 934}, {"Chi", 935},
    {"Psi", 936}, {"Omega", 937}, {"alpha", 945}, {"beta", 946}, {"gamma", 947},
    {"delta", 948}, {"epsilon", 949}, {"zeta", 950}, {"eta", 951}, {"theta", 952},
    {"iota", 953}, {"kappa", 954}, {"lambda", 955}, {"mu", 956}, {"nu", 957},
    {"xi", 958}, {"omicron", 959}, {"pi", 960}, {"rho", 961}, {"sigmaf", 962},
    {"sigma", 963}, {"tau", 964}, {"upsilon", 965}, {"phi", 966}, {"chi", 967},
    {"psi", 968}, {"omega", 969}, {"thetasym", 977}, {"upsih", 978}, {"piv", 982},
    {"ensp", 8194}, {"emsp", 8195}, {"thinsp", 8201}, {"zwnj", 8204}, {"zwj", 8205},
    {"lrm", 8206}, {"rlm", 8207}, {"ndash", 8211}, {"mdash", 8212}, {"lsquo", 8216},
    {"rsquo", 8217}, {"sbquo", 8218}, {"ldquo", 8220}, {"rdquo", 8221}, {"bdquo", 8222},
    {"dagger", 8224}, {"Dagger", 8225}, {"bull", 8226}, {"hellip", 8230},
    {"permil", 8240}, {"prime", 8242}, {"Prime", 8243}, {"lsaquo", 8249},
    {"rsaquo", 8250}, {"oline", 8254}, {"frasl", 8260}, {"euro", 8364}, {"image", 8465},
    {"weierp", 8472}, {"real", 8476}, {"trade", 8482}, {"alefsym", 8501},
    {"larr", 8592}, {"uarr", 8593}, {"rarr", 8594}, {"darr", 8595}, {"harr", 8596},
    {"crarr", 8629}, {"lArr", 8656}, {"uArr", 8657}, {"rArr", 8658}, {"dArr", 8659},
    {"hArr", 8660}, {"forall", 8704}, {"part", 8706}, {"exist", 8707}, {"empty", 8709},
    {"nabla", 8711}, {"isin", 8712}, {"notin", 8713}, {"ni", 8715}, {"prod", 8719},
    {"sum", 8721}, {"minus", 8722}, {"lowast", 8727}, {"radic", 8730}, {"prop", 8733},
    {"infin", 8734}, {"ang", 8736}, {"and", 8743}, {"or", 8744}, {"cap", 8745},
    {"cup", 8746}, {"int", 8747}, {"there4", 8756}, {"sim", 8764}, {"cong", 8773},
    {"asymp", 8776}, {"ne", 8800}, {"equiv", 8801}, {"le", 8804}, {"ge", 8805},
    {"sub", 8834}, {"sup", 8835}, {"nsub", 8836}, {"sube", 8838}, {"supe", 8839},
    {"oplus", 8853}, {"otimes", 8855}, {"perp", 8869}, {"sdot", 8901}, {"lceil", 8968},
    {"rceil", 8969}, {"lfloor", 8970}, {"rfloor", 8971}, {"lang", 9001}, {"rang", 9002},
    {"loz", 9674}, {"spades", 9824}, {"clubs", 9827}, {"hearts", 9829}, {"diams", 9830},
    {nullptr, 0},
};

// Branches whose rare side only odd text takes.
inline bool likely(bool condition)
{
    return __builtin_expect(condition, 1);
}

inline bool unlikely(bool condition)
{
    return __builtin_expect(condition, 0);
}

constexpr std::uint32_t Saturated = 0xFFFFFFFFu;

// The longest name that the index holds: one 64-bit word of its bytes.
constexpr std::size_t WordName = 8;

inline bool isDigit(unsigned char c)
{
    return c - 0x30u < 10u;
}

inline bool isHexLetter(unsigned char c)
{
    return (c | 0x20u) - 'a' < 6u;
}

inline bool isAlnum(unsigned char c)
{
    return isDigit(c) || (c | 0x20u) - 'a' < 26u;
}

inline std::uint64_t word(const char* p)
{
    std::uint64_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

// The first n bytes of a word (n from 1 to 8), the others zero; zero for n
// from 9 to 15, as for a name too long to be looked up as a word.
inline std::uint64_t firstBytes(std::uint64_t value, std::size_t n)
{
    static constexpr std::uint64_t Masks[16] = {0,
                                                0xFF,
                                                0xFFFF,
                                                0xFFFFFF,
                                                0xFFFFFFFF,
                                                0xFFFFFFFFFF,
                                                0xFFFFFFFFFFFF,
                                                0xFFFFFFFFFFFFFF,
                                                ~std::uint64_t(0)};
    return value & Masks[n];
}

// The UTF-8 form of a code point: its bytes as a little-endian word.
struct Utf8 {
    std::uint32_t bytes;
    std::uint32_t count;  // 0 for code points of 0x200000 and above
};

// Byte counts of UTF-8 forms by the number of significant bits of the code
// point, up to 21.
constexpr unsigned char Utf8Counts[22] = {1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 3, 4, 4, 4, 4, 4};

// The UTF-8 form of count bytes (2 to 4) of a code point below 0x200000
// that fits it, without branches: the bytes of the four-byte form are spread
// over the word, the unused leading ones shifted out, and the marks added.
inline std::uint32_t utf8Bytes(std::uint32_t cp, std::uint32_t count)
{
    static constexpr std::uint32_t Marks[5] = {0, 0, 0x80C0, 0x8080E0, 0x808080F0};
    const std::uint32_t spread =
        (cp >> 18) | ((cp >> 4) & 0x3F00) | ((cp << 10) & 0x3F0000) | ((cp << 24) & 0x3F000000);
    return (spread >> (8 * (4 - count))) | Marks[count];
}

inline Utf8 utf8(std::uint32_t cp)
{
    if (cp - 1 >= 0x1FFFFF)
        return Utf8{0, 0};
    const std::uint32_t count = Utf8Counts[32 - __builtin_clz(cp)];
    const std::uint32_t ascii = 0u - (count == 1);  // all ones for one byte
    return Utf8{(cp & ascii) | (utf8Bytes(cp, count) & ~ascii), count};
}

// Where the decoder looks names up: an open-addressing table of the names of
// EntityTable of up to 8 letters and digits, each held as the word of its
// bytes zero-padded (such a name has no zero byte), with a pointer to its
// code point in the table's own node, so that a value changed in place is
// read as it is, and the UTF-8 form of the value it had when the index was
// built. It is built again when EntityTable has constructed or destroyed an
// element, or is another table (swapped or moved in).
//
// One index serves the process. Decoding only reads it, so any number of
// threads decode at once; it is built when the table is filled, and built
// again, under a lock, by the first decoding after the table has changed
// (which only happens while no conversion runs).
class EntityIndex {
public:
    struct Slot {
        std::uint64_t name;
        const std::int32_t* value;
        std::int32_t codePoint;  // *value when the slot was filled
        Utf8 text;               // its UTF-8 form
    };

    // The index of EntityTable as it is now.
    static EntityIndex& current()
    {
        if (!instance_.upToDate()) {
            static std::mutex building;
            std::lock_guard<std::mutex> lock(building);
            if (!instance_.upToDate())
                instance_.build();
        }
        return instance_;
    }

    // The slot of a name given as its word, or null; always null when every
    // name is looked up in the table.
    const Slot* find(std::uint64_t name) const
    {
        // A name is nearly always in its own slot or the next: those two
        // are compared without a branch between them.
        const std::size_t home = slotOf(name);
        const Slot& next = slots_[(home + 1) & (Slots - 1)];
        const Slot* slot = slots_[home].name == name ? &slots_[home] : &next;
        if (likely(slot->name == name))
            return slot;
        if (slots_[home].name == 0 || next.name == 0)
            return nullptr;
        for (std::size_t i = (home + 2) & (Slots - 1);; i = (i + 1) & (Slots - 1)) {
            if (slots_[i].name == name)
                return &slots_[i];
            if (slots_[i].name == 0)
                return nullptr;
        }
    }

    // The code point of the name of n letters and digits at p, or 0. When n
    // is 8 or less, 8 bytes from p are read.
    std::uint32_t codePoint(const char* p, std::size_t n) const
    {
        if (n - 1 < WordName && !inTableOnly_) {
            const Slot* slot = find(firstBytes(word(p), n));
            return slot ? static_cast<std::uint32_t>(*slot->value) : 0;
        }
        if (inTableOnly_)
            return fromTable(p, n);
        if (n == 0)
            return emptyName_ ? static_cast<std::uint32_t>(*emptyName_) : 0;
        return longNames_ ? fromTable(p, n) : 0;
    }

    // Counts the builds: what was read from one build holds until the next.
    std::uint64_t builds() const { return builds_; }

private:
    static constexpr unsigned SlotBits = 11;
    static constexpr std::size_t Slots = std::size_t(1) << SlotBits;

    static std::size_t slotOf(std::uint64_t name)
    {
        return static_cast<std::size_t>((name * 0x9E3779B97F4A7C15ull) >> (64 - SlotBits));
    }

    Slot& emptySlot(std::uint64_t name)
    {
        std::size_t i = slotOf(name);
        while (slots_[i].name != 0)
            i = (i + 1) & (Slots - 1);
        return slots_[i];
    }

    static const void* firstNode() { return EntityTable.empty() ? nullptr : &*EntityTable.begin(); }

    static std::uint32_t fromTable(const char* p, std::size_t n)
    {
        const auto it = EntityTable.find(std::string_view(p, n));
        return it == EntityTable.end() ? 0 : static_cast<std::uint32_t>(it->second);
    }

    // Whether a run of letters and digits can equal the name.
    static bool matchable(const std::string& name)
    {
        for (char c : name) {
            if (!isAlnum(static_cast<unsigned char>(c)))
                return false;
        }
        return !name.empty();
    }

    bool upToDate() const
    {
        return edits_ == EntityTableEdits && size_ == EntityTable.size() && first_ == firstNode();
    }

    // Once, and again after every change of EntityTable.
    __attribute__((noinline, cold)) void build()
    {
        for (Slot& slot : slots_)
            slot = Slot{0, nullptr, 0, Utf8{0, 0}};
        longNames_ = false;
        emptyName_ = nullptr;
        used_ = 0;
        for (const auto& entry : EntityTable) {
            if (entry.first.empty())
                emptyName_ = &entry.second;
            used_ += matchable(entry.first) && entry.first.size() <= WordName;
        }
        // A table changed beyond any use of the index: it is searched itself.
        inTableOnly_ = used_ > Slots / 2;
        for (const auto& entry : EntityTable) {
            const std::string& name = entry.first;
            if (inTableOnly_ || !matchable(name))
                continue;
            if (name.size() > WordName) {
                longNames_ = true;
                continue;
            }
            char bytes[WordName] = {};
            std::memcpy(bytes, name.data(), name.size());
            emptySlot(word(bytes)) = Slot{word(bytes), &entry.second, entry.second,
                                          utf8(static_cast<std::uint32_t>(entry.second))};
        }
        edits_ = EntityTableEdits;
        size_ = EntityTable.size();
        first_ = firstNode();
        ++builds_;
    }

    static EntityIndex instance_;

    Slot slots_[Slots] = {};
    std::size_t used_ = 0;
    std::uint64_t builds_ = 0;
    std::uint64_t edits_ = ~std::uint64_t(0);
    std::size_t size_ = 0;
    const void* first_ = nullptr;
    const std::int32_t* emptyName_ = nullptr;  // the value of "", which names a reference without a name
    bool longNames_ = false;    // names of more than 8 letters and digits are looked up in the table
    bool inTableOnly_ = false;  // every name is looked up in the table
};

EntityIndex EntityIndex::instance_;

// Blocks of 16 bytes, and masks of the bytes of a block that pass a test:
// bit i stands for byte i.
#if defined(__SSE2__)
using Block = __m128i;

inline Block load16(const char* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline void store16(char* p, Block block)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), block);
}

inline Block zeroBlock()
{
    return _mm_setzero_si128();
}

inline unsigned bytesEqualTo(Block block, char c)
{
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8(c))));
}

// The bytes from `low` to low + span, as a vector of 0xFF and 0 bytes.
inline __m128i inRange(Block block, char low, char span)
{
    const __m128i offset = _mm_sub_epi8(block, _mm_set1_epi8(low));
    return _mm_cmpeq_epi8(_mm_min_epu8(offset, _mm_set1_epi8(span)), offset);
}

inline unsigned digitBytes(Block block)
{
    return static_cast<unsigned>(_mm_movemask_epi8(inRange(block, '0', 9)));
}

// Letters are told apart with their case bit set: 'A' | 0x20 is 'a'.
inline unsigned alnumBytes(Block block)
{
    const __m128i lower = _mm_or_si128(block, _mm_set1_epi8(0x20));
    return static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(inRange(block, '0', 9), inRange(lower, 'a', 25))));
}

inline unsigned hexDigitBytes(Block block)
{
    const __m128i lower = _mm_or_si128(block, _mm_set1_epi8(0x20));
    return static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(inRange(block, '0', 9), inRange(lower, 'a', 5))));
}
#else
struct Block {
    unsigned char bytes[16];
};

inline Block load16(const char* p)
{
    Block block;
    std::memcpy(block.bytes, p, 16);
    return block;
}

inline void store16(char* p, const Block& block)
{
    std::memcpy(p, block.bytes, 16);
}

template <typename Test>
unsigned bytesWhere(const Block& block, Test test)
{
    unsigned mask = 0;
    for (unsigned i = 0; i < 16; ++i)
        mask |= unsigned(test(block.bytes[i])) << i;
    return mask;
}

inline Block zeroBlock()
{
    return Block{};
}

inline unsigned bytesEqualTo(const Block& block, char c)
{
    return bytesWhere(block, [c](unsigned char b) { return b == static_cast<unsigned char>(c); });
}

inline unsigned digitBytes(const Block& block)
{
    return bytesWhere(block, isDigit);
}

inline unsigned alnumBytes(const Block& block)
{
    return bytesWhere(block, isAlnum);
}

inline unsigned hexDigitBytes(const Block& block)
{
    return bytesWhere(block, [](unsigned char b) { return isDigit(b) || isHexLetter(b); });
}
#endif

// The number of bytes from bit `from` on that are set in mask (16 bits).
inline std::size_t runFrom(unsigned mask, unsigned from)
{
    return static_cast<std::size_t>(__builtin_ctz(~(mask >> from)));
}

// The value of n hexadecimal digits (1 to 8) at the start of a word: each
// byte becomes its digit's value, then neighbours are joined in three steps.
inline std::uint32_t hexValue(std::uint64_t digits, std::size_t n)
{
    std::uint64_t v = (digits & 0x0F0F0F0F0F0F0F0Full) + ((digits >> 6) & 0x0101010101010101ull) * 9;
    v = firstBytes(v, n) << (8 * (8 - n));
    v = ((v & 0x000F000F000F000Full) << 4) | ((v >> 8) & 0x000F000F000F000Full);
    v = ((v & 0x000000FF000000FFull) << 8) | ((v >> 16) & 0x000000FF000000FFull);
    return static_cast<std::uint32_t>(((v & 0xFFFF) << 16) | ((v >> 32) & 0xFFFF));
}

// The value of n decimal digits (1 to 8) at the start of a word.
inline std::uint32_t decimalValue(std::uint64_t digits, std::size_t n)
{
    std::uint64_t v = firstBytes(digits & 0x0F0F0F0F0F0F0F0Full, n) << (8 * (8 - n));
    v = v * 10 + (v >> 8);
    v = ((v & 0x000000FF000000FFull) * 0x000F424000000064ull +
         ((v >> 16) & 0x000000FF000000FFull) * 0x0000271000000001ull) >>
        32;
    return static_cast<std::uint32_t>(v);
}

// The value of the digits from p on, read up to end; beyond 32 bits it
// saturates to 0xFFFFFFFF, so that the reference is removed. Sets p past them.
std::uint32_t longNumber(const char*& p, const char* end, bool hex)
{
    std::uint32_t value = 0;
    for (; p < end; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        std::uint32_t digit;
        if (isDigit(c))
            digit = c - 0x30u;
        else if (hex && isHexLetter(c))
            digit = (c | 0x20u) - 'a' + 10;
        else
            break;
        const std::uint32_t base = hex ? 16 : 10;
        value = value > (Saturated - digit) / base ? Saturated : value * base + digit;
    }
    return value;
}

// What the decoder made of the references that end with the first ';'
// within 9 bytes of their '&', under the word of their bytes between the two
// (zero-padded): text repeats a few references (&amp;, &#39;, an emoji's),
// and one look-up here costs less than telling names from numbers, finding
// a name in the index or reading digits, each a branch that text of mixed
// references mispredicts. A name's slot points at its value in EntityTable,
// as the index's does, so that a value changed in place is seen; a number's
// points at its own code point. Each thread has its own memo, so that
// threads decode at once; a slot holds the last reference that fell on it,
// and the memo is emptied when the index is built again.
struct ReferenceMemo {
    struct Slot {
        std::uint64_t key;  // 0 in an empty slot, which `value` makes fail
        const std::int32_t* value;
        std::int32_t codePoint;  // *value when the slot was filled
        Utf8 text;
    };
    static constexpr unsigned SlotBits = 8;
    // What an empty slot's value points at: no code point is remembered as
    // -1, so an empty slot never answers, not even for the key 0.
    static constexpr std::int32_t Unmatched = -1;

    static std::size_t slotOf(std::uint64_t key)
    {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - SlotBits));
    }
    // The text of a key, or null.
    const Slot* find(std::uint64_t key) const
    {
        const Slot& slot = slots[slotOf(key)];
        return slot.key == key && *slot.value == slot.codePoint ? &slot : nullptr;
    }
    void rememberName(std::uint64_t key, const std::int32_t* value, Utf8 text)
    {
        slots[slotOf(key)] = Slot{key, value, *value, text};
    }
    void rememberNumber(std::uint64_t key, std::uint32_t codePoint, Utf8 text)
    {
        Slot& slot = slots[slotOf(key)];
        slot = Slot{key, &slot.codePoint, static_cast<std::int32_t>(codePoint), text};
    }
    // Empties the memo unless it was filled from this build of the index.
    void follow(std::uint64_t builds)
    {
        if (likely(builds_ == builds))
            return;
        for (Slot& slot : slots)
            slot = Slot{0, &Unmatched, 0, Utf8{0, 0}};
        builds_ = builds;
    }

    Slot slots[std::size_t(1) << SlotBits];
    std::uint64_t builds_ = 0;  // the index's build the slots come from; none at first
};

thread_local ReferenceMemo referenceMemo;

// Bytes read from the text and written out by one step of the decoder.
struct Step {
    std::size_t read;
    std::size_t written;
};

// The first 16 bytes of a reference, from its '&', as the decoder looks
// them up. Most references end with the first ';' after their '&' and are
// short: the bytes between are looked up as one word, first in the memo. A
// word has zero bytes past its end; the text has none there when the byte
// before the ';' is not zero, else the key is 0, which no slot holds.
struct ReferenceHead {
    Block block;
    unsigned semicolons;    // bit i: byte i is a ';'
    std::size_t semicolon;  // where the first ';' after the '&' and a byte is, or 16
    std::uint64_t key;      // the bytes between as a word; 0 when none fits

    explicit ReferenceHead(const char* p)
        : block(load16(p)),
          semicolons(bytesEqualTo(block, ';')),
          semicolon(2 + static_cast<std::size_t>(__builtin_ctz((semicolons >> 2) | 0x4000))),
          key(p[semicolon - 1] != 0 ? firstBytes(word(p + 1), semicolon - 1) : 0)
    {
    }
};

// Decodes the reference at p, an '&' with at least 16 readable bytes from it,
// that the memo does not know, into out, which has room for 16 bytes; end is
// where the text ends (any bytes from there to p + 16 are zero). A reference
// that stays and is longer than 16 bytes is not written: `written` then
// equals `read`.
__attribute__((noinline)) Step decodeReference(const char* p, const char* end, char* out,
                                               const EntityIndex& index, ReferenceMemo& memo,
                                               const ReferenceHead& head)
{
    const Block block = head.block;
    const unsigned semicolons = head.semicolons;
    const std::size_t semicolon = head.semicolon;
    const std::uint64_t key = head.key;
    std::size_t q;  // end of the reference
    std::uint32_t codePoint;
    Utf8 text;
    if (const EntityIndex::Slot* slot = key ? index.find(key) : nullptr) {
        q = semicolon + 1;
        codePoint = static_cast<std::uint32_t>(*slot->value);
        text = static_cast<std::int32_t>(codePoint) == slot->codePoint ? slot->text : utf8(codePoint);
        if (text.count != 0)  // never for 0, which keeps the reference
            memo.rememberName(key, slot->value, text);
    } else {
        if (p[1] != '#') {
            q = 1 + runFrom(alnumBytes(block), 1);
            if (q == 16) {  // the run goes on past the block
                while (p + q < end && isAlnum(static_cast<unsigned char>(p[q])))
                    ++q;
            }
            codePoint = index.codePoint(p + 1, q - 1);
        } else {
            const bool hex = (p[2] | 0x20) == 'x';
            const std::size_t start = hex ? 3 : 2;
            const std::size_t run =
                runFrom(hex ? hexDigitBytes(block) : digitBytes(block), static_cast<unsigned>(start));
            q = start + run;
            if (run - 1 < 8) {
                codePoint = hex ? hexValue(word(p + start), run) : decimalValue(word(p + start), run);
            } else if (run == 0) {
                codePoint = 0;
            } else {  // leading zeros or saturation: digit by digit
                const char* digits = p + start;
                codePoint = longNumber(digits, end, hex);
                q = static_cast<std::size_t>(digits - p);
            }
        }
        q += q < 16 ? (semicolons >> q) & 1 : p + q < end && p[q] == ';';
        text = utf8(codePoint);
        // A number means the same whatever EntityTable holds.
        if (key && p[1] == '#' && q == semicolon + 1 && text.count != 0)
            memo.rememberNumber(key, codePoint, text);
    }
    if (unlikely(codePoint == 0)) {  // the reference stays
        if (q <= 16)
            store16(out, block);
        return Step{q, q};
    }
    std::memcpy(out, &text.bytes, sizeof text.bytes);
    if (unlikely(text.count == 0) && p + q < end) {
        // No encoding: the reference goes. The byte after it is taken as it
        // is, since scanning resumes one byte later.
        out[0] = p[q];
        return Step{q + 1, 1};
    }
    return Step{q, text.count};
}

// Bit i stands for byte i of the 64 bytes at p: whether it is an '&'.
inline std::uint64_t ampersandsIn64(const char* p)
{
    const std::uint64_t first = bytesEqualTo(load16(p), '&');
    const std::uint64_t second = bytesEqualTo(load16(p + 16), '&');
    const std::uint64_t third = bytesEqualTo(load16(p + 32), '&');
    const std::uint64_t fourth = bytesEqualTo(load16(p + 48), '&');
    return first | second << 16 | third << 32 | fourth << 48;
}

constexpr std::size_t BufferSize = 512;
constexpr std::size_t BufferSlack = 256;

// Decodes a string from its first '&', at `first`, on; returns the decoded
// length. The '&'s are found 64 bytes at a time, and between them the text
// is copied and the references decoded. The decoded text is put together in
// a buffer on the stack, where whole blocks may be stored past its end, and
// written back over the string in pieces: the text only shrinks, so a piece
// lands on bytes already read. The string is read where it is while 80 bytes
// remain (a block of 64 and the 16 of a reference at its end); its last
// bytes are read from a zero-padded copy.
TESSEL_HOT std::size_t decodeFrom(char* data, const char* end, const char* first)
{
    const EntityIndex& index = EntityIndex::current();
    ReferenceMemo& memo = referenceMemo;
    memo.follow(index.builds());
    char buffer[BufferSize + BufferSlack];
    char tail[160];
    char* out = buffer;
    std::size_t written = static_cast<std::size_t>(first - data);
    const char* done = first;   // the text before it is decoded
    const char* chunk = first;  // the next 64 bytes to search for '&'
    bool inTail = false;

    auto flush = [&] {
        std::memcpy(data + written, buffer, static_cast<std::size_t>(out - buffer));
        written += static_cast<std::size_t>(out - buffer);
        out = buffer;
    };
    // Copies the text from `done` up to `to`, which has 16 readable bytes.
    auto copyText = [&](const char* to) {
        const std::size_t length = static_cast<std::size_t>(to - done);
        if (likely(length <= 64)) {
            store16(out, load16(done));
            for (std::size_t i = 16; i < length; i += 16)
                store16(out + i, load16(done + i));
            out += length;
        } else {
            flush();
            std::memmove(data + written, done, length);
            written += length;
        }
        done = to;
    };

    for (;;) {
        if (!inTail && end - chunk < 80) {
            // Go on in a zero-padded copy of what is left.
            if (done < chunk)
                copyText(chunk);
            const std::size_t left = static_cast<std::size_t>(end - done);
            const Block zero = zeroBlock();
            for (std::size_t i = 0; i < sizeof tail; i += 16)
                store16(tail + i, zero);
            std::memcpy(tail, done, left);
            done = chunk = tail;
            end = tail + left;
            inTail = true;
        }
        if (chunk >= end)
            break;
        // One chunk adds less than BufferSlack bytes to the buffer: it copies
        // at most 64 bytes from before the chunk (more go straight to the
        // string), the chunk and 16 bytes past it, plus one block stored past
        // the end. A reference longer than 16 bytes that stays goes straight
        // to the string.
        if (unlikely(out >= buffer + BufferSize))
            flush();
        for (std::uint64_t ampersands = ampersandsIn64(chunk); ampersands; ampersands &= ampersands - 1) {
            const char* at = chunk + __builtin_ctzll(ampersands);
            if (unlikely(at < done))  // the byte after a removed reference
                continue;
            copyText(at);
            const ReferenceHead head(at);
            if (const ReferenceMemo::Slot* known = memo.find(head.key); likely(known != nullptr)) {
                std::memcpy(out, &known->text.bytes, sizeof known->text.bytes);
                out += known->text.count;
                done = at + head.semicolon + 1;
                continue;
            }
            const Step step = decodeReference(at, end, out, index, memo, head);
            if (unlikely(step.written > 16)) {  // a long reference that stays
                flush();
                std::memmove(data + written, at, step.read);
                written += step.read;
            } else {
                out += step.written;
            }
            done = at + step.read;
        }
        chunk += 64;
    }
    if (out >= buffer + BufferSize)
        flush();
    if (done < end)
        copyText(end);
    flush();
    return written;
}

}  // namespace

void fillEntityTable()
{
    if (!EntityTable.empty())
        return;
    for (const EntityEntry* e = EntityList; e->name; ++e)
        EntityTable.emplace(e->name, e->codePoint);
    EntityIndex::current();
}

int encodeUtf8(std::uint32_t cp, char* buffer)
{
    if (cp >= 0x200000)
        return 0;
    // Values below 128, for which it is not called, get two bytes as well.
    const std::uint32_t count = cp < 0x800 ? 2 : Utf8Counts[32 - __builtin_clz(cp)];
    const std::uint32_t bytes = utf8Bytes(cp, count);
    std::memcpy(buffer, &bytes, count);
    return static_cast<int>(count);
}

// References are found by one scan for '&'; text without one is left
// untouched. A reference is never shorter than its replacement (every
// entity name is at least as long as the UTF-8 form of its code point, and
// a numeric reference has enough digits for its value), so the text only
// shrinks. Scanning resumes after a reference's replacement, so a produced
// '&' never starts another reference.
TESSEL_HOT void decodeEntities(std::string& s)
{
    char* const data = s.data();
    const void* first = std::memchr(data, '&', s.size());
    if (!first)
        return;
    s.resize(decodeFrom(data, data + s.size(), static_cast<const char*>(first)));
}

TESSEL_HOT void decodeEntitiesFrom(std::string& s, std::size_t first)
{
    char* const data = s.data();
    s.resize(decodeFrom(data, data + s.size(), data + first));
}

}  // namespace Tessel
