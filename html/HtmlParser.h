// SPDX-License-Identifier: MIT
// The single-pass tokenizer of chat-message HTML and the event model that the
// parser classes build on.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace Tessel {

// Qt's paragraph opening, emitted at block tags and around EChTextFromBody.
extern const char ParagraphPrefix[];
extern const std::size_t ParagraphPrefixLength;
extern const char ParagraphSuffix[];  // "</p>"

// The length of the head that QTextDocument::toHtml() writes at the start of
// every document when data starts with it, else 0. It holds no text, no
// image and no body tag.
std::size_t qtPrologueLength(const char* data, std::size_t length);

// The white space trimmed from the start of a text: space, tab, line feed,
// carriage return.
inline bool isTrimmedSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Removes leading spaces, tabs, line feeds and carriage returns.
void trimLeadingSpace(std::string& s);

// s without its leading spaces, tabs, line feeds and carriage returns.
inline std::string_view withoutLeadingSpace(std::string_view s)
{
    std::size_t n = 0;
    while (n < s.size() && isTrimmedSpace(s[n]))
        ++n;
    return s.substr(n);
}

class HtmlParser {
public:
    std::string text;
    std::string body;
    bool inScript = false;

    HtmlParser();
    HtmlParser(const HtmlParser&) = delete;
    HtmlParser& operator=(const HtmlParser&) = delete;
    virtual ~HtmlParser();

    // Called for the src / id attribute of an img tag; tagStart is its '<'.
    virtual void onImgSrc(const char* tagStart, const std::string& value);
    virtual void onImgId(const char* tagStart, const std::string& value);
    // Asked at every block start tag; true appends ParagraphPrefix to text.
    virtual bool wantParagraphs();
    // Runs the tokenizer over length bytes; it reads none beyond them.
    virtual void parse(const char* data, std::size_t length);

protected:
    // Hands the src value of an img tag, a view of the input, to the parser:
    // by default as a string to onImgSrc. A parser that can work from the
    // view itself overrides this and spares the copy.
    virtual void reportImgSrc(const char* tagStart, std::string_view value);
    // The same for the id value of an img tag, by default to onImgId.
    virtual void reportImgId(const char* tagStart, std::string_view value);
    // Called when the attributes of an img tag have been read; end is the
    // tag's closing '>' (the end of the input when it has none). Quoted
    // values are passed over whole, so a '>' inside one is not the end.
    virtual void imgTagEnd(const char* tagStart, const char* end);

private:
    struct Run;
    // The tokenizer reads one construct per function, in the order a reader
    // meets them in a message: text, then markup (a comment or declaration
    // is skipped by a free function), an end tag, a start tag and, for an
    // image, its attributes.
    void appendText(const Run& run, const char* p, const char* markup);
    const char* readEndTag(Run& run, const char* p);
    const char* readStartTag(Run& run, const char* markup, const char* p);
    const char* readImageAttributes(const char* tagStart, const char* p, const char* end);

    // Holds each reported attribute value; kept from one run to the next, so
    // that reporting a value costs no allocation once it has grown.
    std::string reported_;
};

}  // namespace Tessel
