#include "UsbTestbed.h"

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char **argv)
{
    // The testbed comes first; only then does the process know whether it is mocked.
    UsbTestbed::Instance();
    if (!UsbTestbed::InMockEnvironment()) {
        std::fprintf(stderr, "these tests need the emulated USB bus: run them under "
                             "umockdev-wrapper\n");
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
