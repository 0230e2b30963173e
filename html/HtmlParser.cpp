// SPDX-License-Identifier: MIT
#include "html/HtmlParser.h"

#include <cstdint>
#include <cstring>
#include <string_view>

#include "base/buffers.h"
#include "base/hot.h"
#include "base/text_search.h"
#include "html/entities.h"

namespace Tessel {

const char ParagraphPrefix[] =
    "<p style=\"margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px;"
    "-qt-block-indent:0; text-indent:0px;\">";
const std::size_t ParagraphPrefixLength = sizeof ParagraphPrefix - 1;
const char ParagraphSuffix[] = "</p>";

// The head that Qt's QTextDocument::toHtml() writes at the start of every
// document. Tokenized, it yields no text and leaves every state as it was
// at the start, so a message that opens with it is read from its end.
constexpr std::string_view QtPrologue =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\" \"http://www.w3.org/TR/REC-html40/strict.dtd\">\n"
    "<html><head><meta name=\"qrichtext\" content=\"1\" /><style type=\"text/css\">\n"
    "p, li { white-space: pre-wrap; }\n"
    "</style></head>";

std::size_t qtPrologueLength(const char* data, std::size_t length)
{
    // Its second byte, '!', turns most other inputs away before the compare.
    if (length < QtPrologue.size() || data[1] != QtPrologue[1])
        return 0;
    return startsWith(std::string_view(data, length), QtPrologue) ? QtPrologue.size() : 0;
}

namespace {

constexpr std::size_t ParagraphSuffixLength = sizeof ParagraphSuffix - 1;

// Bytes after "</" in which an end tag's '>' is looked for in line before
// the rest of the input is searched.
constexpr std::ptrdiff_t ShortEndTag = 8;

// Bytes of a tag name kept for the tests on it: the longest is "script".
constexpr std::size_t TagNameKept = 8;

// Character classes on single bytes, looked up in one table; bytes from
// 0x80 up belong to none.
enum CharClass : unsigned char {
    Letter = 1,
    Digit = 2,
    Space = 4,        // space, \t \n \v \f \r
    NamePunct = 8,    // . - : (tag names)
    AttrNameEnd = 16, // = > (attribute names end here, and at whitespace)
    NameByte = Letter | Digit | NamePunct
};

struct CharClasses {
    unsigned char of[256] = {};

    constexpr CharClasses()
    {
        for (int c = 'A'; c <= 'Z'; ++c)
            of[c] = of[c + 'a' - 'A'] = Letter;
        for (int c = '0'; c <= '9'; ++c)
            of[c] = Digit;
        for (int c : {' ', '\t', '\n', '\v', '\f', '\r'})
            of[c] = Space;
        for (int c : {'.', '-', ':'})
            of[c] = NamePunct;
        for (int c : {'=', '>'})
            of[c] = AttrNameEnd;
    }
};

constexpr CharClasses Classes;

inline bool hasClass(char c, unsigned mask)
{
    return (Classes.of[static_cast<unsigned char>(c)] & mask) != 0;
}

inline bool isLetter(unsigned char c)
{
    return hasClass(static_cast<char>(c), Letter);
}

inline bool isSpace(unsigned char c)
{
    return hasClass(static_cast<char>(c), Space);
}

inline const char* findByte(const char* from, const char* end, char c)
{
    if (from >= end)
        return nullptr;
    // Markup is dense: the byte is often the very next one.
    if (*from == c)
        return from;
    return static_cast<const char*>(std::memchr(from, c, static_cast<std::size_t>(end - from)));
}

inline const char* skipSpace(const char* p, const char* end)
{
    while (p < end && isSpace(static_cast<unsigned char>(*p)))
        ++p;
    return p;
}

// The block tags, at which a paragraph opens and closes.
constexpr std::string_view BlockTags[] = {"br", "p", "div", "h1", "h2", "h3", "h4", "h5", "h6"};

constexpr bool namesFit(std::size_t kept)
{
    for (std::string_view name : BlockTags)
        if (name.size() > kept)
            return false;
    return sizeof "script" - 1 <= kept;
}
// Every name the tokenizer compares must fit in the bytes of a name it keeps.
static_assert(namesFit(TagNameKept), "a compared tag name is longer than the bytes kept of it");

// The names of BlockTags, matched whole on a lower-case name. A fixed test
// rather than a set: it costs a few comparisons per tag and needs no
// initialisation. A new block tag goes into both.
inline bool isBlockName(const char* name, std::size_t length)
{
    switch (length) {
    case 1:
        return name[0] == 'p';
    case 2:
        return (name[0] == 'b' && name[1] == 'r') || (name[0] == 'h' && name[1] >= '1' && name[1] <= '6');
    case 3:
        return name[0] == 'd' && name[1] == 'i' && name[2] == 'v';
    default:
        return false;
    }
}

// The lower-case name of the tag being read: its length and its first
// TagNameKept bytes.
struct TagName {
    char bytes[TagNameKept];
    std::size_t length;

