// SPDX-License-Identifier: MIT
#include "cli/catalogue.h"

#include <cerrno>
#include <cstdio>
#include <new>
#include <vector>

#include <rapidxml/rapidxml.hpp>

#include "cli/io.h"
#include "cli/system.h"
#include "emoticons/XmlNesting.h"
#include "tessel/tessel.h"

namespace tool {

namespace {

// The directory part of path, without its last separator.
std::string parentOf(const std::string& path)
{
    std::size_t end = path.size();
    while (end > 0 && !isPathSeparator(path[end - 1]))
        --end;
    while (end > 1 && isPathSeparator(path[end - 1]))
        --end;
    return path.substr(0, end);
}

// Where the bytes of a catalogue stop being well-formed XML, as "line L,
// column C: reason"; empty when they parse. The library's nesting guard
// runs first: the parser recurses once per level of nesting, and the file
// is as deep as its author likes.
std::string describeXmlError(const std::string& bytes)
{
    std::vector<char> text(bytes.begin(), bytes.end());
    text.push_back('\0');
    try {
        Tessel::checkXmlNesting(text.data(), Tessel::maxXmlNesting);
        rapidxml::xml_document<> document;
        document.parse<0>(text.data());
    } catch (const rapidxml::parse_error& e) {
        // The parser writes into its text, but not ahead of where it stops:
        // lines are counted on the original bytes.
        std::size_t end = static_cast<std::size_t>(e.where<char>() - text.data());
        int line = 1, column = 1;
        for (std::size_t i = 0; i < end && i < bytes.size(); ++i) {
            if (bytes[i] == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        return "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + e.what();
    }
    return "";
}

}  // namespace

std::string installedCatalogue()
{
    std::string tool = executablePath();
    if (tool.empty())
        return "";
    std::string prefix = parentOf(parentOf(tool));
    if (prefix.empty() || !isPathSeparator(prefix.back()))
        prefix += pathSeparator;
    return prefix + "share" + pathSeparator + "tessel" + pathSeparator + "emo.dat";
}

void loadCatalogue(const std::string& file)
{
    std::string path = file.empty() ? installedCatalogue() : file;
    if (path.empty())
        throw Failure("the tool cannot find its own location, nor the catalogue beside it; "
                      "name one with --catalogue FILE");
    const std::string name = describeFile(path, "catalogue");
    if (file.empty()) {
        std::FILE* probe = openForReading(path);
        if (!probe && errno == ENOENT)
            throw Failure("no " + name +
                          " (the sample installed with the tool); name one with --catalogue FILE");
        if (probe)
            std::fclose(probe);
    }
    std::string bytes = readInput(path, "catalogue", true);
    // The library reads another catalogue in place of an empty file.
    if (bytes.empty())
        throw Failure(name + " is empty");
    try {
        Tessel::Init("", path.c_str());
    } catch (const std::bad_alloc&) {
        throw Failure(name + " cannot be loaded: the group sizes it declares need more memory than allowed");
    } catch (const std::exception& e) {
        std::string where = describeXmlError(bytes);
        if (!where.empty())
            throw Failure(name + " is not well-formed XML: " + where);
        throw Failure(name + " cannot be loaded: " + e.what());
    }
}

}  // namespace tool
