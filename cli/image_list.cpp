// SPDX-License-Identifier: MIT
#include "cli/image_list.h"

#include <nlohmann/json.hpp>

#include "cli/io.h"

namespace tool {

namespace {

using Json = nlohmann::json;

// Collects the pairs from parser events as they come, so that no document
// tree is built: its depth is the sender's choice, and building, printing or
// comparing a tree recurses on it. Members of "body --json" other than
// "images" pass by unread, however deep.
class PairListReader : public nlohmann::json_sax<Json> {
public:
    enum Problem { none, notAList, badEntry, badSyntax };

    Tessel::StringPairList pairs;
    Problem problem = none;
    std::size_t entries = 0;  // entries of the list seen so far
    std::string syntaxError;

    bool finish()
    {
        if (problem == none && !sawList)
            problem = notAList;
        return problem == none;
    }

    bool null() override { return value(); }
    bool boolean(bool) override { return value(); }
    bool number_integer(number_integer_t) override { return value(); }
    bool number_unsigned(number_unsigned_t) override { return value(); }
    bool number_float(number_float_t, const string_t&) override { return value(); }
    bool binary(binary_t&) override { return value(); }
    bool string(string_t& text) override
    {
        if (listDepth == 0 || depth != listDepth + 1)
            return value();
        if (pair.size() == 2)
            return fail(badEntry);
        pair.push_back(std::move(text));
        return true;
    }
    bool start_array(std::size_t) override
    {
        if (depth == 0 || (depth == 1 && imagesNext)) {
            listDepth = depth + 1;
            sawList = true;
            pairs.clear();
        } else if (listDepth != 0 && depth == listDepth) {
            ++entries;
            pair.clear();
        } else if (!value()) {
            return false;
        }
        imagesNext = false;
        ++depth;
        return true;
    }
    bool start_object(std::size_t) override
    {
        if (depth == 0)
            rootObject = true;
        else if (!value())
            return false;
        ++depth;
        return true;
    }
    bool key(string_t& name) override
    {
        imagesNext = rootObject && depth == 1 && name == "images";
        return true;
    }
    bool end_array() override
    {
        --depth;
        if (listDepth != 0 && depth == listDepth) {
            if (pair.size() != 2)
                return fail(badEntry);
            pairs.emplace_back(std::move(pair[0]), std::move(pair[1]));
        } else if (listDepth != 0 && depth + 1 == listDepth) {
            listDepth = 0;
        }
        return true;
    }
    bool end_object() override
    {
        --depth;
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& error) override
    {
        syntaxError = plainMessage(error.what());
        return fail(badSyntax);
    }

private:
    // A value other than a pair's string, or the start of a nested value:
    // where the list or an entry is due, it is not what the list allows.
    bool value()
    {
        bool listDue = depth == 0 || (depth == 1 && imagesNext);
        bool entryDue = listDepth != 0 && (depth == listDepth || depth == listDepth + 1);
        imagesNext = false;
        if (listDue)
            return fail(notAList);
        if (entryDue) {
            if (depth == listDepth)
                ++entries;
            return fail(badEntry);
        }
        return true;
    }
    bool fail(Problem found)
    {
        problem = found;
        return false;  // stops the parser
    }
    // The parser's message without its tag ("[json.exception.parse_error.101]
    // parse error at ") and without the token it last read, which may be
    // the rest of a long input.
    static std::string plainMessage(std::string message)
    {
        if (message.rfind("[json.exception.", 0) == 0)
            message.erase(0, message.find("] ") + 2);
        if (message.rfind("parse error at ", 0) == 0)
            message.erase(0, 15);
        std::size_t lastRead = message.find("; last read: ");
        if (lastRead != std::string::npos)
            message.erase(lastRead);
        return message;
    }

    std::vector<std::string> pair;
    std::size_t depth = 0;      // containers open
    std::size_t listDepth = 0;  // depth inside the list of pairs; 0 outside it
    bool rootObject = false;
    bool imagesNext = false;  // the next value is the root object's "images"
    bool sawList = false;
};

}  // namespace

Tessel::StringPairList readPairList(const std::string& file)
{
    std::string text = readInput(file, "image list");
    PairListReader reader;
    Json::sax_parse(text, &reader);
    if (reader.finish())
        return std::move(reader.pairs);
    const std::string name = describeFile(file, "image list");
    switch (reader.problem) {
    case PairListReader::badSyntax:
        throw Failure(name + " is not valid JSON: " + reader.syntaxError);
    case PairListReader::badEntry:
        throw Failure(name + ": entry " + std::to_string(reader.entries) +
                      " is not a [key, path] pair of strings");
    default:
        throw Failure(name + " must be an array of [key, path] pairs, or what 'tessel body --json' prints");
    }
}

}  // namespace tool
