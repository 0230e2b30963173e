// SPDX-License-Identifier: MIT
// The emoticon catalogue on files written at run time: groups, sizes,
// entries, failures, look-ups, copies and the fall-back location.
#include "tessel/EmoticonCache.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <rapidxml/rapidxml.hpp>

#include "emoticons/XmlNesting.h"
#include "fs/filesystem.h"
#include "support/common.h"

using namespace TestSupport;

namespace {

class Catalogue : public testing::Test {
protected:
    EmoticonCache load(const std::string& xml)
    {
        return EmoticonCache(dir.write("emo" + std::to_string(files++) + ".dat", xml).c_str());
    }
    // What loading xml raises, or "loaded".
    std::string failure(const std::string& xml)
    {
        try {
            load(xml);
        } catch (const rapidxml::parse_error& e) {
            return e.what();
        } catch (const std::bad_alloc&) {
            return "bad_alloc";
        }
        return "loaded";
    }

    TempDir dir;
    int files = 0;
};

const std::string sample =
    "<?xml version=\"1.0\"?><!-- catalogue --><face>text"
    "<other size=\"2\"><em id=\"3\">wave</em><em id=\"4\"> rock &amp; roll </em></other>"
    "<ignored size=\"9\"><em id=\"99\">x</em></ignored>"
    "<clasic size=\"2\"><em id=\"1\">smile</em><em id=\"2\">wave</em></clasic></face>";

std::string id(const EMOSTRUCT* record) { return record ? record->id : "<null>"; }
std::string tag(const std::string& id) { return "<img src=\":/Res/FaceMgr/em/" + id + ".png\"/>"; }

}  // namespace

TEST_F(Catalogue, ReadsGroupsInDocumentOrder)
{
    EmoticonCache cache = load(sample);
    ASSERT_EQ(cache.getClassicCount(), 2);
    ASSERT_EQ(cache.getOtherCount(), 2);
    EXPECT_EQ(cache.getOtherPtr()[1].name, " rock & roll ");
    // Overall index: classic records, then other records.
    std::string ids;
    for (int index : {INT_MIN, -1, 0, 1, 2, 3, 4, INT_MAX})
        ids += id(cache.getEmoByIndex(index)) + " ";
    EXPECT_EQ(ids, "<null> <null> 1 2 3 4 <null> <null> ");
    // "other" came first, so it owns the shared name.
    EXPECT_EQ(cache.getPathFromName("wave"), tag("3"));
    EXPECT_EQ(cache.getPathFromName(" rock & roll "), tag("4"));
    EXPECT_EQ(cache.getPathFromName("Smile") + cache.getPathFromName("smile "), "");
    EXPECT_EQ(cache.nameIndex.size(), 3u);

    EmoticonCache withBom = load("\xEF\xBB\xBF" + sample);
    EXPECT_EQ(withBom.getPathFromName("wave"), tag("3"));
    EXPECT_EQ(withBom.getOtherPtr()[1].name, " rock & roll ");
}

TEST_F(Catalogue, SizesAndEntries)
{
    EmoticonCache cache = load(
        "<face><clasic size=\"3xyz\"><note>skipped</note><em id=\"1\">a</em></clasic>"
        "<other size=\"2\"><em id=\"4\">b</em><em id=\"5\">c</em><em id=\"6\">d</em></other></face>");
    ASSERT_EQ(cache.getClassicCount(), 3);
    EXPECT_EQ(cache.getEmoByIndex(2)->id + cache.getEmoByIndex(2)->name, "");
    EXPECT_EQ(cache.getPathFromName("") + cache.getPathFromName("skipped") + cache.getPathFromName("d"), "");
    EXPECT_EQ(id(cache.getEmoByIndex(4)), "5");

    EmoticonCache zero = load("<face><clasic size=\"abc\"><em id=\"1\">a</em></clasic></face>");
    EXPECT_EQ(zero.getClassicCount(), 0);
    EXPECT_TRUE(zero.getClassicPtr() && !zero.getOtherPtr() && zero.nameIndex.empty());
    EXPECT_EQ(load("<face><other><em id=\"1\">a</em></other></face>").getOtherCount(), 0);
    EmoticonCache onlyOther = load("<face><other size=\" +1\"><em id=\"7\">x</em></other></face>");
    EXPECT_EQ(onlyOther.getClassicPtr(), nullptr);
    EXPECT_EQ(id(onlyOther.getEmoByIndex(0)), "7");

    for (const char* xml : {"<faces><clasic size=\"1\"><em id=\"1\">a</em></clasic></faces>",
                            "<!DOCTYPE face [<!ENTITY x \"y\">]><root/>", "<face/>"}) {
        EmoticonCache empty = load(xml);
        EXPECT_EQ(empty.getClassicCount() + empty.getOtherCount(), 0) << xml;
        EXPECT_TRUE(!empty.getClassicPtr() && !empty.getOtherPtr() && empty.nameIndex.empty()) << xml;
    }
}

