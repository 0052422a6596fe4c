#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    // Qt must never look for a display in a test.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
