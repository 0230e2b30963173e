// SPDX-License-Identifier: MIT
#include "corpus/catalogue_writer.h"

#include <fstream>
#include <stdexcept>

namespace {

const char* const Names[] = {
    "微笑", "撇嘴", "色", "发呆", "得意", "流泪", "害羞", "闭嘴", "睡", "大哭", "尴尬", "发怒",
    "调皮", "呲牙", "惊讶", "难过", "酷", "冷汗", "抓狂", "吐", "偷笑", "可爱", "白眼", "傲慢",
    "smile", "wink", "grin", "cake", "rose", "coffee", "beer", "sun", "moon", "heart", "ok", "clap"};

constexpr int NameCount = sizeof Names / sizeof Names[0];

// "/" and a base name; later rounds of the list carry a number, so that every
// name is distinct. One name in eight has an entity in the file.
std::string entryText(int index)
{
    std::string name = std::string("/") + Names[index % NameCount];
    if (index >= NameCount)
        name += std::to_string(index / NameCount);
    if (index % 8 == 7)
        name += "&amp;co";
    return name;
}

void writeGroup(std::ofstream& out, const char* group, int first, int count)
{
    out << "  <" << group << " size=\"" << count << "\">\n";
    for (int i = first; i < first + count; ++i)
        out << "    <em id=\"" << i + 1 << "\">" << entryText(i) << "</em>\n";
    out << "  </" << group << ">\n";
}

}  // namespace

void writeCatalogue(const std::string& path, int count)
{
    std::ofstream out(path, std::ios::binary);
    if (!out)
        throw std::runtime_error("cannot write " + path);
    const int classic = count < 100 ? count : 100;
    out << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<face>\n";
    writeGroup(out, "clasic", 0, classic);
    writeGroup(out, "other", classic, count - classic);
    out << "</face>\n";
    if (!out)
        throw std::runtime_error("cannot write " + path);
}