TEST_F(Catalogue, EntryTextAndTheEntryWalk)
{
    EmoticonCache cache = load(
        "<face><clasic size=\"8\"><em id=\"1\"/><em id=\"2\">  </em>"
        "<em id=\"3\">&#32;<b>inner</b> x &#x4F60;&#20320; <i/>y</em>"
        "<em>no id</em><other id=\"5\">any name</other> stray text "
        "<em id=\"7\">&lt;&gt;&quot;&apos;</x></clasic></face>");
    const EMOSTRUCT* records = cache.getClassicPtr();
    EXPECT_EQ(records[0].name + records[1].name, "");
    EXPECT_EQ(cache.nameIndex.at(""), &records[0]);
    EXPECT_EQ(records[2].name, " x \xE4\xBD\xA0\xE4\xBD\xA0 ");
    EXPECT_EQ(records[3].id, "");
    EXPECT_EQ(records[4].id + "/" + records[4].name, "5/any name");
    EXPECT_EQ(records[5].id + "/" + records[5].name, "/ stray text ");
    EXPECT_EQ(records[6].name, "<>\"'");
    EXPECT_EQ(records[7].name, "");
}

TEST_F(Catalogue, Failures)
{
    EXPECT_EQ(failure("<face><clasic size=\"1\">"), "unexpected end of data");
    // The position would point into the file's bytes, freed by then.
    try {
        load("<face><clasic");
        ADD_FAILURE() << "loaded";
    } catch (const rapidxml::parse_error& e) {
        EXPECT_EQ(e.where<char>(), nullptr);
    }
    EXPECT_EQ(failure("emo"), "expected <");
    EXPECT_EQ(failure("<face><clasic size=\"-1\"/></face>"), "bad_alloc");
    EXPECT_EQ(failure("<face><clasic size=\"2147483647\"/></face>"), "bad_alloc");
    EXPECT_EQ(failure("<face><clasic size=\"2\"><em id=\"1\">a</em></clasic>"
                      "<clasic size=\"9\"/><other size=\"-5\"/></face>"),
              "bad_alloc");

    // The records of the whole catalogue are capped, not those of each
    // group: 63 bytes asking for 16,777,216 records, and groups each small
    // enough that together ask for more than the cap.
    EXPECT_EQ(failure("<face><clasic size=\"16777216\"><em id=\"1\">a</em></clasic></face>"), "bad_alloc");
    std::string groups = "<face>";
    for (int i = 0; i < 12; ++i)
        groups += std::string(i % 2 ? "<other" : "<clasic") + " size=\"100000\"><em id=\"1\">a" +
                  std::to_string(i) + "</em></" + (i % 2 ? "other>" : "clasic>");
    EXPECT_EQ(failure(groups + "</face>"), "bad_alloc");
    EXPECT_EQ(failure("<face><clasic size=\"200000\"/><other size=\"200000\"/></face>"), "loaded");

    std::string deep = "<face>";
    for (int i = 0; i < 300000; ++i)
        deep += "<x>";
    EXPECT_EQ(failure(deep), "element nesting too deep");
    std::string nested = "<face><clasic size=\"1\"><em id=\"1\">a</em></clasic>";
    for (int i = 0; i < 500; ++i)
        nested += "<x a='/>'>";
    for (int i = 0; i < 500; ++i)
        nested += "</x>";
    EXPECT_EQ(failure(nested + "</face>"), "loaded");
}

