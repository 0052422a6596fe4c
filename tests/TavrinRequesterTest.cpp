#include <gtest/gtest.h>
#include <string>

#include "Tavrin.h"
#include "TavrinLocale.h"
#include "platform/TestPlatform.h"

namespace {

// Every kind of requester looks the same, under the program's title; a body is cut at 1023 characters.
// (Without a display, the real program's fault and install tests see the fallback line.)
TEST(RequesterTest, BodyUnderTheProgramTitle)
{
    testplat::Reset();
    const std::string exact(1023, 'a'), longer = std::string(1023, 'b') + "tail that does not fit";
    DisplayRequester(REQType_Info, GetString(ERR_DamagedConfig), GetString(TX_Ok), "conf");
    DisplayRequester(REQType_Question, exact.c_str(), "_Ok");
    DisplayRequester(REQType_Error, "%s", "_Ok", longer.c_str());
    std::vector<std::string> shown;
    for (const auto &r : testplat::Requesters())
        shown.push_back(r.title + " | " + r.body + " | " + r.button);
    EXPECT_EQ(shown,
        (std::vector<std::string> {"Tavrin | Damaged config file (conf) | Ok", "Tavrin | " + exact + " | _Ok",
            "Tavrin | " + longer.substr(0, 1023) + " | _Ok"}));
}

} // namespace
