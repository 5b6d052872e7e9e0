#include <gtest/gtest.h>

#include "platform/core/Log.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    // Log lines are part of what tests check through sinks; keep the console readable.
    if (!getenv("BEATSTRIP_TEST_LOG"))
        core::setLogToStderr(false);
    return RUN_ALL_TESTS();
}
