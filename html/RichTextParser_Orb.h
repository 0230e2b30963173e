// SPDX-License-Identifier: MIT
// Message bodies: emoticons and pictures replaced by reference tags, with the
// lists of what they stand for; and the way back to HTML and text.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <string_view>

#include "html/RichTextParser.h"
#include "tessel/EmoticonCache.h"
#include "tessel/types.h"

namespace Tessel {

class RichTextParser_Orb : public RichTextParser {
public:
    std::string headTitle;
    std::string headSender;
    std::string headDate;
    std::set<std::string> seenEmoticons;
    StringPairList emoticonList;
    StringPairList imageList;
    bool rebuildMode = false;
    // The catalogue through which emoticons are found; null: none is.
    EmoticonCache* catalogue = nullptr;

    RichTextParser_Orb();
    ~RichTextParser_Orb() override;

    void onImgSrc(const char* tagStart, const std::string& value) override;
    bool wantParagraphs() override;

    void SetCustomHead(const std::string& title, const std::string& sender,
                       const std::string& date);
    void convertMessage(const std::string& html);
    void loadImageList(const StringPairList& images);
    void rebuildHtml(const std::string& source);
    void emoticonText(const std::string& source);

protected:
    // Takes a source or an id where it stands in the input, without a copy.
    void reportImgSrc(const char* tagStart, std::string_view value) override;
    void reportImgId(const char* tagStart, std::string_view value) override;

private:
    // Replaces an image by its reference, or drops it. inInput: src is a
    // view of the tag at tagStart in the input.
    void takeSource(const char* tagStart, std::string_view src, bool inInput);
    // Replaces a picture that is not a resource, by its unescaped source.
    void takePicture(const char* tagStart, const std::string& source);
    // Replaces the tag in the copy by "<img id=\"" value "\"/>". close: the
    // tag's '>' when the caller knows it, else null.
    void replaceWithReference(const char* tagStart, const char* close, std::string_view value);
    // The '>' of the tag at tagStart when it is written as Qt writes an
    // image tag, `<img src="` src `" />`, with src a view of it that holds no
    // '>' or NUL byte; null for any other tag.
    const char* qtTagClose(const char* tagStart, std::string_view src) const;
    // Appends before, then the title div of the head strings, to body.
    void appendTitleDiv(std::string_view before);
    // Empties the outputs and lists at the start of a conversion, and the
    // per-conversion look-ups at its end.
    void startConversion(bool rebuild);
    void endConversion();

    // Whether an emoticon id is met for the first time; remembers it.
    bool firstSighting(const std::string& id);

    // A conversion's first few emoticon ids, views of its records' ids,
    // compared one by one, so that a message's few emoticons cost no node of
    // seenEmoticons: the set is emptied at the conversion's end, unseen from
    // outside. Past them, and in a run that is not a conversion (whose ids
    // stay in the set), seenEmoticons itself remembers.
    static constexpr std::size_t FewIds = 16;
    std::string_view fewIds_[FewIds];
    std::size_t fewIdCount_ = 0;
    bool converting_ = false;
    // An id looked up in imageCache, kept from one look-up to the next.
    std::string idKey_;
    // A source that is not a resource, unescaped, kept likewise.
    std::string source_;
};

}  // namespace Tessel