TEST(XmlNesting, CountsElementsTheWayTheParserReadsThem)
{
    auto allowed = [](std::string xml, int limit) {
        try {
            Tessel::checkXmlNesting(&xml[0], limit);
            return true;
        } catch (const rapidxml::parse_error&) {
            return false;
        }
    };
    EXPECT_TRUE(allowed("<a><b><c/></b></a><d/>", 2));
    EXPECT_FALSE(allowed("<a><b><c></c></b></a>", 2));
    // Markup hidden in attribute values, odd names, comments and the like.
    EXPECT_FALSE(allowed("<a x=\"/>\" y='</a>'><b>", 1));
    EXPECT_FALSE(allowed("<a\"q><b>", 1));
    EXPECT_TRUE(allowed("<r><!-- <a><a> --><![CDATA[<a><a>]]><?p <a><a>?>"
                        "<!DOCTYPE d [<!ELEMENT a (b)> <a><a>]><!x <a>></r>", 1));
}

TEST_F(Catalogue, PathsFromIds)
{
    const std::string longId(1000, '7');
    EmoticonCache cache = load("<face><clasic size=\"2\"><em>noid</em><em id=\"" + longId +
                               "\">long</em></clasic></face>");
    EXPECT_EQ(cache.getPathFromName("noid"), tag(""));
    // The image tag holds the path as cut at 259 bytes.
    EXPECT_EQ(cache.getPathFromName("long"), "<img src=\"" + cache.getPathFromId(longId) + "\"/>");
    EXPECT_EQ(cache.getPathFromId(std::string("12\0" "3", 4)), ":/Res/FaceMgr/em/12.png");
    EXPECT_EQ(cache.getPathFromId(std::string(238, '7')), ":/Res/FaceMgr/em/" + std::string(238, '7') + ".png");
    EXPECT_EQ(cache.getPathFromId(std::string(239, '7')), ":/Res/FaceMgr/em/" + std::string(239, '7') + ".pn");
    EXPECT_EQ(cache.getPathFromId(std::string(1000, '7')), ":/Res/FaceMgr/em/" + std::string(242, '7'));
}

TEST_F(Catalogue, CopiesOwnTheirRecords)
{
    // The second classic group replaces the first; names read from the first
    // keep pointing into it.
    auto source = std::make_unique<EmoticonCache>(load(
        "<face><clasic size=\"2\"><em id=\"1\">old</em><em id=\"2\">both</em></clasic>"
        "<other size=\"1\"><em id=\"3\">o</em></other>"
        "<clasic size=\"2\"><em id=\"7\">both</em><em id=\"8\">new</em></clasic></face>"));
    EXPECT_EQ(id(source->getEmoByIndex(0)), "7");
    EXPECT_EQ(source->getPathFromName("old"), tag("1"));
    EXPECT_EQ(source->getPathFromName("both"), tag("2"));

    EmoticonCache copy(*source);
    EmoticonCache assigned = load(sample);
    assigned = *source;
    source.reset();
    for (EmoticonCache* cache : {&copy, &assigned}) {
        EXPECT_EQ(cache->getClassicCount() * 10 + cache->getOtherCount(), 21);
        EXPECT_EQ(cache->getPathFromName("old"), tag("1"));
        EXPECT_EQ(cache->getPathFromName("both"), tag("2"));
        EXPECT_EQ(cache->nameIndex.at("new"), cache->getClassicPtr() + 1);
        EXPECT_EQ(cache->nameIndex.at("o"), cache->getOtherPtr());
    }

    copy = load(sample);  // over a cache holding a replaced array
    EXPECT_EQ(copy.getPathFromName("old"), "");
    EXPECT_EQ(copy.getPathFromName("wave"), tag("3"));
    EmoticonCache& alias = assigned;
    assigned = alias;
    EXPECT_EQ(assigned.getPathFromName("old"), tag("1"));
    EXPECT_EQ(assigned.nameIndex.at("new"), assigned.getClassicPtr() + 1);
}

