// SPDX-License-Identifier: MIT
#include "support/corpus.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

namespace benchsupport {

std::string corpusDir()
{
    if (const char* dir = std::getenv("TESSEL_CORPUS"))
        return dir;
#ifdef TESSEL_CORPUS_DIR
    return TESSEL_CORPUS_DIR;
#else
    return "corpus";
#endif
}

std::string corpusFile(const std::string& name)
{
    return corpusDir() + "/" + name;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path + " (run the corpus generator first)");
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::vector<std::string> readMessages(const std::string& path)
{
    const std::string file = readFile(path);
    std::vector<std::string> messages;
    std::size_t pos = 0;
    while (pos < file.size()) {
        std::size_t lineEnd = file.find('\n', pos);
        if (lineEnd == std::string::npos)
            throw std::runtime_error("truncated message file " + path);
        const std::size_t length = std::stoul(file.substr(pos, lineEnd - pos));
        if (lineEnd + 1 + length + 1 > file.size())
            throw std::runtime_error("truncated message file " + path);
        messages.emplace_back(file, lineEnd + 1, length);
        pos = lineEnd + 1 + length + 1;
    }
    return messages;
}

void appendMessage(std::string& file, const std::string& message)
{
    file.append(std::to_string(message.size())).append(1, '\n').append(message).append(1, '\n');
}

std::size_t totalBytes(const std::vector<std::string>& messages)
{
    std::size_t total = 0;
    for (const auto& message : messages)
        total += message.size();
    return total;
}

const std::vector<std::string>& corpusMessages(const std::string& name)
{
    static std::map<std::string, std::vector<std::string>> loaded;
    auto found = loaded.find(name);
    if (found == loaded.end()) {
        const std::string path = corpusFile(name);
        const bool messageFile = name.size() > 5 && name.compare(name.size() - 5, 5, ".msgs") == 0;
        found = loaded.emplace(name, messageFile ? readMessages(path)
                                                 : std::vector<std::string>{readFile(path)}).first;
    }
    return found->second;
}

const std::vector<std::string>& corpusWithoutAmpersands(const std::string& name)
{
    static std::map<std::string, std::vector<std::string>> made;
    auto found = made.find(name);
    if (found == made.end()) {
        std::vector<std::string> messages = corpusMessages(name);
        for (auto& message : messages)
            std::replace(message.begin(), message.end(), '&', '+');
        found = made.emplace(name, std::move(messages)).first;
    }
    return found->second;
}

const std::vector<std::string>& messagesOf(const std::string& corpus)
{
    static const std::vector<std::string> sixteenBytes{"see you at three"};
    if (corpus == "fixed16")
        return sixteenBytes;
    if (corpus == "no_amp")
        return corpusWithoutAmpersands("dense.msgs");
    if (corpus == "no_amp_short")
        return corpusWithoutAmpersands("short.msgs");
    return corpusMessages(corpus == "large" ? "large.html" : corpus + ".msgs");
}

}  // namespace benchsupport
