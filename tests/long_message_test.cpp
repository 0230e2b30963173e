// Messages with several replaced tags whose ends lie far away: the search
// for a tag's end, remembered from one tag to the next, gives the stretches
// that a search from every tag gives.
#include <gtest/gtest.h>

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

    // Thousands of tags that all run to the one "/>" at the end.
    std::string message = "<body>", references, text;
    for (int i = 0; i < 5000; ++i) {
        message.append(Smile).append("x");
        references.append("<img id=\"smile\"/>");
        text.append("[smile]x");
    }
    orb.convertMessage(message + "<br/>y</body>");
    EXPECT_EQ(orb.body, "<body><div id=\"title_div\"><h1 id=\"title\"></h1><span id=\"sender\"></span>"
                        "<span id=\"date\"></span></div>" + references + "y</body>");
    EXPECT_EQ(orb.text, text + "y");
}

}  // namespace