    // n is at most TagNameKept.
    bool startsWith(const char* prefix, std::size_t n) const
    {
        return length >= n && std::memcmp(bytes, prefix, n) == 0;
    }

    bool isBlock() const { return isBlockName(bytes, length); }
};

// Reads the run of tag-name bytes at start, whose first `known` bytes the
// caller has already seen to be name bytes; returns the position after it.
const char* readTagName(const char* start, const char* end, TagName& name, std::size_t known = 0)
{
    const char* p = start + known;
    while (p < end && hasClass(*p, NameByte))
        ++p;
    name.length = static_cast<std::size_t>(p - start);
    // Setting bit 0x20 lowers a letter and keeps digits, '.', '-' and ':'.
    // Where the input allows, eight bytes are lowered at once; bytes past the
    // name's length are never looked at.
    static_assert(TagNameKept == sizeof(std::uint64_t));
    if (end - start >= 8) {
        std::uint64_t word;
        std::memcpy(&word, start, sizeof word);
        word |= 0x2020202020202020u;
        std::memcpy(name.bytes, &word, sizeof word);
    } else {
        for (std::size_t i = 0; i < name.length; ++i)
            name.bytes[i] = static_cast<char>(start[i] | 0x20);
    }
    return p;
}

// Reads an attribute value from just after its '=': quoted (the closing
// quote is searched for in the whole rest of the input, past any '>') or
// running to white space or '>'. Returns where the next attribute name
// starts: at the closing quote itself, or after the white space that ends
// an unquoted value.
TESSEL_HOT const char* readValue(const char* p, const char* end, std::string_view& value)
{
    p = skipSpace(p, end);
    const char* closeQuote = nullptr;
    if (p < end && (*p == '"' || *p == '\'')) {
        ++p;
        closeQuote = findByte(p, end, p[-1]);
    }
    if (closeQuote) {
        value = std::string_view(p, static_cast<std::size_t>(closeQuote - p));
        return closeQuote;
    }
    const char* start = p;
    while (p < end && *p != '>' && !isSpace(static_cast<unsigned char>(*p)))
        ++p;
    value = std::string_view(start, static_cast<std::size_t>(p - start));
    return skipSpace(p, end);
}

// Where the quoted value of the attribute written exactly as prefix (name,
// '=' and opening quote) at p ends: its closing quote; null when the
// attribute is written otherwise or the quote is not closed. Qt writes
// attributes so; this finds their values without reading names.
inline const char* quotedValueEnd(const char* p, const char* end, std::string_view prefix)
{
    return startsWith(std::string_view(p, static_cast<std::size_t>(end - p)), prefix)
        ? findByte(p + prefix.size(), end, '"')
        : nullptr;
}

// How Qt writes an image's source, and the end of its tag after it.
constexpr std::string_view QtSourcePrefix = " src=\"";
constexpr std::string_view QtTagEnd = "\" />";
// How the library writes a reference in a body: <img id="..."/>.
constexpr std::string_view ReferencePrefix = " id=\"";
constexpr std::string_view ReferenceEnd = "\"/>";

// Passes over the attributes of a tag whose names and values nobody reads,
// up to its '>' or the end. Outside values only '=' and '>' matter: names
// and the white space around them are skipped alike.
const char* skipAttributes(const char* p, const char* end)
{
    // Most of Qt's tags hold one style attribute, and end right after it.
    if (const char* close = quotedValueEnd(p, end, " style=\"")) {
        if (end - close > 1 && close[1] == '>')
            return close + 1;
        p = close;
    }
    std::string_view value;
    for (;;) {
        while (p < end && !hasClass(*p, AttrNameEnd))
            ++p;
        if (p == end || *p == '>')
            return p;
        p = readValue(p + 1, end, value);
    }
}

}  // namespace

void trimLeadingSpace(std::string& s)
{
    s.erase(0, s.size() - withoutLeadingSpace(s).size());
}

HtmlParser::HtmlParser()
{
    fillEntityTable();
}

HtmlParser::~HtmlParser() = default;

void HtmlParser::onImgSrc(const char*, const std::string&) {}

void HtmlParser::onImgId(const char*, const std::string&) {}

void HtmlParser::reportImgSrc(const char* tagStart, std::string_view value)
{
    reported_.clear();
    onImgSrc(tagStart, reported_.append(value.data(), value.size()));
}

void HtmlParser::reportImgId(const char* tagStart, std::string_view value)
{
    // Emptied and appended to: a plain copy, cheaper than the general assign.
    reported_.clear();
    onImgId(tagStart, reported_.append(value.data(), value.size()));
}

void HtmlParser::imgTagEnd(const char*, const char*) {}

bool HtmlParser::wantParagraphs()
{
    return false;
}

// The state of one run over a message.
struct HtmlParser::Run {
    explicit Run(const char* end) : end(end), noCommentClose(end) {}

