// SPDX-License-Identifier: MIT
// Writes every output of every conversion for the corpus and for many
// generated messages to standard output, so that a change meant only to make
// the library faster can be checked byte for byte: dump before, dump after,
// compare.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "html/HtmlParser.h"
#include "html/TextParser.h"
#include "html/entities.h"
#include "support/corpus.h"
#include "support/library.h"
#include "support/random.h"
#include "tessel/tessel.h"

namespace {

std::string* callbackLog = nullptr;

void record(int code, const char* data, int length, std::int64_t user)
{
    callbackLog->append("callback ").append(std::to_string(code)).append(" ").append(std::to_string(user));
    callbackLog->append(" [").append(data, static_cast<std::size_t>(length)).append("]\n");
}

void put(std::string& out, const char* what, const std::string& value)
{
    out.append(what).append(" ").append(std::to_string(value.size())).append(" [");
    out.append(value).append("]\n");
}

void putPairs(std::string& out, const char* what, const Tessel::StringPairList& pairs)
{
    for (const auto& pair : pairs)
        out.append(what).append(" [").append(pair.first).append("] [").append(pair.second).append("]\n");
}

// Messages built from pieces that reach every branch of the tokenizer and
// the image handlers, with pictures that exist and ones that do not. No
// "http://" source: it would be fetched from the network.
std::vector<std::string> generatedMessages(int count)
{
    const std::string pictures = benchsupport::corpusFile("pictures/");
    const std::vector<std::string> pieces = {
        "<", ">", "</", "<!", "<!--", "-->", "--", "<!DOCTYPE html>", "<p>", "</p>", "<br/>",
        "<br />", "<div>", "</div>", "<h1>", "<H6 x=1>", "<b>", "</b>", "<span style=\" a:b;\">",
        "</span>", "<img src=\":/Res/FaceMgr/em/5.png\" />", "<img src=\":/Res/FaceMgr/em/0.png\"/>",
        "<img src=':/x/77.png'>", "<img src=\":/Res/FaceMgr/em/1001.png\" />",
        "<img src=\"" + pictures + "photo_1.png\" width=\"3\" />",
        "<img src=\"file://" + pictures + "photo_2.png\"/>", "<img src=\"file:///nowhere.png\" />",
        "<img src=\"" + pictures + "photo_11.png\" />", "<img src=\"https://h/x.png\" />",
        "<img src=\"a&amp;b.png\"/>", "<img id=\"/微笑\"/>", "<img id=\"/smile1\" />",
        "<img id=\"0123456789abcdef0123456789abcdef\"/>", "<img src=\"\" id=\"/色\">", "<img",
        "<IMG SRC=\"x\">", "<imgx src=b id=c>", " src=", " id=", "=", "\"", "'", "/>",
        "<script>", "</script>", "<style>", "</style>", "<SCRIPT>", "</ script >", "<body>", "<body",
        "<body a=\"x>y\" ",
        "<body style=\"x\">", "</body>", "<div id=\"title_div\">", "</html>", "text", " ", "\t",
        "\r\n", "\v", "&", "&amp;", "&lt;", "&#65;", "&#x41", "&#", "&euro;", "&#2097152;",
        "&#99999999999;", ";", "你好", "😀", "\xFF", std::string(1, '\0'), "1<2", "a < b",
        "<!-->", "<aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa>"};
    benchsupport::Random random(99);
    std::vector<std::string> messages;
    for (int i = 0; i < count; ++i) {
        std::string message;
        const int n = random.below(30);
        for (int k = 0; k < n; ++k) {
            if (random.below(8) == 0)
                message += static_cast<char>(random.below(256));
            else
                message += pieces[static_cast<std::size_t>(random.below(static_cast<int>(pieces.size())))];
        }
        messages.push_back(message);
    }
    return messages;
}

// Text made of character references of every form (table names whole, cut
// short or run on, decimal and hexadecimal runs of any length, with and
// without ';') between letters, digits and odd bytes, at every distance from
// the end of the string: for the decoder alone.
std::vector<std::string> generatedReferences(int count)
{
    std::vector<std::string> names;
    for (const auto& entry : Tessel::EntityTable)
        names.push_back(entry.first);
    benchsupport::Random random(123);
    auto digits = [&](const char* alphabet, int length) {
        std::string run;
        for (int i = 0; i < length; ++i)
            run += alphabet[random.below(static_cast<int>(std::strlen(alphabet)))];
        return run;
    };
    std::vector<std::string> texts;
    for (int i = 0; i < count; ++i) {
        std::string text;
        const int pieces = random.below(12);
        for (int k = 0; k < pieces; ++k) {
            switch (random.below(8)) {
            case 0:
            case 1: {
                std::string name =
                    names[static_cast<std::size_t>(random.below(static_cast<int>(names.size())))];
                if (random.percent(15))
                    name.resize(static_cast<std::size_t>(random.below(static_cast<int>(name.size()) + 1)));
                if (random.percent(10))
                    name += digits("aZ7", 1);
                text += "&" + name;
                break;
            }
            case 2:
                text += "&#" + digits("0123456789", random.below(22));
                break;
            case 3:
                text += std::string(random.percent(50) ? "&#x" : "&#X") +
                        digits("0123456789abcdefABCDEFg", random.below(20));
                break;
            case 4:
                text += digits("abcXYZ019 ;&#", random.between(1, 20));
                break;
            case 5:
                text += static_cast<char>(random.below(256));
                break;
            default:
                text += ';';
                break;
            }
            if (random.percent(60))
                text += ';';
        }
        texts.push_back(text);
    }
    return texts;
}

void dump(const std::string& message, std::string& out)
{
    callbackLog = &out;
    put(out, "input", message);

    for (bool resourceOnly : {false, true}) {
        out.append("ParseHtml\n");
        Tessel::ParseHtml(message, record, resourceOnly ? 2 : 1, resourceOnly);
    }

    std::string result;
    out.append("ParseHtml2\n");
    Tessel::ParseHtml2(result, message, record, 3);
    put(out, "out", result);
    Tessel::GetText(result);
    put(out, "text", result);

    Tessel::ParseHtml_Orb(message);
    std::string body;
    Tessel::StringPairList emoticons, images;
    Tessel::GetBody(body);
    Tessel::GetText(result);
    Tessel::GetEChVector(emoticons);
    Tessel::GetImageVector(images);
    put(out, "orb body", body);
    put(out, "orb text", result);
    putPairs(out, "emoticon", emoticons);
    putPairs(out, "image", images);

    for (const std::string* source : {static_cast<const std::string*>(&body), &message}) {
        Tessel::HtmlFromBody(result, *source, images);
        put(out, "HtmlFromBody", result);
        Tessel::GetText(result);
        put(out, "rebuild text", result);
        Tessel::EChTextFromBody(*source, result);
        put(out, "EChTextFromBody", result);
    }

    Tessel::TextParser textParser;
    textParser.parse(message.c_str(), message.size());
    put(out, "TextParser", textParser.text);
    Tessel::HtmlParser htmlParser;
    htmlParser.parse(message.c_str(), message.size());
    put(out, "HtmlParser", htmlParser.text);
    result = message;
    Tessel::decodeEntities(result);
    put(out, "decodeEntities", result);
}

}  // namespace

int main()
{
    benchsupport::initLibrary();
    std::vector<std::string> messages = generatedMessages(20000);
    for (const char* corpus : {"qt.msgs", "plain.msgs", "short.msgs", "dense.msgs", "large.html"})
        for (const auto& message : benchsupport::corpusMessages(corpus))
            messages.push_back(message);

    std::string out;
    for (const auto& message : messages) {
        dump(message, out);
        std::fwrite(out.data(), 1, out.size(), stdout);
        out.clear();
    }
    for (const auto& text : generatedReferences(200000)) {
        std::string decoded = text;
        Tessel::decodeEntities(decoded);
        put(out, "references", text);
        put(out, "decoded", decoded);
        std::fwrite(out.data(), 1, out.size(), stdout);
        out.clear();
    }
    return 0;
}
