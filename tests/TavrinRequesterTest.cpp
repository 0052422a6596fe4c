#include <gtest/gtest.h>
#include <string>

#include "Tavrin.h"
#include "TavrinLocale.h"
#include "platform/TestPlatform.h"

namespace {

struct RequesterTest : testing::Test {
    void SetUp() override { testplat::Reset(); }
};

TEST_F(RequesterTest, FormatsBodyUnderProgramTitle)
{
    DisplayRequester(REQType_Info, GetString(ERR_DamagedConfig), GetString(TX_Ok), "conf");
    ASSERT_EQ(testplat::Requesters().size(), 1u);
    const auto &r = testplat::Requesters()[0];
    EXPECT_EQ(r.title, "Tavrin");
    EXPECT_EQ(r.body, "Damaged config file (conf)");
    EXPECT_EQ(r.button, "Ok");
}

TEST_F(RequesterTest, KindDoesNotChangeTheRequester)
{
    for (ULONG kind : {REQType_Info, REQType_Question, REQType_Error})
        DisplayRequester(kind, "Text", "_Ok");
    ASSERT_EQ(testplat::Requesters().size(), 3u);
    for (const auto &r : testplat::Requesters()) {
        EXPECT_EQ(r.title, "Tavrin");
        EXPECT_EQ(r.body, "Text");
        EXPECT_EQ(r.button, "_Ok");
    }
}

TEST_F(RequesterTest, BodyIsCutAt1023Characters)
{
    const std::string exact(1023, 'a');
    DisplayRequester(REQType_Info, exact.c_str(), "Ok");
    const std::string longer = std::string(1023, 'b') + "tail that does not fit";
    DisplayRequester(REQType_Info, "%s", "Ok", longer.c_str());
    ASSERT_EQ(testplat::Requesters().size(), 2u);
    EXPECT_EQ(testplat::Requesters()[0].body, exact);
    EXPECT_EQ(testplat::Requesters()[1].body, std::string(1023, 'b'));
}

TEST_F(RequesterTest, WithoutDisplayPrintsFallbackAndReturnsZero)
{
    testplat::SetRequestersAvailable(false);
    testing::internal::CaptureStdout();
    LONG result = DisplayRequester(REQType_Error, "Body %s", "Ok", "x");
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(out, "Error: Requester kann nicht erzeugt werden !\n");
    EXPECT_TRUE(testplat::Requesters().empty());
}

} // namespace
