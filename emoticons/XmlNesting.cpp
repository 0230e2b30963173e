// SPDX-License-Identifier: MIT
#include "emoticons/XmlNesting.h"

#include <cstring>

#include <rapidxml/rapidxml.hpp>

namespace Tessel {

namespace {

// The parser's character classes.
bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isNameChar(char c)
{
    return c != '\0' && !isSpace(c) && c != '/' && c != '>' && c != '?';
}

bool isAttributeNameChar(char c)
{
    return isNameChar(c) && c != '<' && c != '=' && c != '!';
}

char* skipSpace(char* p)
{
    while (isSpace(*p))
        ++p;
    return p;
}

// Past the first occurrence of terminator, or null when the text ends first.
char* skipPast(char* p, const char* terminator)
{
    char* found = std::strstr(p, terminator);
    return found ? found + std::strlen(terminator) : nullptr;
}

// A document type declaration, whose bracketed parts may hold '>'.
char* skipDoctype(char* p)
{
    while (*p != '>') {
        if (*p == '\0')
            return nullptr;
        if (*p++ != '[')
            continue;
        for (long depth = 1; depth > 0; ++p) {
            if (*p == '[')
                ++depth;
            else if (*p == ']')
                --depth;
            else if (*p == '\0')
                return nullptr;
        }
    }
    return p + 1;
}

// A start tag from its name on: name, attributes with quoted values, then
// ">" or "/>". Returns the position after it, or null where the parser
// would fail; opens tells whether the element has content.
char* skipStartTag(char* p, bool& opens)
{
    char* name = p;
    while (isNameChar(*p))
        ++p;
    if (p == name)
        return nullptr;
    p = skipSpace(p);
    while (isAttributeNameChar(*p)) {
        while (isAttributeNameChar(*p))
            ++p;
        p = skipSpace(p);
        if (*p != '=')
            return nullptr;
        p = skipSpace(p + 1);
        char quote = *p;
        if (quote != '"' && quote != '\'')
            return nullptr;
        p = std::strchr(p + 1, quote);
        if (!p)
            return nullptr;
        p = skipSpace(p + 1);
    }
    if (*p == '>') {
        opens = true;
        return p + 1;
    }
    if (p[0] == '/' && p[1] == '>') {
        opens = false;
        return p + 2;
    }
    return nullptr;
}

}  // namespace

void checkXmlNesting(char* text, int limit)
{
    char* p = text;
    if (static_cast<unsigned char>(p[0]) == 0xEF && static_cast<unsigned char>(p[1]) == 0xBB &&
        static_cast<unsigned char>(p[2]) == 0xBF)
        p += 3;
    int depth = 0;
    while (p) {
        if (depth == 0) {
            p = skipSpace(p);
            if (*p != '<')
                return;  // end of the document, or text the parser rejects
        } else {
            p = std::strchr(p, '<');  // character data up to the next markup
            if (!p)
                return;
        }
        if (depth > 0 && p[1] == '/') {
            p += 2;
            while (isNameChar(*p))
                ++p;
            p = skipSpace(p);
            if (*p != '>')
                return;
            ++p;
            --depth;
            continue;
        }
        ++p;
        if (*p == '?') {
            p = skipPast(p + 1, "?>");
        } else if (*p == '!') {
            if (p[1] == '-' && p[2] == '-')
                p = skipPast(p + 3, "-->");
            else if (std::strncmp(p + 1, "[CDATA[", 7) == 0)
                p = skipPast(p + 8, "]]>");
            else if (std::strncmp(p + 1, "DOCTYPE", 7) == 0 && isSpace(p[8]))
                p = skipDoctype(p + 9);
            else
                p = skipPast(p + 1, ">");
        } else {
            bool opens = false;
            char* start = p - 1;
            p = skipStartTag(p, opens);
            if (p && opens && ++depth > limit)
                throw rapidxml::parse_error("element nesting too deep", start);
        }
    }
}

}  // namespace Tessel
