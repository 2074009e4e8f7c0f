// Every test executable starts the toolkit headless once, then runs GoogleTest.
// Listing the cases (what CTest does to register each one) needs no toolkit.
#include <gtest/gtest.h>

#include "host/HeadlessToolkit.h"

#include <cstdio>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) {
        return RUN_ALL_TESTS();
    }
    vdhost::HeadlessToolkit toolkit;
    if (!toolkit.IsOk()) {
        std::fprintf(stderr, "cannot start the toolkit\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
