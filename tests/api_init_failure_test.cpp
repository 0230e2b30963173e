// SPDX-License-Identifier: MIT
// Init whose catalogue cannot be loaded: the parsers exist, the catalogue is
// retried by the next Init.
#include <gtest/gtest.h>
#include <rapidxml/rapidxml.hpp>

#include <stdexcept>

#include "support/common.h"
#include "tessel/tessel.h"

using namespace Tessel;

TEST(InitFailure, CatalogueIsRetriedAndParsersStay)
{
    TestSupport::TempDir dir;
    std::string broken = dir.write("broken.dat", "<face><clasic size=\"1\"><em id=\"1\">x</clasic>");
    EXPECT_THROW(Init("root", broken.c_str()), rapidxml::parse_error);
    std::string out;
    EXPECT_TRUE(ParseHtml2(out, "<b>still</b> works", nullptr, 0));
    EXPECT_EQ(out, "<b>still</b> works");
    EXPECT_TRUE(ParseHtml_Orb("<body>x</body>"));
    EXPECT_EQ(EChStructFromIndex(0), nullptr);
    EXPECT_EQ(getClassicCount(), 0);

    // An empty location falls back to Resource/emo.dat beside the test
    // executable, which does not exist.
    try {
        Init("root", "");
        FAIL() << "expected an exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "error reading stream");
    }

    std::string good = dir.write("emo.dat", TestSupport::SampleCatalogueXml);
    EXPECT_TRUE(Init("root", good.c_str()));
    ASSERT_NE(EChStructFromIndex(0), nullptr);
    EXPECT_EQ(EChStructFromIndex(0)->name, "smile");
}
