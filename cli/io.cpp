#include "cli/io.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <vector>

#include <nlohmann/json.hpp>
#include <rapidxml/rapidxml.hpp>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace tool {

std::string readInput(const std::string& file)
{
    if (file.empty() || file == "-") {
#if defined(_WIN32)
        _setmode(_fileno(stdin), _O_BINARY);  // the bytes as they are, CR LF included
#endif
        std::ostringstream all;
        all << std::cin.rdbuf();
        if (std::cin.bad())
            throw Failure("cannot read standard input");
        return all.str();
    }
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw Failure("cannot open '" + file + "': " + std::strerror(errno));
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw Failure("cannot read '" + file + "'");
    return bytes;
}

Tessel::StringPairList readPairList(const std::string& file)
{
    nlohmann::json json;
    try {
        json = nlohmann::json::parse(readInput(file));
    } catch (const nlohmann::json::parse_error& e) {
        throw Failure("image list '" + file + "' is not valid JSON: " + e.what());
    }
    const nlohmann::json& list = json.is_object() && json.contains("images") ? json["images"] : json;
    if (!list.is_array())
        throw Failure("image list '" + file + "' must be an array of [key, path] pairs");
    Tessel::StringPairList pairs;
    for (const auto& item : list) {
        if (!item.is_array() || item.size() != 2 || !item[0].is_string() || !item[1].is_string())
            throw Failure("image list '" + file + "' holds an entry that is not a [key, path] pair: " +
                          item.dump());
        pairs.emplace_back(item[0].get<std::string>(), item[1].get<std::string>());
    }
    return pairs;
}

std::string describeCatalogueError(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return "";
    std::vector<char> buffer((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    buffer.push_back('\0');
    // The parser writes into its buffer; positions are counted on the bytes
    // as they were read.
    std::vector<char> parsed = buffer;
    rapidxml::xml_document<> document;
    try {
        document.parse<0>(parsed.data());
    } catch (const rapidxml::parse_error& e) {
        const char* end = buffer.data() + (e.where<char>() - parsed.data());
        int line = 1, column = 1;
        for (const char* p = buffer.data(); p < end; ++p) {
            if (*p == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        return "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " +
               e.what();
    }
    return "";
}

std::string defaultCacheDirectory()
{
#if defined(_WIN32)
    if (const char* local = std::getenv("LOCALAPPDATA"); local && *local)
        return std::string(local) + "\\tessel";
#endif
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg)
        return std::string(xdg) + "/tessel";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.cache/tessel";
    return "tessel-cache";
}

}  // namespace tool
