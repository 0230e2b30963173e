// Messages with many replaced tags: the end of each replaced tag is found
// in one pass over the message, with the stretches that a search from every
// tag gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>

#include "api/state.h"
#include "html/RichTextParser.h"
#include "html/RichTextParser_Orb.h"
#include "support/sample_catalogue.h"
#include "support/temp_dir.h"

using namespace Tessel;

namespace {

const char Smile[] = "<img src=\":/Res/FaceMgr/em/1.png\">";

class LongMessage : public ::testing::Test {
protected:
    void SetUp() override
    {
        catalogue = new EmoticonCache(dir.write("emo.dat", testsupport::SampleCatalogueXml).c_str());
        Catalogue = catalogue;
    }
    void TearDown() override
    {
        Catalogue = nullptr;
        delete catalogue;
    }

    testsupport::TempDir dir;
    EmoticonCache* catalogue = nullptr;
    RichTextParser_Orb orb;
    RichTextParser rich;
};

TEST_F(LongMessage, TagsShareTheFarEndOfTheFirst)
{
    // The first two tags run to the "/>" of <br/>; the third, after it, has
    // none left and ends at its own '>'.
    orb.convertMessage("<body>a<img src=\":/Res/FaceMgr/em/1.png\">b<img src=\":/Res/FaceMgr/em/2.png\">"
                       "c<br/>d<img src=\":/Res/FaceMgr/em/3.png\">e</body>");
    EXPECT_EQ(orb.body, "<body><div id=\"title_div\"><h1 id=\"title\"></h1><span id=\"sender\"></span>"
                        "<span id=\"date\"></span></div>a<img id=\"smile\"/><img id=\"wink\"/>d"
                        "<img id=\"grin\"/>e</body>");
    EXPECT_EQ(orb.text, "a[smile]b[wink]cd[grin]e");

    // One unclosed tag with several sources: each follows the one before.
    rich.setKeepBody(true);
    rich.parseToBody("x<img src=\":/a.png\" src=\":/b.png\" src=\":/a.png\"");
    EXPECT_EQ(rich.body, "x<img src=\":/a.png\"/><img src=\":/b.png\"/><img src=\":/a.png\"/>");
}

// The fastest of three runs, in seconds.
double fastest(const std::function<void()>& run)
{
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        auto start = std::chrono::steady_clock::now();
        run();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

TEST_F(LongMessage, TimeGrowsLinearlyWithTheNumberOfTags)
{
    auto manyTags = [](int n) {
        std::string s = "<body>";
        for (int i = 0; i < n; ++i)
            s.append(Smile).append("x");
        return s + "</body>";
    };
    auto manySources = [](int n) {
        std::string s = "<img";
        for (int i = 0; i < n; ++i)
            s += " src=\":/Res/FaceMgr/em/1.png\"";
        return s;
    };
    // Eight times the tags: a search from every tag to the far end of the
    // message would take some sixty-four times as long.
    auto growth = [](const std::function<std::string(int)>& make,
                     const std::function<void(const std::string&)>& run) {
        const int n = 4000;
        const std::string small = make(n), large = make(8 * n);
        return fastest([&] { run(large); }) / fastest([&] { run(small); });
    };
    EXPECT_LT(growth(manyTags, [&](const std::string& s) { orb.convertMessage(s); }), 24);
    EXPECT_LT(growth(manyTags, [&](const std::string& s) { orb.rebuildHtml(s); }), 24);
    rich.setKeepBody(true);
    EXPECT_LT(growth(manySources, [&](const std::string& s) { rich.parseToBody(s); }), 24);
}

}  // namespace