TEST_F(Catalogue, LookUpsAnswerAsNameIndexDoes)
{
    // Names of every length around the table's 8-byte words, names that
    // differ in one byte, the empty name, a repeated name (the first entry
    // keeps it), and names the catalogue lacks.
    std::string xml = "<face><clasic size=\"700\"><em id=\"0\"></em>";
    std::vector<std::string> asked = {"", "x", "nam", "name 1x"};
    for (int i = 1; i < 700; ++i) {
        std::string name =
            std::string(std::size_t(i % 23), 'a' + char(i % 26)) + "name " + std::to_string(i % 600);
        xml += "<em id=\"" + std::to_string(i) + "\">" + name + "</em>";
        asked.push_back(name);
        name.back() ^= 0x40;
        asked.push_back(name);
    }
    EmoticonCache cache = load(xml + "</clasic></face>");
    auto expected = [&](const std::string& name) {
        const auto found = cache.nameIndex.find(name);
        return found == cache.nameIndex.end() ? std::string() : tag(found->second->id);
    };
    for (const std::string& name : asked)
        ASSERT_EQ(cache.getPathFromName(name), expected(name)) << name;

    // nameIndex is public: after a client has added or erased names (which
    // changes their count), the look-ups answer as the map now does, and so
    // does a copy.
    cache.nameIndex.emplace("added", cache.getClassicPtr() + 5);
    EXPECT_EQ(cache.getPathFromName("added"), tag("5"));
    cache.nameIndex.erase("added");
    cache.nameIndex.erase(asked[10]);
    EXPECT_EQ(cache.getPathFromName("added") + cache.getPathFromName(asked[10]), "");
    const EmoticonCache copy(cache);
    for (const std::string& name : asked)
        ASSERT_EQ(copy.getPathFromName(name), expected(name)) << name;
}

TEST_F(Catalogue, UnusableLocationsFallBackBesideTheExecutable)
{
    const std::string missing = dir / "missing.dat", empty = dir.write("empty.dat", "");
    const char* locations[] = {nullptr, "", missing.c_str(), dir.path().c_str(), empty.c_str()};
    if (const char* expected = std::getenv("TESSEL_CATALOGUE_BESIDE")) {
        // Running as a copy placed next to a catalogue of its own.
        for (const char* location : locations)
            EXPECT_EQ(EmoticonCache(location).getPathFromName(expected), tag("1"));
        return;
    }
    Tessel::Path beside = Tessel::executablePath().parentPath();
    beside /= "Resource/emo.dat";
    for (const char* location : locations) {
        if (Tessel::exists(beside))
            break;
        try {
            EmoticonCache cache(location);
            ADD_FAILURE() << "loaded from " << (location ? location : "null");
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "error reading stream");
        }
    }

    // A copy of this program beside a catalogue runs the branch above.
    namespace fs = std::filesystem;
    const fs::path exe = fs::u8path(Tessel::executablePath().str()), bin = fs::u8path(dir / "bin");
    const std::string copy = (bin / exe.filename()).u8string(), log = dir / "child.log";
    dir.write("bin/Resource/emo.dat", "<face><clasic size=\"1\"><em id=\"1\">beside</em></clasic></face>");
    fs::copy_file(exe, bin / exe.filename());
    const std::string filter = " --gtest_filter=Catalogue.UnusableLocationsFallBackBesideTheExecutable > ";
#if defined(_WIN32)
    // And the runtime DLLs that sit beside the original.
    for (const auto& entry : fs::directory_iterator(exe.parent_path()))
        if (entry.path().extension() == ".dll")
            fs::copy_file(entry.path(), bin / entry.path().filename());
    // cmd /c drops the outer pair of quotes; the child inherits the variable.
    _putenv_s("TESSEL_CATALOGUE_BESIDE", "beside");
    const std::string command = "\"\"" + copy + "\"" + filter + "\"" + log + "\" 2>&1\"";
#else
    const std::string command = "TESSEL_CATALOGUE_BESIDE=beside '" + copy + "'" + filter + "'" + log + "' 2>&1";
#endif
    int status = std::system(command.c_str());
#if defined(_WIN32)
    _putenv_s("TESSEL_CATALOGUE_BESIDE", "");
#endif
    EXPECT_EQ(status, 0) << command << "\n" << readFile(log);
}