    const char* end;
    bool inStyle = false;
    bool paragraphOpen = false;
    TagName name{};
    // No '>' preceded by "--" exists at or after this position: once a
    // search for a comment's end has failed, later comments need not search
    // again, which keeps a run over many unclosed comments linear.
    const char* noCommentClose;
};

namespace {

// The next markup start at or after p: '<' followed by '/', '!' or (outside
// a script) a letter; end when there is none. Any other '<' is text.
TESSEL_IN_LINE const char* findMarkup(const char* p, const char* end, bool inScript)
{
    for (const char* markup = p;; ++markup) {
        markup = findByte(markup, end, '<');
        if (!markup)
            return end;
        const unsigned char next = markup + 1 < end ? static_cast<unsigned char>(markup[1]) : 0;
        if (next == '/' || next == '!' || (!inScript && isLetter(next)))
            return markup;
    }
}

// Passes over a comment or declaration whose "<!" ends before p. Returns
// where the text resumes, or null when the input ends inside it.
TESSEL_IN_LINE const char* skipDeclaration(const char* p, const char* end, const char*& noCommentClose)
{
    if (end - p < 2)
        return nullptr;
    if (p[0] != '-' || p[1] != '-') {
        // A declaration such as <!DOCTYPE ...>.
        const char* close = findByte(p, end, '>');
        return close ? close + 1 : nullptr;
    }
    // A comment ends at the first "-->", where the dashes may be those of
    // the opening "<!--"; without one, at the first '>'.
    p += 2;
    const char* first = findByte(p, end, '>');
    if (!first)
        return nullptr;
    const char* close = first < noCommentClose ? first : nullptr;
    while (close && !(close[-1] == '-' && close[-2] == '-'))
        close = findByte(close + 1, end, '>');
    if (!close) {
        noCommentClose = first;
        close = first;
    }
    return close + 1;
}

}  // namespace

// The text before markup, unless it is the content of a script or style;
// white space at its start is dropped.
TESSEL_IN_LINE void HtmlParser::appendText(const Run& run, const char* p, const char* markup)
{
    if (inScript || run.inStyle)
        return;
    while (p < markup && isTrimmedSpace(*p))
        ++p;
    if (p < markup)
        text.append(p, static_cast<std::size_t>(markup - p));
}

// An end tag whose "</" ends before p: leaves a script or style, closes an
// open paragraph at a block tag. Returns where the text resumes, or null
// when the input ends inside the tag.
TESSEL_IN_LINE const char* HtmlParser::readEndTag(Run& run, const char* p)
{
    // Outside a script or style and a paragraph, the name changes nothing:
    // the tag ends at the first '>', which no name byte or space is.
    if (!inScript && !run.inStyle && !run.paragraphOpen) {
        // Mostly a short name and its '>': looked for in line first.
        const char* const near = run.end - p > ShortEndTag ? p + ShortEndTag : run.end;
        for (const char* q = p; q < near; ++q) {
            if (*q == '>')
                return q + 1;
        }
        const char* close = findByte(near, run.end, '>');
        return close ? close + 1 : nullptr;
    }
    p = readTagName(skipSpace(p, run.end), run.end, run.name);
    if (inScript && run.name.startsWith("script", 6))
        inScript = false;
    if (run.inStyle && run.name.startsWith("style", 5))
        run.inStyle = false;
    if (run.paragraphOpen && run.name.isBlock()) {
        text.append(ParagraphSuffix, ParagraphSuffixLength);
        run.paragraphOpen = false;
    }
    const char* close = findByte(p, run.end, '>');
    return close ? close + 1 : nullptr;
}

// The attributes of the img tag at tagStart, from p: its src values reported
// as views of the input, its id values as strings. Returns the tag's '>' or
// the end of the input.
TESSEL_IN_LINE const char* HtmlParser::readImageAttributes(const char* tagStart, const char* p,
                                                           const char* end)
{
    if (const char* close = quotedValueEnd(p, end, QtSourcePrefix)) {
        // Qt writes an image's source first and ends the tag after it: the
        // next attribute would start at the closing quote, so p goes to the
        // tag's '>' at once.
        const char* const source = p + QtSourcePrefix.size();
        reportImgSrc(tagStart, std::string_view(source, static_cast<std::size_t>(close - source)));
        const std::string_view rest(close, static_cast<std::size_t>(end - close));
        p = startsWith(rest, QtTagEnd) ? close + QtTagEnd.size() - 1 : close;
    } else if (const char* idClose = quotedValueEnd(p, end, ReferencePrefix)) {
        // The same for a body's reference tag.
        const char* const id = p + ReferencePrefix.size();
        reportImgId(tagStart, std::string_view(id, static_cast<std::size_t>(idClose - id)));
        const std::string_view rest(idClose, static_cast<std::size_t>(end - idClose));
        p = startsWith(rest, ReferenceEnd) ? idClose + ReferenceEnd.size() - 1 : idClose;
    }
    while (p < end && *p != '>') {
        const char* attrName = p;
        while (p < end && !hasClass(*p, Space | AttrNameEnd))
            ++p;
        const std::string_view attr(attrName, static_cast<std::size_t>(p - attrName));

        p = skipSpace(p, end);
        if (p >= end || *p != '=')
            continue;
        std::string_view value;
        p = readValue(p + 1, end, value);
        if (attr == "src") {
            reportImgSrc(tagStart, value);
        } else if (attr == "id") {
            reportImgId(tagStart, value);
        }
    }
    return p;
}

// A start tag at markup whose name starts at p: opens a paragraph at a block
// tag, reports an image's src and id, enters a script or style. Returns
// where the text resumes.
TESSEL_IN_LINE const char* HtmlParser::readStartTag(Run& run, const char* markup, const char* p)
{
    const char* const end = run.end;
    // The letter after the '<' that findMarkup saw starts the name.
    p = readTagName(p, end, run.name, 1);
    const TagName& name = run.name;
    const bool image = name.startsWith("img", 3);
    if (!image && name.isBlock() && wantParagraphs()) {
        text.append(ParagraphPrefix, ParagraphPrefixLength);
        run.paragraphOpen = true;
    }

    if (image) {
        p = readImageAttributes(markup, p, end);
        imgTagEnd(markup, p);
    } else {
        p = skipAttributes(p, end);
    }

    // One test of the first byte spares most tags the two comparisons.
    if (name.length >= 5 && name.bytes[0] == 's') {
        if (name.startsWith("script", 6))
            inScript = true;
        else if (name.startsWith("style", 5))
            run.inStyle = true;
    }
    return p < end && *p == '>' ? p + 1 : p;
}

TESSEL_HOT void HtmlParser::parse(const char* data, std::size_t length)
{
    const char* const end = data + length;
    const char* p = data + qtPrologueLength(data, length);
    inScript = false;
    Run run(end);
    // A buffer grown by one huge value is not kept for the life of the parser.
    struct Trim {
        std::string& buffer;
        ~Trim() { clearKeepingLittle(buffer); }
    } trim{reported_};

    while (p) {
        const char* markup = findMarkup(p, end, inScript);
        appendText(run, p, markup);
        if (markup == end)
            return;
        p = markup + 1;
        if (*p == '!')
            p = skipDeclaration(p + 1, end, run.noCommentClose);
        else if (*p == '/')
            p = readEndTag(run, p + 1);
        else
            p = readStartTag(run, markup, p);
    }
}

}  // namespace Tessel
