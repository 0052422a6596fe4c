#include <cstdlib>
#include <gtest/gtest.h>

#include "platform/TestPlatform.h"

namespace {

// A file size limit that a test set ends with the test, so the next one writes its files whole.
struct LiftFileSizeLimit : testing::EmptyTestEventListener {
    void OnTestEnd(const testing::TestInfo &) override { testplat::LimitFileSize(-1); }
};

} // namespace

int main(int argc, char **argv)
{
    // Qt must never look for a display in a test.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new LiftFileSizeLimit);
    return RUN_ALL_TESTS();
}
