// SPDX-License-Identifier: MIT
// The exported functions before Init: nothing exists yet. This executable
// never calls Init, so that every test sees the library as loaded.
#include <gtest/gtest.h>

#include "support/common.h"
#include "tessel/tessel.h"

using namespace Tessel;

TEST(BeforeInit, EveryFunctionAnswersSafely)
{
    TestSupport::callbackCalls.clear();
    std::string out = "unchanged";
    StringPairList pairs{{"k", "v"}};

    EXPECT_FALSE(ParseHtml("<b>x</b>", TestSupport::recordCallback, 1, false));
    EXPECT_FALSE(ParseHtml2(out, "<b>x</b>", TestSupport::recordCallback, 1));
    EXPECT_TRUE(TestSupport::callbackCalls.empty());
    EXPECT_FALSE(GetText(out));
    EXPECT_FALSE(GetBody(out));
    EXPECT_EQ(out, "unchanged");

    EXPECT_EQ(EChStructFromIndex(0), nullptr);
    EXPECT_FALSE(IsClassicECh("1"));
    EXPECT_EQ(EChPathFromName("smile"), "");
    EXPECT_EQ(EChPathFromId("1"), "");
    EXPECT_EQ(getClassicPtr(), nullptr);
    EXPECT_EQ(getOtherPtr(), nullptr);
    EXPECT_EQ(getClassicCount(), 0);
    EXPECT_EQ(getOtherCount(), 0);

    EXPECT_FALSE(ParseHtml_Orb("<body>x</body>"));
    EXPECT_FALSE(SetCustomHead("t", "s", "d"));
    EXPECT_FALSE(GetEChVector(pairs));
    EXPECT_FALSE(GetImageVector(pairs));
    EXPECT_EQ(pairs.size(), 1u);
    EXPECT_TRUE(EChTextFromBody("<body>x</body>", out));
    EXPECT_EQ(out, "unchanged");
    EXPECT_FALSE(HtmlFromBody(out, "<body>x</body>", pairs));
    EXPECT_EQ(out, "unchanged");
    EXPECT_FALSE(SetCachePath("/tmp/cache"));
}
